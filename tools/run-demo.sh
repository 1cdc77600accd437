#!/usr/bin/env bash
# Installs what is missing, builds the program, starts the local service on the built-in port, serves the signed
# demo installer with a version reply naming its true MD5, and runs one download with
# the console driver under Wine; shows the events and the installer's own record.
# The service throttles each range connection to 150 kB/s so that progress is visible.
# TARNIX_BUILD_DIR and TARNIX_CMAKE_ARGS are passed to tools/build.sh.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup-debian.sh"
dir=$("$top/tools/build.sh" | tail -n 1)

host=$(sed -n 's/^TARNIX_SERVICE_HOST:STRING=//p' "$dir/CMakeCache.txt")
port=${host##*:}
case "$dir" in
*x86_64) loader=/usr/lib/wine/wine64; arch=win64 ;;
*) loader=/usr/lib/wine/wine; arch=win32 ;;
esac
agent=demo
demo=$dir/demo
root=$demo/service
wine_dir=$demo/wine
run=$demo/run

stop_all() {
  "$top/tools/service-ctl.sh" stop "$root/service.pid"
  "$top/tools/wine-env.sh" stop "$wine_dir" "$loader" "$arch" >/dev/null 2>&1 || true
}
trap stop_all EXIT

rm -rf "$root" "$run"
mkdir -p "$root/files" "$root/ver" "$root/stats" "$run"
"$top/tools/service-ctl.sh" start "$root/service.pid" "$root/service.log" "$port" \
  python3 "$top/tools/local_service.py" --port "$port" --root "$root"
echo "service on $host, files under $root"

cp "$dir/installers/demo-installer.exe" "$root/files/demo-installer.exe"
md5=$(md5sum "$root/files/demo-installer.exe" | cut -d' ' -f1)
version=$(sed -n 's/^TARNIX_DEMO_VERSION:STRING=//p' "$dir/CMakeCache.txt")
cat >"$root/ver/$agent.xml" <<XML
<?xml version="1.0" encoding="utf-8"?>
<ZQLobbyVerInfo>
	<Site ID="1" ver="$version" url="http://$host/files/demo-installer.exe?rate=150000" md5="$md5" updatetime="0" update_desc="demo" upStyle="1"/>
</ZQLobbyVerInfo>
XML
echo "announced $version, md5 $md5"

cp "$dir/tools/download-driver/download-driver.exe" "$run/"
printf '<Site>\n\t<ID value="%s"/>\n</Site>\n' "$agent" >"$run/site.cfg"

"$top/tools/wine-env.sh" start "$wine_dir" "$loader" "$arch" >/dev/null 2>&1 </dev/null
win_run="Z:$(echo "$run" | tr / '\\')"
echo "running $win_run\\download-driver.exe"
# Into a file: Wine's background processes may keep a pipe open after the program ends.
status=0
"$top/tools/wine-run.sh" "$wine_dir" "$loader" "$win_run\\download-driver.exe" >"$run/driver.out" 2>&1 </dev/null \
  || status=$?
tr -d '\r' <"$run/driver.out"
echo "driver exit code $status"

record=$run/demo-installer-ran.txt
for _ in $(seq 100); do [ -s "$record" ] && break; sleep 0.1; done
if [ -s "$record" ]; then
  echo "the installer ran; its record ($record):"
  tr -d '\r' <"$record" | sed 's/^/  /'
else
  echo "the installer left no record" >&2
  status=1
fi
echo "statistics received:"
cat "$root"/stats/"$agent".*.log 2>/dev/null | sed 's/^/  /' || true
exit $status
