#!/usr/bin/env bash
# Unpacks Debian 12's scsynth for another processor into DIR/root without installing it, to run under
# qemu-user with -L DIR/root (tests/hosts/debian_packages.sh): the server, its own plug-ins and every
# library it loads (its sound libraries too, though the non-real-time mode opens no device).
#   fetch_scsynth.sh DIR ARCH      (ARCH: arm64, armhf)
# Does nothing when the server is there already.
set -euo pipefail
dir=$(realpath -m "$1")
[ -x "$dir/root/usr/bin/scsynth" ] && exit 0
source "$(dirname "$0")/../hosts/debian_packages.sh"
debian_lists "$dir" "$2"
debian_unpack "$dir/root" supercollider-server libscsynth1 libc6 libgcc-s1 libstdc++6 libjack-jackd2-0 \
  libavahi-client3 libavahi-common3 libdbus-1-3 libsystemd0 libcap2 libgcrypt20 libgpg-error0 liblz4-1 liblzma5 \
  libzstd1 libboost-filesystem1.74.0 libfftw3-single3 libsndfile1 libflac12 libogg0 libvorbis0a libvorbisenc2 \
  libopus0 libmpg123-0 libmp3lame0 libx11-6 libxcb1 libxau6 libxdmcp6 libbsd0 libmd0 libasound2 libdb5.3
