#!/usr/bin/env bash
# Unpacks Debian 12's Pd into folders without installing it (tests/hosts/debian_packages.sh).
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

# Private apt lists in DIR (tests/hosts/debian_packages.sh, shared with the SuperCollider tests).
source "$(dirname "$0")/../hosts/debian_packages.sh"
debian_lists "$dir" "$arch"
suite=$debian_suite
unpack() { debian_unpack "$@"; }
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
