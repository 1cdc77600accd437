#!/usr/bin/env bash
# Runs a stock nginx as an ordinary process serving ROOT/www on a loopback port.
# usage: nginx-ctl.sh start|stop NGINX ROOT PORT
# Files under ROOT/www/slow/ are sent at 4 MB/s per connection.
set -u
cmd=$1; nginx=$2; root=$3; port=$4
here=$(cd "$(dirname "$0")" && pwd)
case "$cmd" in
start)
  mkdir -p "$root/www/slow" "$root/logs" "$root/tmp"
  cat >"$root/nginx.conf" <<CONF
daemon off;
worker_processes 1;
pid $root/nginx.pid;
error_log $root/logs/error.log warn;
events { worker_connections 256; }
http {
  access_log $root/logs/access.log;
  client_body_temp_path $root/tmp;
  proxy_temp_path $root/tmp;
  fastcgi_temp_path $root/tmp;
  uwsgi_temp_path $root/tmp;
  scgi_temp_path $root/tmp;
  default_type application/octet-stream;
  sendfile on;
  server {
    listen 127.0.0.1:$port;
    root $root/www;
    location /slow/ { limit_rate 4m; }
  }
}
CONF
  exec "$here/service-ctl.sh" start "$root/ctl.pid" "$root/logs/stdout.log" "$port" \
    "$nginx" -p "$root" -c "$root/nginx.conf"
  ;;
stop)
  exec "$here/service-ctl.sh" stop "$root/ctl.pid"
  ;;
esac
echo "usage: $0 start|stop NGINX ROOT PORT" >&2
exit 2
