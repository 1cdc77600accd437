#!/usr/bin/env bash
# Installs what building and testing need on Debian 12; installs only what is missing.
set -euo pipefail
# wine64 and the x86_64 compilers serve machines that cannot run 32-bit x86 code.
pkgs=(cmake ninja-build python3 g++-mingw-w64-i686-posix binutils-mingw-w64-i686
      g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
      librapidxml-dev libstb-dev libz-mingw-w64-dev googletest
      wine wine32:i386 wine64 xvfb x11-utils xdotool imagemagick fonts-wqy-microhei
      nginx-light osslsigncode openssl hyperfine aria2 curl)
if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
  need_update=1
fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
