# Debian 12's packages unpacked into folders without installing them, for the float hosts' tests (Pd and
# SuperCollider on this machine and, under qemu-user, on others). Sourced: debian_lists DIR [ARCH] makes
# apt work on private lists inside DIR (this machine's archive, release and keyring from its own apt
# sources, the deb822 file, plus backports; ARCH another processor's); debian_unpack ROOT PACKAGE...
# downloads the packages (name/suite picks a suite) and unpacks them into ROOT.

debian_lists() {
  debian_dir=$1
  local arch=${2:-} sources=/etc/apt/sources.list.d/debian.sources uri suite keyring
  # The first stanza whose suites include the release itself (not -updates or -security): its archive,
  # release name and keyring.
  read -r uri suite keyring < <(awk '
    /^URIs:/ {u=$2} /^Suites:/ {s=$2} /^Signed-By:/ {k=$2}
    /^$/ { if (u && s !~ /-/) { print u, s, k; exit } u=s=k="" }
    END { if (u && s !~ /-/) print u, s, k }' "$sources")
  [ -n "${uri:-}" ] || { echo "no Debian archive found in $sources" >&2; return 1; }
  debian_suite=$suite
  mkdir -p "$debian_dir/apt/lists/partial" "$debian_dir/apt/cache/archives/partial" "$debian_dir/apt/parts"
  printf 'Types: deb\nURIs: %s\nSuites: %s %s-backports\nComponents: main\nSigned-By: %s\n' \
    "$uri" "$suite" "$suite" "${keyring:-/usr/share/keyrings/debian-archive-keyring.gpg}" \
    > "$debian_dir/apt/parts/debian.sources"
  apt_opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$debian_dir/apt/parts"
    -o Dir::State::Lists="$debian_dir/apt/lists" -o Dir::Cache="$debian_dir/apt/cache" -o APT::Sandbox::User=root
    -o Debug::NoLocking=1)
  [ -n "$arch" ] && apt_opts+=(-o APT::Architecture="$arch" -o APT::Architectures::="$arch")
  source "$(dirname "${BASH_SOURCE[0]}")/../../.ci/packages.sh"
  update_lists apt-get "${apt_opts[@]}"
}

debian_unpack() {
  local root=$1 deb; shift
  rm -rf "$debian_dir/debs" && mkdir -p "$debian_dir/debs"
  (cd "$debian_dir/debs" && apt-get "${apt_opts[@]}" download "$@")
  for deb in "$debian_dir"/debs/*.deb; do dpkg-deb -x "$deb" "$root"; done
}
