// The HTTP helper against the loopback service (tools/local_service.py), whose folders the
// tests read and write through TARNIX_SERVICE_ROOT.
#include "HttpRequest.h"
#include "InetHandle.h"
#include "TestCommon.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A file under the service's files/ folder; returns its URL without query.
std::string ServeFile(const std::string& name, const std::string& bytes) {
    EXPECT_TRUE(WriteBytes(ServicePath("files\\" + name), bytes));
    return ServiceUrl("/files/" + name);
}

void ExpectReset(const CHttpRequest& r) {
    EXPECT_TRUE(r.headers.empty());
    EXPECT_TRUE(r.referrer.empty());
    EXPECT_TRUE(r.body.empty());
    EXPECT_EQ(r.replyMode, static_cast<unsigned>(ReplyNone));
    EXPECT_EQ(r.reply, nullptr);
    EXPECT_EQ(r.callback, nullptr);
    EXPECT_EQ(r.callbackContext, nullptr);
}

bool FetchInto(std::string& reply, const std::string& url, int isPost = 0,
               const std::string& body = std::string()) {
    CHttpRequest r;
    r.replyMode = ReplyToString;
    r.reply = &reply;
    r.body = body;
    return HttpFetch(0, nullptr, &r, isPost, url.c_str());
}

TEST(HttpFetch, VersionRequestAppendsReplyAndResets) {
    const std::string id = UniqueId("ver");
    const std::string xml = "<ZQLobbyVerInfo><Site ver=\"2.5.0\"/></ZQLobbyVerInfo>";
    ASSERT_TRUE(WriteBytes(ServicePath("ver\\" + id + ".xml"), xml));
    const std::string url = ServiceUrl("/get_download_device_xml.php?agent_id=" + id);

    std::string reply = "kept:";
    CHttpRequest r;
    r.headers = "X-Probe: 1\r\n";
    r.referrer = "http://127.0.0.1/";
    r.replyMode = ReplyToString;
    r.reply = &reply;
    ASSERT_TRUE(HttpFetch(7, nullptr, &r, 0, url.c_str()));
    EXPECT_EQ(reply, "kept:" + xml);
    ExpectReset(r);

    // The reset left no reply mode: the same request again fails and sends nothing.
    EXPECT_FALSE(HttpFetch(7, nullptr, &r, 0, url.c_str()));
    EXPECT_EQ(reply, "kept:" + xml);

    // Query string intact, HTTP/1.0, exactly one request reached the server.
    EXPECT_EQ(ReadBytes(ServicePath("ver\\" + id + ".requests")),
              "GET /get_download_device_xml.php?agent_id=" + id + " HTTP/1.0\n");
}

TEST(HttpFetch, BodiesArriveByteExact) {
    struct Case {
        const char* name;
        size_t size;
        const char* query;
    } cases[] = {
        {"empty", 0, ""},
        {"one-chunk", 4096, ""},
        {"many-chunks", 100000 + 17, ""},
        {"no-length", 10000, "?nolength=1"},
        {"range-ignored", 5000, "?norange=1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bytes = Pattern(c.size);
        const std::string url = ServeFile(UniqueId(c.name), bytes) + c.query;
        std::string reply = "x";
        ASSERT_TRUE(FetchInto(reply, url));
        EXPECT_EQ(reply.size(), bytes.size() + 1);
        EXPECT_TRUE(reply == "x" + bytes);
    }
}

TEST(HttpFetch, ErrorPagesAreAppendedAsSuccess) {
    const std::string url = ServeFile(UniqueId("status"), "never sent");
    for (const std::string& u : {url + "?status=404", ServiceUrl("/no/such/thing")}) {
        SCOPED_TRACE(u);
        std::string reply;
        ASSERT_TRUE(FetchInto(reply, u));
        EXPECT_NE(reply.find("404"), std::string::npos) << reply;
    }
}

TEST(HttpFetch, BodyCutShortFailsAndKeepsWhatArrived) {
    const std::string bytes = Pattern(50000);
    const std::string url = ServeFile(UniqueId("drop"), bytes) + "?drop=1000";
    std::string reply;
    EXPECT_FALSE(FetchInto(reply, url));
    EXPECT_TRUE(reply == bytes.substr(0, 1000)) << reply.size();
}

struct CallbackLog {
    int calls = 0;
    int32_t arg = 0;
    int32_t count = -1;
    int32_t reserved = -1;
    void* context = nullptr;
};

bool RecordCallback(int32_t arg, const uint8_t*, int32_t count, void* context, int32_t reserved) {
    auto* log = static_cast<CallbackLog*>(context);
    ++log->calls;
    log->arg = arg;
    log->count = count;
    log->reserved = reserved;
    log->context = context;
    return false;  // ignored by the helper
}

TEST(HttpFetch, CallbackRunsOnceWithNoBytes) {
    const std::string url = ServeFile(UniqueId("cb"), Pattern(20000));
    CallbackLog log;
    CHttpRequest r;
    r.replyMode = ReplyToCallback;
    r.callback = RecordCallback;
    r.callbackContext = &log;
    ASSERT_TRUE(HttpFetch(42, nullptr, &r, 0, url.c_str()));
    EXPECT_EQ(log.calls, 1);
    EXPECT_EQ(log.arg, 42);
    EXPECT_EQ(log.count, 0);
    EXPECT_EQ(log.reserved, 0);
    EXPECT_EQ(log.context, &log);
    ExpectReset(r);
}

TEST(HttpFetch, UnusableRequestsFailResetAndSendNothing) {
    struct Case {
        const char* name;
        unsigned mode;
        bool withReply;
        bool withCallback;
        bool withUrl;
    } cases[] = {
        {"mode-2", 2, true, true, true},
        {"mode-none", ReplyNone, true, true, true},
        {"string-without-reply", ReplyToString, false, true, true},
        {"callback-without-callback", ReplyToCallback, true, false, true},
        {"null-url", ReplyToString, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string id = UniqueId(c.name);
        ASSERT_TRUE(WriteBytes(ServicePath("ver\\" + id + ".xml"), "<x/>"));
        const std::string url = ServiceUrl("/get_download_device_xml.php?agent_id=" + id);
        std::string reply = "unchanged";
        CallbackLog log;
        CHttpRequest r;
        r.body = "agent_id=" + id;
        r.replyMode = c.mode;
        r.reply = c.withReply ? &reply : nullptr;
        r.callback = c.withCallback ? RecordCallback : nullptr;
        r.callbackContext = &log;
        EXPECT_FALSE(HttpFetch(0, nullptr, &r, 0, c.withUrl ? url.c_str() : nullptr));
        ExpectReset(r);
        EXPECT_EQ(reply, "unchanged");
        EXPECT_EQ(log.calls, 0);
        EXPECT_FALSE(PathIsThere(ServicePath("ver\\" + id + ".requests")));
    }
    EXPECT_FALSE(HttpFetch(0, nullptr, nullptr, 0, ServiceUrl("/").c_str()));
}

TEST(HttpFetch, PostBodiesReachTheStatisticsLogs) {
    for (const char* stem : {"download_device_stat", "download_device_error_stat"}) {
        SCOPED_TRACE(stem);
        const std::string id = UniqueId("post");
        const std::string body = "agent_id=" + id + "&use_time=0&sizes=700";
        std::string reply;
        ASSERT_TRUE(FetchInto(reply, ServiceUrl(std::string("/") + stem + ".php"), 1, body));
        EXPECT_EQ(reply, "ok");
        EXPECT_EQ(ReadBytes(ServicePath("stats\\" + id + "." + stem + ".log")), body + "\n");
    }
}

TEST(HttpFetch, EmptyPostSendsNoBody) {
    const std::string id = UniqueId("empty-post");
    std::string reply;
    ASSERT_TRUE(FetchInto(reply, ServiceUrl("/download_device_error_stat.php?agent_id=" + id), 1));
    EXPECT_EQ(reply, "ok");
    EXPECT_EQ(ReadBytes(ServicePath("stats\\" + id + ".download_device_error_stat.log")), "\n");
}

TEST(HttpFetch, RefusedConnectionFailsQuickly) {
    const std::string url = "http://127.0.0.1:" + GetEnv("TARNIX_REFUSED_PORT") + "/x";
    std::string reply = "unchanged";
    const DWORD start = GetTickCount();
    EXPECT_FALSE(FetchInto(reply, url));
    EXPECT_LT(GetTickCount() - start, 1500u);
    EXPECT_EQ(reply, "unchanged");
}

TEST(HttpGetContentLength, ReadsTheHeaderAndLeavesTheRequest) {
    const std::string url = ServeFile(UniqueId("len"), Pattern(123457));
    struct Case {
        const char* name;
        std::string url;
        bool ok;
        int64_t size;
    } cases[] = {
        {"plain", url, true, 123457},
        {"range-url-ignored", url + "?norange=1", true, 123457},
        {"no-length", url + "?nolength=1", false, 0},
        {"refused", "http://127.0.0.1:" + GetEnv("TARNIX_REFUSED_PORT") + "/x", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string reply;
        CHttpRequest r;
        r.replyMode = ReplyToString;
        r.reply = &reply;
        int64_t size = -1;
        EXPECT_EQ(HttpGetContentLength(nullptr, &r, c.url.c_str(), size), c.ok);
        EXPECT_EQ(size, c.size);
        EXPECT_EQ(r.replyMode, static_cast<unsigned>(ReplyToString));
        EXPECT_EQ(r.reply, &reply);
        EXPECT_TRUE(reply.empty());
    }
    int64_t size = -1;
    EXPECT_FALSE(HttpGetContentLength(nullptr, nullptr, nullptr, size));
    EXPECT_EQ(size, 0);
}

TEST(ConnectForUrl, SplitsUrlAndChoosesFlags) {
    InetHandle session(OpenHttpSession(nullptr));
    ASSERT_TRUE(session);
    struct Case {
        const char* url;
        DWORD flags;
        const char* path;
    } cases[] = {
        {"http://127.0.0.1:1/a/b.php?x=1&y=2", 0x80000000u, "/a/b.php?x=1&y=2"},
        {"https://127.0.0.1:1/secure", 0x80803000u, "/secure"},
        {"HTTP://127.0.0.1/p%41th", 0x80000000u, "/pAth"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        std::string path;
        DWORD flags = 0;
        InetHandle connection(ConnectForUrl(session.Get(), c.url, path, flags));
        ASSERT_TRUE(connection);
        EXPECT_EQ(flags, c.flags);
        EXPECT_EQ(path, c.path);
    }
    std::string path = "kept";
    DWORD flags = 5;
    EXPECT_EQ(ConnectForUrl(session.Get(), "no url at all", path, flags), nullptr);
    EXPECT_EQ(path, "kept");
    EXPECT_EQ(flags, 5u);
}

// The range request of the download tasks, over the shared session set-up.
TEST(RangeRequest, UpperCaseRangeHeaderGetsExactBytes) {
    const std::string name = UniqueId("range");
    const std::string bytes = Pattern(70000);
    const std::string url = ServeFile(name, bytes);

    InetHandle session(OpenHttpSession(nullptr));
    ASSERT_TRUE(session);
    std::string path;
    DWORD flags = 0;
    InetHandle connection(ConnectForUrl(session.Get(), url.c_str(), path, flags));
    ASSERT_TRUE(connection);
    InetHandle request(
        HttpOpenRequestA(connection.Get(), "GET", path.c_str(), "HTTP/1.0", "", nullptr, flags, 0));
    ASSERT_TRUE(request);
    const char range[] = "RANGE: bytes=4090-65600\r\n";
    ASSERT_TRUE(HttpAddRequestHeadersA(request.Get(), range, sizeof(range) - 1,
                                       HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE));
    ASSERT_TRUE(HttpSendRequestA(request.Get(), nullptr, 0, nullptr, 0));

    DWORD status = 0;
    DWORD size = sizeof(status);
    ASSERT_TRUE(HttpQueryInfoA(request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER,
                               &status, &size, nullptr));
    EXPECT_EQ(status, 206u);
    char contentRange[64] = {};
    size = sizeof(contentRange);
    ASSERT_TRUE(HttpQueryInfoA(request.Get(), HTTP_QUERY_CONTENT_RANGE, contentRange, &size, nullptr));
    EXPECT_STREQ(contentRange, "bytes 4090-65600/70000");

    std::string body;
    char buffer[4096];
    DWORD n = 0;
    while (InternetReadFile(request.Get(), buffer, sizeof(buffer), &n) && n > 0) body.append(buffer, n);
    EXPECT_TRUE(body == bytes.substr(4090, 65600 - 4090 + 1)) << body.size();
    EXPECT_EQ(ReadBytes(ServicePath("files\\" + name + ".requests")),
              "GET /files/" + name + " HTTP/1.0\tbytes=4090-65600\n");
}

}  // namespace
