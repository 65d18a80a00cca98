#!/usr/bin/env bash
# Unpacks Debian 12's Pd into folders without installing it. The archive, release and keyring come from
# this machine's own apt sources (the deb822 file); apt works on private lists inside DIR.
#   fetch_pd.sh DIR          backports' Pd 0.55 for this machine, float (pd) and double precision (pd64),
#                            into DIR/root: DIR/root/usr/lib/puredata/bin/pd64 and .../pd run in place
#   fetch_pd.sh DIR ARCH     Pd for another processor (arm64, armhf), to run under qemu-user with -L ROOT:
#                            the main suite's Pd 0.53 into DIR/pd053, backports' 0.55 (pd, and pd64 where
#                            Debian builds it) into DIR/pd055, each with the libraries pd loads
# Does nothing when the programs are there already.
set -euo pipefail
dir=$(realpath -m "$1")
arch=${2:-}
bin=usr/lib/puredata/bin
if [ -z "$arch" ]; then
  [ -x "$dir/root/$bin/pd64" ] && [ -x "$dir/root/$bin/pd" ] && exit 0
else
  [ -x "$dir/pd053/$bin/pd" ] && [ -x "$dir/pd055/$bin/pd" ] && exit 0
fi

sources=/etc/apt/sources.list.d/debian.sources
# The first stanza whose suites include the release itself (not -updates or -security): its archive,
# release name and keyring.
read -r uri suite keyring < <(awk '
  /^URIs:/ {u=$2} /^Suites:/ {s=$2} /^Signed-By:/ {k=$2}
  /^$/ { if (u && s !~ /-/) { print u, s, k; exit } u=s=k="" }
  END { if (u && s !~ /-/) print u, s, k }' "$sources")
[ -n "${uri:-}" ] || { echo "no Debian archive found in $sources" >&2; exit 1; }

mkdir -p "$dir/apt/lists/partial" "$dir/apt/cache/archives/partial" "$dir/apt/parts" "$dir/debs"
printf 'Types: deb\nURIs: %s\nSuites: %s %s-backports\nComponents: main\nSigned-By: %s\n' \
  "$uri" "$suite" "$suite" "${keyring:-/usr/share/keyrings/debian-archive-keyring.gpg}" > "$dir/apt/parts/debian.sources"
apt_opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$dir/apt/parts"
  -o Dir::State::Lists="$dir/apt/lists" -o Dir::Cache="$dir/apt/cache" -o APT::Sandbox::User=root
  -o Debug::NoLocking=1)
[ -n "$arch" ] && apt_opts+=(-o APT::Architecture="$arch" -o APT::Architectures::="$arch")
source "$(dirname "$0")/../../.ci/packages.sh"
update_lists apt-get "${apt_opts[@]}"

# unpack ROOT PACKAGE...: downloads the packages (name/suite picks a suite) and unpacks them into ROOT.
unpack() {
  local root=$1; shift
  rm -rf "$dir/debs" && mkdir -p "$dir/debs"
  (cd "$dir/debs" && apt-get "${apt_opts[@]}" download "$@")
  for deb in "$dir"/debs/*.deb; do dpkg-deb -x "$deb" "$root"; done
}
if [ -z "$arch" ]; then
  unpack "$dir/root" "puredata64-core/$suite-backports" "puredata-core/$suite-backports"
else
  # What pd loads (its sound libraries too, though no device is opened), from the main suite.
  libs=(libasound2 libjack-jackd2-0 libportaudio2 libdb5.3 libstdc++6 libgcc-s1 libc6)
  unpack "$dir/pd053" "puredata-core/$suite" "${libs[@]}"
  pd055=("puredata-core/$suite-backports")
  apt-cache "${apt_opts[@]}" show puredata64-core >/dev/null 2>&1 &&
    pd055+=("puredata64-core/$suite-backports")
  unpack "$dir/pd055" "${pd055[@]}" "${libs[@]}"
fi
