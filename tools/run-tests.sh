#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup-debian.sh"
dir=$("$top/tools/build.sh" --tests | tail -n 1)
cd "$dir"
ctest --output-on-failure -j 2
