#!/usr/bin/env bash
# Throughput and CPU cost of the transfer engine (engine-fetch.exe under wine64) against a
# loopback nginx, compared with one WinINet connection (single-fetch.exe), curl and aria2c.
# Not a test: it prints figures. usage: bench/engine.sh [BUILD_DIR] [PORT]
# CPU is the process tree's user+sys (/usr/bin/time) plus, separately, what the prefix's
# wineserver spent meanwhile: under Wine much of each system call is done there.
#   BUILD_DIR  the x86_64 test build (default build/x86_64)
#   SIZE_MIB   size of the unthrottled file (default 256)
#   SLOW_MIB   size of the throttled file, 4 MB/s per connection (default 64)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/x86_64}
port=${2:-18890}
size_mib=${SIZE_MIB:-256}
slow_mib=${SLOW_MIB:-64}
loader=/usr/lib/wine/wine64
wine_dir=$build/wine
root=$build/bench-nginx
out=$build/bench-out
mkdir -p "$out"

"$top/tools/wine-env.sh" start "$wine_dir" "$loader" win64 >/dev/null
"$top/tools/nginx-ctl.sh" start /usr/sbin/nginx "$root" "$port" >/dev/null
trap '"$top/tools/nginx-ctl.sh" stop /usr/sbin/nginx "$root" "$port" >/dev/null 2>&1 || true' EXIT

[ -s "$root/www/big.bin" ] && [ "$(stat -c %s "$root/www/big.bin")" = $((size_mib << 20)) ] ||
  head -c $((size_mib << 20)) /dev/urandom >"$root/www/big.bin"
[ -s "$root/www/slow/slow.bin" ] && [ "$(stat -c %s "$root/www/slow/slow.bin")" = $((slow_mib << 20)) ] ||
  head -c $((slow_mib << 20)) /dev/urandom >"$root/www/slow/slow.bin"
big_md5=$(md5sum <"$root/www/big.bin" | cut -d' ' -f1)
slow_md5=$(md5sum <"$root/www/slow/slow.bin" | cut -d' ' -f1)
conns=$(nproc); [ "$conns" -gt 8 ] && conns=8

wineserver_pid=
for p in $(pgrep -x 'wineserver(64)?' || true); do
  tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$wine_dir/prefix" && wineserver_pid=$p
done
server_ticks() {  # utime+stime of the wineserver, in clock ticks
  [ -n "$wineserver_pid" ] && awk '{print $14 + $15}' "/proc/$wineserver_pid/stat" || echo 0
}
hz=$(getconf CLK_TCK)

# run NAME MIB EXPECTED_MD5 FILE COMMAND...: prints wall, CPU of the process tree, CPU of the
# wineserver (Wine's share of the work that is not in the process), and MB/s.
run() {
  local name=$1 mib=$2 md5=$3 file=$4; shift 4
  rm -f "$file" "$file.cfg"
  local before after
  before=$(server_ticks)
  /usr/bin/time -f "%e %U %S" -o "$out/time.txt" "$@" >"$out/$name.log" 2>&1 || echo "$name failed, see $out/$name.log"
  after=$(server_ticks)
  read -r wall user sys <"$out/time.txt"
  local got; got=$(md5sum <"$file" 2>/dev/null | cut -d' ' -f1)
  local ok=ok; [ "$got" = "$md5" ] || ok=BAD-MD5
  awk -v n="$name" -v w="$wall" -v u="$user" -v s="$sys" -v m="$mib" -v st=$((after - before)) -v hz="$hz" -v ok="$ok" 'BEGIN {
    cpu = u + s; srv = st / hz;
    printf "%-22s wall %7.2f s  %7.1f MiB/s  cpu %6.2f s (%5.1f%% of one CPU, %5.3f s/100MiB)  wineserver %5.2f s  total s/100MiB %5.3f  %s\n",
      n, w, m / w, cpu, 100 * cpu / w, 100 * cpu / m, srv, 100 * (cpu + srv) / m, ok }'
}

wrun=("$top/tools/wine-run.sh" "$wine_dir" "$loader")
winpath() { echo "Z:${1//\//\\}"; }
efetch=$build/tools/engine-fetch/engine-fetch.exe
sfetch=$build/tools/engine-fetch/single-fetch.exe
url=http://127.0.0.1:$port

echo "file ${size_mib} MiB unthrottled, ${slow_mib} MiB throttled to 4 MB/s per connection; $conns ranges"
# --size skips the measuring GET, so the figure is the engine's own; the second run
# includes that GET as the program makes it.
run engine-fetch "$size_mib" "$big_md5" "$out/e.bin" "${wrun[@]}" "$efetch" "$url/big.bin" "$(winpath "$out/e.bin")" --quiet --size=$((size_mib << 20))
run engine-fetch+measure "$size_mib" "$big_md5" "$out/e.bin" "${wrun[@]}" "$efetch" "$url/big.bin" "$(winpath "$out/e.bin")" --quiet
run single-fetch-4096 "$size_mib" "$big_md5" "$out/s.bin" "${wrun[@]}" "$sfetch" "$url/big.bin" "$(winpath "$out/s.bin")"
run curl "$size_mib" "$big_md5" "$out/c.bin" curl -s -o "$out/c.bin" "$url/big.bin"
run "aria2c-x$conns" "$size_mib" "$big_md5" "$out/a.bin" aria2c -q -x"$conns" -s"$conns" --allow-overwrite=true \
  --file-allocation=none -d "$out" -o a.bin "$url/big.bin"
run engine-fetch-slow "$slow_mib" "$slow_md5" "$out/es.bin" "${wrun[@]}" "$efetch" "$url/slow/slow.bin" "$(winpath "$out/es.bin")" --quiet --size=$((slow_mib << 20))
run single-fetch-slow "$slow_mib" "$slow_md5" "$out/ss.bin" "${wrun[@]}" "$sfetch" "$url/slow/slow.bin" "$(winpath "$out/ss.bin")"
echo "goal throttled: >= $(awk -v c="$conns" 'BEGIN{printf "%.1f", 0.9 * c * 4000000 / 1048576}') MiB/s (0.9 x ranges x 4 MB/s)"
rm -f "$out"/*.bin
