#!/usr/bin/env python3
"""Loopback stand-in for the version-information, download, statistics and page servers.

usage: local_service.py --port PORT --root DIR

Layout under DIR (subfolders are created at start):
  ver/<id>.xml          body of GET /get_download_device_xml.php?agent_id=<id>
  ver/<id>.requests     one request line per version request, appended
  files/<name>          served by GET /files/<name>, with byte ranges
  files/<name>.requests "<request line>\t<Range header or empty>" per file request
  stats/*.log           bodies of the two statistics POSTs, one per line; also in
                        stats/<agent_id>.<stem>.log (agent_id from the body, else the query)

Fault switches on a file URL (query parameters), so a test or a version reply picks them:
  drop=N        close the connection after N body bytes
  dropafter=K   only the first K requests for this file are dropped (drop defaults to 0)
  norange=1     ignore Range, answer 200 with the whole file
  nolength=1    omit Content-Length
  status=CODE   answer CODE (400..599) with an HTML body
  rate=BPS      throttle this connection to BPS bytes per second
  slowstart=MS  wait MS milliseconds before the status line

Every reply is HTTP/1.0 and the connection is closed after it. Logs go to stderr only.
"""
import argparse
import os
import re
import socket
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, unquote, urlsplit

VERSION_PATH = "/get_download_device_xml.php"
STAT_PATHS = {
    "/download_device_stat.php": "download_device_stat",
    "/download_device_error_stat.php": "download_device_error_stat",
}
PAGE_PATH = "/download/download_lobby.html"
PAGE_BODY = (b"<html><head><title>Download</title></head>"
             b"<body><h1>Download the lobby client</h1></body></html>\n")

# Ids and file names come from the network: only plain names, never a way out of the root.
SAFE_NAME = re.compile(r"^[A-Za-z0-9_.\-]*$")

_append_lock = threading.Lock()
_drop_counts_lock = threading.Lock()
_drop_counts = {}


def safe_name(text):
    return text is not None and SAFE_NAME.match(text) is not None and ".." not in text


def append_line(path, data):
    with _append_lock:
        with open(path, "ab") as f:
            f.write(data + b"\n")


def parse_range(header, total):
    """Returns (first, last) for one satisfiable "bytes=" range, "unsatisfiable", or None
    when the header is absent or not a single byte range (then the whole file is sent)."""
    if header is None:
        return None
    m = re.fullmatch(r"\s*bytes\s*=\s*(\d*)\s*-\s*(\d*)\s*", header, re.IGNORECASE)
    if not m or (m.group(1) == "" and m.group(2) == ""):
        return None
    if m.group(1) == "":
        suffix = int(m.group(2))
        if suffix == 0 or total == 0:
            return "unsatisfiable"
        return (max(0, total - suffix), total - 1)
    first = int(m.group(1))
    last = int(m.group(2)) if m.group(2) != "" else total - 1
    if first > last or first >= total:
        return "unsatisfiable"
    return (first, min(last, total - 1))


def int_param(query, name, default=None):
    values = query.get(name)
    if not values:
        return default
    try:
        return int(values[0])
    except ValueError:
        return default


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    server_version = "LocalService/1.0"
    root = "."

    def log_message(self, fmt, *args):
        sys.stderr.write("%s [%s] %s | UA=%r\n" % (
            self.address_string(), self.log_date_time_string(), fmt % args,
            self.headers.get("User-Agent") if getattr(self, "headers", None) else None))

    # Replies -----------------------------------------------------------------------------

    def send_simple(self, code, body, content_type="text/html"):
        self.send_response(code)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def send_not_found(self):
        self.send_simple(404, b"<html><body><h1>404 Not Found</h1></body></html>\n")

    # Dispatch ----------------------------------------------------------------------------

    def do_GET(self):
        self.close_connection = True
        url = urlsplit(self.path)
        try:
            if url.path == VERSION_PATH:
                self.serve_version(url.query)
            elif url.path.startswith("/files/"):
                self.serve_file(url)
            elif url.path == PAGE_PATH:
                self.send_simple(200, PAGE_BODY)
            else:
                self.send_not_found()
        except (BrokenPipeError, ConnectionResetError, socket.timeout):
            pass  # the client went away; nothing to answer

    do_HEAD = do_GET

    def do_POST(self):
        self.close_connection = True
        url = urlsplit(self.path)
        length = 0
        try:
            length = max(0, int(self.headers.get("Content-Length", "0")))
        except ValueError:
            pass
        body = self.rfile.read(length) if length else b""
        try:
            stem = STAT_PATHS.get(url.path)
            if stem is None:
                self.send_not_found()
                return
            stats = os.path.join(self.root, "stats")
            append_line(os.path.join(stats, stem + ".log"), body)
            # The agent id comes from the body; a query parameter stands in for bodies
            # without one (an empty POST), so a test can still find its own lines.
            m = re.search(rb"(?:^|&)agent_id=([^&]*)", body)
            agent = m.group(1).decode("latin-1") if m else parse_qs(url.query).get("agent_id", [None])[0]
            if agent is not None:
                if safe_name(agent):
                    append_line(os.path.join(stats, "%s.%s.log" % (agent, stem)), body)
            self.send_simple(200, b"ok", "text/plain")
        except (BrokenPipeError, ConnectionResetError, socket.timeout):
            pass

    # Services ----------------------------------------------------------------------------

    def serve_version(self, query):
        # The program sends the id as it stands, without encoding: take it raw.
        agent = None
        for pair in query.split("&"):
            if pair.startswith("agent_id="):
                agent = unquote(pair[len("agent_id="):])
                break
        if not safe_name(agent):
            self.send_not_found()
            return
        ver = os.path.join(self.root, "ver")
        append_line(os.path.join(ver, agent + ".requests"), self.requestline.encode("latin-1"))
        try:
            with open(os.path.join(ver, agent + ".xml"), "rb") as f:
                body = f.read()
        except OSError:
            self.send_not_found()
            return
        self.send_simple(200, body, "text/xml")

    def serve_file(self, url):
        name = unquote(url.path[len("/files/"):])
        query = parse_qs(url.query)
        files = os.path.join(self.root, "files")
        range_header = self.headers.get("Range")  # the lookup ignores case
        if not safe_name(name) or name == "":
            self.send_not_found()
            return
        append_line(os.path.join(files, name + ".requests"),
                    ("%s\t%s" % (self.requestline, range_header or "")).encode("latin-1"))

        slowstart = int_param(query, "slowstart", 0)
        if slowstart > 0:
            time.sleep(slowstart / 1000.0)

        status = int_param(query, "status")
        if status is not None and 400 <= status <= 599:
            self.send_simple(status, b"<html><body><h1>%d</h1></body></html>\n" % status)
            return

        path = os.path.join(files, name)
        try:
            f = open(path, "rb")
        except OSError:
            self.send_not_found()
            return
        with f:
            total = os.fstat(f.fileno()).st_size
            rng = None if int_param(query, "norange", 0) else parse_range(range_header, total)
            if rng == "unsatisfiable":
                self.send_response(416)
                self.send_header("Content-Range", "bytes */%d" % total)
                self.send_header("Content-Length", "0")
                self.send_header("Connection", "close")
                self.end_headers()
                return
            first, last = rng if rng else (0, total - 1)
            count = last - first + 1 if total else 0

            self.send_response(206 if rng else 200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Accept-Ranges", "bytes")
            if rng:
                self.send_header("Content-Range", "bytes %d-%d/%d" % (first, last, total))
            if not int_param(query, "nolength", 0):
                self.send_header("Content-Length", str(count))
            self.send_header("Connection", "close")
            self.end_headers()
            if self.command == "HEAD":
                return

            drop = int_param(query, "drop")
            dropafter = int_param(query, "dropafter")
            if dropafter is not None:
                with _drop_counts_lock:
                    seen = _drop_counts.get(name, 0)
                    _drop_counts[name] = seen + 1
                drop = (drop or 0) if seen < dropafter else None
            if drop is not None:
                count = min(count, max(0, drop))
            self.send_body(f, first, count, int_param(query, "rate", 0))
            if drop is not None:
                self.abort_connection()

    def send_body(self, f, first, count, rate):
        f.seek(first)
        chunk = 65536
        if rate > 0:
            chunk = max(1, min(chunk, rate // 20))  # about 20 writes a second
        start = time.monotonic()
        sent = 0
        while sent < count:
            data = f.read(min(chunk, count - sent))
            if not data:
                break
            self.wfile.write(data)
            sent += len(data)
            if rate > 0:
                ahead = sent / rate - (time.monotonic() - start)
                if ahead > 0:
                    time.sleep(ahead)
        self.wfile.flush()

    def abort_connection(self):
        # An orderly end right after the short body; the client sees fewer bytes than
        # Content-Length announced (or, with nolength=1, a body that simply ends).
        try:
            self.wfile.flush()
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--root", required=True)
    parser.add_argument("--host", default="127.0.0.1")
    args = parser.parse_args()
    root = os.path.abspath(args.root)
    for sub in ("ver", "files", "stats"):
        os.makedirs(os.path.join(root, sub), exist_ok=True)
    Handler.root = root
    server = Server((args.host, args.port), Handler)
    sys.stderr.write("local service on %s:%d, root %s\n" % (args.host, args.port, root))
    sys.stderr.flush()
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


if __name__ == "__main__":
    main()
