#!/usr/bin/env bash
# Time of GetFileMd5 (tools/filemd5, under Wine) against md5sum on one file, and their ratio.
# Not a test: it prints figures. usage: bench/md5.sh [BUILD_DIR]
#   BUILD_DIR  the test build folder printed by tools/build.sh --tests (default build/x86_64)
#   SIZE_MIB   size of the file (default 256)
#   RUNS       timed runs of each command (default 10)
# The Wine figure includes starting the Wine process (about 0.1 s with a running wineserver).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/x86_64}
size_mib=${SIZE_MIB:-256}
runs=${RUNS:-10}
case "$build" in
  *x86_64*) loader=/usr/lib/wine/wine64 arch=win64 ;;
  *) loader=/usr/lib/wine/wine arch=win32 ;;
esac
wine_dir=$build/wine
exe=$build/tools/filemd5/filemd5.exe
cmake --build "$build" --target filemd5 >/dev/null
"$top/tools/wine-env.sh" start "$wine_dir" "$loader" "$arch" >/dev/null

out=$build/bench-md5
mkdir -p "$out"
file=$out/data.bin
[ -s "$file" ] && [ "$(stat -c %s "$file")" = $((size_mib << 20)) ] ||
  head -c $((size_mib << 20)) /dev/urandom >"$file"
win_file="Z:${file//\//\\}"
run="$top/tools/wine-run.sh $wine_dir $loader $exe"

expected=$(md5sum <"$file" | cut -d' ' -f1)
got=$($run "$win_file" | tr -d '\r')
if [ "$got" != "$expected" ]; then
  echo "digest differs: filemd5 $got, md5sum $expected" >&2
  exit 1
fi

hyperfine --style basic --warmup 2 --runs "$runs" --export-json "$out/times.json" \
  -n md5sum "md5sum '$file'" \
  -n GetFileMd5 "$run '$win_file'" >&2
python3 - "$out/times.json" "$size_mib" <<'PY'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
native, ours = results["md5sum"]["mean"], results["GetFileMd5"]["mean"]
mib = int(sys.argv[2])
print(f"md5sum      {native:.3f} s  ({mib / native:.0f} MiB/s)")
print(f"GetFileMd5  {ours:.3f} s  ({mib / ours:.0f} MiB/s, under Wine)")
print(f"ratio       {ours / native:.2f}x md5sum")
PY
