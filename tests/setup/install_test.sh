#!/usr/bin/env bash
# The install step against stand-ins for apt-get, dpkg and sudo on PATH: an update that fails (a mirror
# out of step), packages that cannot be installed, optional or not.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"

# apt-get: "update" fails the first $FAIL_UPDATES times; "install" fails if it names a package of $BROKEN
# (a dry run, -s, of one of them too). Every call is logged.
cat >"$work/bin/apt-get" <<'STANDIN'
#!/usr/bin/env bash
echo "apt-get $*" >>"$LOG"
if [[ " $* " == *" update "* ]]; then
  n=$(grep -c ' update ' "$LOG")
  if [ "$n" -le "$FAIL_UPDATES" ]; then
    echo "E: Failed to fetch http://mirror/Packages.xz  File has unexpected size. Mirror sync in progress?"
    exit 100
  fi
  exit 0
fi
for p in $BROKEN; do [[ " $* " == *" $p "* ]] && { echo "E: Unable to correct problems" >&2; exit 100; }; done
exit 0
STANDIN
printf '#!/bin/sh\ncase "$1" in -s) exit 1 ;; --print-foreign-architectures) echo i386 ;; esac\n' >"$work/bin/dpkg"
printf '#!/bin/sh\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin/"*

failures=0
# check NAME FAIL_UPDATES BROKEN EXPECTED_STATUS PATTERN...: runs install of three packages, one optional;
# the status and every pattern (grep -E over stderr and the call log) must match.
check() {
  local name=$1 fails=$2 broken=$3 want=$4 status
  shift 4
  : >"$work/log"
  (
    export PATH="$work/bin:$PATH" LOG="$work/log" FAIL_UPDATES=$fails BROKEN=$broken VIBREL_APT_PAUSE=0
    unset VIBREL_APT_UPDATED
    set -euo pipefail
    source "$here/../../.ci/packages.sh"
    install cmake wine32:i386 puredata-core
  ) 2>"$work/err"
  status=$?
  local ok=1 pattern
  [ "$status" = "$want" ] || ok=0
  for pattern in "$@"; do grep -qE -- "$pattern" "$work/err" "$work/log" || ok=0; done
  if [ $ok = 1 ]; then
    echo "ok   $name"
  else
    echo "FAIL $name (status $status, expected $want); stderr and calls:"
    sed 's/^/  /' "$work/err" "$work/log"
    failures=$((failures + 1))
  fi
}

check "a mirror out of step once: retried, no warning" 1 "" 0 '^apt-get install -y -qq --no-remove cmake wine32:i386 puredata-core$'
[ "$(grep -c update "$work/log")" = 2 ] && ! grep -q warning "$work/err" || { echo "FAIL retry count"; failures=$((failures + 1)); }
check "update fails every time: warned, the packages installed" 99 "" 0 \
  'warning: apt-get update failed 3 times' 'Mirror sync in progress' '^apt-get install -y -qq --no-remove cmake wine32:i386 puredata-core$'
check "the 32-bit Wine runtime cannot be installed: left out, warned" 99 "wine32:i386" 0 \
  'warning: cannot install wine32:i386 \(optional\)' '^apt-get install -y -qq --no-remove cmake puredata-core$'
check "a needed package cannot be installed: named, stops" 99 "puredata-core wine32:i386" 1 \
  '^error: cannot install: puredata-core$'
[ "$(grep -c '^error' "$work/err")" = 1 ] || { echo "FAIL one error line"; failures=$((failures + 1)); }
exit $((failures > 0))
