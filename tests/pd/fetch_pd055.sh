#!/usr/bin/env bash
# Unpacks Debian 12 backports' Pd 0.55, double precision (pd64) and float (pd), into DIR/root without
# installing it: DIR/root/usr/lib/puredata/bin/pd64 and .../pd run in place. The archive and suite
# come from this machine's own apt sources (the deb822 file), with "-backports" added; apt works on
# private lists inside DIR.
# Usage: fetch_pd055.sh DIR   (prints the path of pd64; does nothing when it is already there)
set -euo pipefail
dir=$(realpath -m "$1")
pd64=$dir/root/usr/lib/puredata/bin/pd64
if [ -x "$pd64" ] && [ -x "${pd64%64}" ]; then echo "$pd64"; exit 0; fi

sources=/etc/apt/sources.list.d/debian.sources
# The first stanza whose suites include the release itself (not -updates or -security): its archive,
# release name and keyring.
read -r uri suite keyring < <(awk '
  /^URIs:/ {u=$2} /^Suites:/ {s=$2} /^Signed-By:/ {k=$2}
  /^$/ { if (u && s !~ /-/) { print u, s, k; exit } u=s=k="" }
  END { if (u && s !~ /-/) print u, s, k }' "$sources")
[ -n "${uri:-}" ] || { echo "no Debian archive found in $sources" >&2; exit 1; }

mkdir -p "$dir/apt/lists/partial" "$dir/apt/cache/archives/partial" "$dir/debs"
printf 'Types: deb\nURIs: %s\nSuites: %s-backports\nComponents: main\nSigned-By: %s\n' \
  "$uri" "$suite" "${keyring:-/usr/share/keyrings/debian-archive-keyring.gpg}" > "$dir/apt/backports.sources"
apt_opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$dir/apt/parts"
  -o Dir::State::Lists="$dir/apt/lists" -o Dir::Cache="$dir/apt/cache" -o APT::Sandbox::User=root
  -o Debug::NoLocking=1)
mkdir -p "$dir/apt/parts" && mv "$dir/apt/backports.sources" "$dir/apt/parts/"
apt-get "${apt_opts[@]}" update -qq
cd "$dir/debs"
apt-get "${apt_opts[@]}" download puredata64-core puredata-core
for deb in "$dir"/debs/*.deb; do dpkg-deb -x "$deb" "$dir/root"; done
echo "$pd64"
