#!/bin/sh
# Runs a Windows program in the build tree's private Wine prefix.
# usage: wine-run.sh WINE_DIR LOADER program.exe [args...]
wine_dir=$1; loader=$2; shift 2
export WINEPREFIX="$wine_dir/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$wine_dir/display" ] && DISPLAY=$(cat "$wine_dir/display") && export DISPLAY
exec "$loader" "$@"
