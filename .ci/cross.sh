#!/usr/bin/env bash
# Builds the cross targets: the Windows x86-64 and x86 plug-ins (both variants) with the Windows test
# host, the two macOS slices joined into universal bundles (build/macos), and the Linux aarch64 and armv7
# builds that the main Linux build's cross tests run under qemu (their own test programs run here too); each
# but Windows x86 with its Pd externals (the macOS ones joined into universal files, build/macos/pd). Makes
# the Wine prefix the cross tests run in. The Linux build's target vibrel_package then gathers the host
# package folder (it draws the icon with the Linux build's vibrel-render), vibrel_pd_library the Pd one.
# Idempotent: a second run rebuilds only what changed and keeps the prefix.
# Environment: VIBREL_JOBS (default 2), VIBREL_WINEPREFIX (default build/wine-prefix).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${VIBREL_JOBS:-2}
# The plug-ins' build time is the last commit's (cmake/build_stamp.cmake): two builds of one commit, the
# same bytes. A tree that is not a git checkout keeps the compilers' clock.
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && epoch=$(git -C "$root" log -1 --format=%ct 2>/dev/null); then
  export SOURCE_DATE_EPOCH=$epoch
fi
prefix=${VIBREL_WINEPREFIX:-$root/build/wine-prefix}

for preset in win64 win32 macos-x86_64 macos-arm64 aarch64 armv7; do
  # Exact arithmetic whatever a demonstration left in the cache (cmake/exact_math.cmake).
  options=(-DVIBREL_FP_CONTRACT=off)
  case "$preset" in win*) options+=(-DVIBREL_WINDOWS_TEST_HOST=ON) ;; esac
  echo "== $preset"
  cmake --preset "$preset" "${options[@]}" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

echo "== macOS universal bundles, Pd externals and SuperCollider plug-in"
cmake -DVIBREL_CROSS_ROOT="$root/build" -P cmake/macos/universal.cmake

for preset in aarch64 armv7; do
  echo "== $preset test programs under qemu"
  ctest --preset "$preset" -j "$jobs"
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
