#!/usr/bin/env bash
# Starts a server in the background and waits until its loopback port answers, or stops it.
# usage: service-ctl.sh start PIDFILE LOGFILE PORT command [args...]
#        service-ctl.sh stop PIDFILE
set -u
cmd=$1; pidfile=$2
case "$cmd" in
start)
  log=$3; port=$4; shift 4
  if [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null; then kill "$(cat "$pidfile")"; sleep 0.2; fi
  mkdir -p "$(dirname "$pidfile")" "$(dirname "$log")"
  setsid "$@" >"$log" 2>&1 </dev/null &
  echo $! >"$pidfile"
  for _ in $(seq 100); do
    if (exec 3<>/dev/tcp/127.0.0.1/"$port") 2>/dev/null; then exit 0; fi
    kill -0 "$(cat "$pidfile")" 2>/dev/null || break
    sleep 0.1
  done
  echo "server on port $port did not start; its log:" >&2
  cat "$log" >&2
  exit 1
  ;;
stop)
  if [ -f "$pidfile" ]; then kill "$(cat "$pidfile")" 2>/dev/null; rm -f "$pidfile"; fi
  exit 0
  ;;
esac
echo "usage: $0 start PIDFILE LOGFILE PORT cmd... | stop PIDFILE" >&2
exit 2
