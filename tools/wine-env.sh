#!/usr/bin/env bash
# Prepares or tears down what the tests run in: a private Wine prefix, an Xvfb
# display and a persistent wineserver, all kept under WINE_DIR.
# usage: wine-env.sh start|stop WINE_DIR LOADER WINEARCH
set -u
cmd=$1; wine_dir=$2; loader=$3; arch=$4
export WINEPREFIX="$wine_dir/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH="$arch"
server="$(dirname "$(readlink -f "$loader")")/wineserver"
mkdir -p "$wine_dir"

start_xvfb() {
  [ -f "$wine_dir/xvfb.pid" ] && kill -0 "$(cat "$wine_dir/xvfb.pid")" 2>/dev/null && return 0
  exec 3>"$wine_dir/display.fd"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$wine_dir/xvfb.log" 2>&1 &
  echo $! >"$wine_dir/xvfb.pid"
  for _ in $(seq 100); do
    [ -s "$wine_dir/display.fd" ] && break
    sleep 0.1
  done
  exec 3>&-
  if [ ! -s "$wine_dir/display.fd" ]; then echo "Xvfb did not start" >&2; return 1; fi
  echo ":$(tr -d '\n' <"$wine_dir/display.fd")" >"$wine_dir/display"
}

case "$cmd" in
start)
  start_xvfb || exit 1
  export DISPLAY=$(cat "$wine_dir/display")
  "$server" -p >/dev/null 2>&1 </dev/null
  if [ ! -f "$WINEPREFIX/.ready" ]; then
    "$loader" wineboot -i >"$wine_dir/wineboot.log" 2>&1
    # A CJK face for the skin's Chinese font name.
    "$loader" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v '微软雅黑' /t REG_SZ \
      /d 'WenQuanYi Micro Hei' /f >>"$wine_dir/wineboot.log" 2>&1
    "$server" -w
    "$server" -p >/dev/null 2>&1 </dev/null
    touch "$WINEPREFIX/.ready"
  fi
  # Start the prefix's services now, away from the caller's output: a service that the
  # first test starts inherits CTest's pipe and keeps that test running until its timeout.
  "$loader" wineboot </dev/null >/dev/null 2>&1
  echo "wine prefix $WINEPREFIX ready, DISPLAY=$DISPLAY"
  ;;
stop)
  "$server" -k 2>/dev/null
  if [ -f "$wine_dir/xvfb.pid" ]; then kill "$(cat "$wine_dir/xvfb.pid")" 2>/dev/null; rm -f "$wine_dir/xvfb.pid"; fi
  rm -f "$wine_dir/display" "$wine_dir/display.fd"
  ;;
*) echo "usage: $0 start|stop WINE_DIR LOADER WINEARCH" >&2; exit 2 ;;
esac
