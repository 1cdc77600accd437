#!/usr/bin/env bash
# Configures and builds the product (32-bit) and, with --tests, the test build.
# The tests run in the 32-bit build under 32-bit Wine when this machine can run
# 32-bit x86 code; where it cannot (some virtual machines disable it), the same
# sources are built for 64-bit Windows and run under wine64.
# Prints the test build's folder on the last line. TARNIX_BUILD_DIR and
# TARNIX_CMAKE_ARGS (for example -DTARNIX_TEST_PORT_BASE=19000) adjust it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${TARNIX_BUILD_DIR:-$top/build}
with_tests=0
[ "${1:-}" = "--tests" ] && with_tests=1

can_run_32bit() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

configure() {  # dir toolchain [-DBUILD_TESTING=...]
  # shellcheck disable=SC2086
  cmake -S "$top" -B "$1" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$2" ${3:-} ${TARNIX_CMAKE_ARGS:-} >"$1.configure.log" 2>&1 \
    || { cat "$1.configure.log"; exit 1; }
}

# For the build that runs the tests and the demo: without --tests an existing build keeps
# its own choice, so both can share one folder without rebuilding each other's way.
testing_for() {
  if [ $with_tests = 1 ]; then echo -DBUILD_TESTING=ON
  elif [ ! -f "$1/CMakeCache.txt" ]; then echo -DBUILD_TESTING=OFF
  fi
}

mkdir -p "$build"
if can_run_32bit; then
  configure "$build/i686" mingw-i686.cmake "$(testing_for "$build/i686")"
  cmake --build "$build/i686" >&2
  echo "$build/i686"
else
  echo "note: this machine cannot execute 32-bit x86 code; the tests and the demo run the 64-bit build under wine64" >&2
  configure "$build/i686" mingw-i686.cmake -DBUILD_TESTING=OFF
  cmake --build "$build/i686" >&2
  configure "$build/x86_64" mingw-x86_64.cmake "$(testing_for "$build/x86_64")"
  cmake --build "$build/x86_64" >&2
  echo "$build/x86_64"
fi
