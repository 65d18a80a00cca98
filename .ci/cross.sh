#!/usr/bin/env bash
# Builds the Windows x86-64, Windows x86 and macOS x86-64 plug-ins (both variants) with the Windows test
# host and makes the Wine prefix the cross tests run in. The Linux build's target vibrel_package then
# gathers the host package folder (it draws the icon with the Linux build's vibrel-render).
# Idempotent: a second run rebuilds only what changed and keeps the prefix.
# Environment: VIBREL_JOBS (default 2), VIBREL_WINEPREFIX (default build/wine-prefix).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${VIBREL_JOBS:-2}
prefix=${VIBREL_WINEPREFIX:-$root/build/wine-prefix}

for preset in win64 win32 macos; do
  options=()
  if [ "$preset" != macos ]; then options=(-DVIBREL_WINDOWS_TEST_HOST=ON); fi
  echo "== $preset"
  cmake --preset "$preset" "${options[@]}" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

# A prefix made before wine32 was installed has no 32-bit side: CI starts from a fresh one.
if command -v wine >/dev/null; then
  if [ ! -f "$prefix/system.reg" ]; then
    echo "== Wine prefix $prefix"
    WINEPREFIX=$prefix WINEDEBUG=-all wineboot --init >/dev/null 2>&1
    WINEPREFIX=$prefix wineserver --wait
  fi
else
  echo "== Wine is not installed: the Windows builds will not be run" >&2
fi
