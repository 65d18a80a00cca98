# The install step, sourced by ./dev, .ci/run and the scripts that keep private package lists: an apt-get
# update that survives a mirror out of step, and an install that names what it could not install.
# Environment: VIBREL_APT_TRIES (default 3), VIBREL_APT_PAUSE (seconds between tries, default 10).

# Packages the suite can do without: a test that needs one reports itself skipped, with the reason. The
# 32-bit Wine runtime's i386 libraries must match the amd64 security versions exactly, so a security
# index out of step leaves it uninstallable while everything else installs.
optional_packages=(wine32:i386)

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

# update_lists COMMAND...: runs "COMMAND update -qq" (COMMAND an apt-get with its options), retried with a
# pause. Lists that still fail are reported and left out: apt keeps those that did download, and the
# caller goes on with them (a package they cannot provide is then named by install).
update_lists() {
  local tries=${VIBREL_APT_TRIES:-3} pause=${VIBREL_APT_PAUSE:-10} try log
  log=$(mktemp)
  for ((try = 1; try <= tries; try++)); do
    if "$@" update -qq >"$log" 2>&1; then
      rm -f "$log"
      return 0
    fi
    if ((try < tries)); then sleep "$pause"; fi
  done
  echo "warning: apt-get update failed $tries times; going on with the package lists that did download:" >&2
  { grep -E '^(E|W|Err):' "$log" || cat "$log"; } | sed 's/^/  /' >&2
  rm -f "$log"
}

# apt_update: the system's package lists.
apt_update() { update_lists as_root apt-get; }

# install PACKAGE...: installs those not installed yet. A package apt cannot install (or only by removing
# another) is named in one line: an optional one is left out with a warning, any other stops the caller
# (status 1).
install() {
  local missing=() p
  for p in "$@"; do dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p"); done
  [ ${#missing[@]} -eq 0 ] && return 0
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
    ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
    unset VIBREL_APT_UPDATED # the new architecture's lists
  fi
  if [ -z "${VIBREL_APT_UPDATED:-}" ]; then
    apt_update
    export VIBREL_APT_UPDATED=1
  fi
  # Never by removing a package: on a developer's machine that could be anything of theirs.
  local apt_install=(env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-remove)
  as_root "${apt_install[@]}" "${missing[@]}" && return 0

  # One package apt cannot resolve fails the whole transaction: find which, by a dry run of each.
  local rest=() fatal=() left_out=()
  for p in "${missing[@]}"; do
    if as_root apt-get install -s -qq --no-remove "$p" >/dev/null 2>&1; then
      rest+=("$p")
    elif printf '%s\n' "${optional_packages[@]}" | grep -qxF "$p"; then
      left_out+=("$p")
    else
      fatal+=("$p")
    fi
  done
  if [ ${#fatal[@]} -gt 0 ] || [ ${#left_out[@]} -eq 0 ]; then
    # With every package resolvable, the install itself failed (a download, a package's scripts).
    echo "error: cannot install: ${fatal[*]:-${missing[*]}}" >&2
    return 1
  fi
  echo "warning: cannot install ${left_out[*]} (optional): the tests that need it will be reported as skipped" >&2
  [ ${#rest[@]} -eq 0 ] || as_root "${apt_install[@]}" "${rest[@]}"
}
