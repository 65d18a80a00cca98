#!/usr/bin/env bash
# Each help patch as a Pd user sees it: opened in Pd with its own window (Debian's puredata-gui) on a
# virtual 1366x768 screen (Xvfb), the screen saved by ImageMagick's import as OUT/<patch>.png.
#   help_screenshots.sh FOLDER OUT [PD]    FOLDER: the library folder; PD: the pd program (default: pd)
set -euo pipefail
dir=$(realpath "$1")
out=$(realpath -m "$2")
pd=${3:-pd}
for tool in Xvfb import "$pd"; do
  command -v "$tool" >/dev/null || { echo "$tool not found (Debian: xvfb, imagemagick, puredata): skipped" >&2; exit 77; }
done
mkdir -p "$out"
# A display of our own: Xvfb picks a free number and writes it to the descriptor given.
exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1366x768x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
read -r -t 10 number <&"$fd" || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$number"
status=0
for patch in "$dir"/*-help.pd; do
  name=$(basename "$patch" .pd)
  "$pd" -nosound -nomidi -noprefs -path "$dir" -open "$patch" >"$out/$name.log" 2>&1 &
  pid=$!
  sleep 5 # the GUI starts, then draws the patch
  import -window root "$out/$name.png" || status=1
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  if grep -q "couldn't create" "$out/$name.log"; then
    echo "$name: an object could not be created:" >&2
    cat "$out/$name.log" >&2
    status=1
  fi
  echo "$out/$name.png"
done
exit "$status"
