#!/usr/bin/env bash
# Hardening checks: a bounded libFuzzer run (fuzz preset, ASan + UBSan), the real-time safety check
# (hardening preset, no sanitizer), the clear race under ThreadSanitizer (tsan preset) and under
# ASan + UBSan (fuzz preset), and the emulator test suites under valgrind memcheck (memcheck preset). Exits non-zero on any failure and
# prints how long each step took.
# Environment: VIBREL_JOBS (default 2), VIBREL_FUZZ_SECONDS (default 60), VIBREL_RACE_SECONDS
# (seconds per perform routine and variant, default 2).
# apt packages: cmake g++ clang libclang-rt-14-dev lld libgtest-dev valgrind python3
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${VIBREL_JOBS:-2}
fuzz_seconds=${VIBREL_FUZZ_SECONDS:-60}
export VIBREL_RACE_SECONDS=${VIBREL_RACE_SECONDS:-2}

failed=()
summary=()

# step <name> <command...>: runs a step, records its time and whether it failed.
step() {
  local name=$1
  shift
  echo "== $name"
  local start=$SECONDS
  if "$@"; then
    summary+=("$(printf '%-28s %4ds  ok' "$name" $((SECONDS - start)))")
  else
    summary+=("$(printf '%-28s %4ds  FAILED' "$name" $((SECONDS - start)))")
    failed+=("$name")
  fi
}

build() { # build <preset> <targets...>
  local preset=$1
  shift
  cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j "$jobs" --target "$@"
}

# The fuzzer writes what it finds into build/fuzz/corpus; the stored seeds and every past crash are
# read (and so replayed) first. A crash leaves its input in build/fuzz/artifacts/.
fuzz() {
  local dir=build/fuzz
  mkdir -p "$dir/corpus" "$dir/artifacts"
  local log=$dir/fuzz.log
  ASAN_OPTIONS=quarantine_size_mb=64:detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$dir/tests/hardening/vibrel_fuzz" "$dir/corpus" tests/hardening/corpus tests/hardening/regressions \
    -max_total_time="$fuzz_seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$dir/artifacts/" >"$log" 2>&1
  local rc=$?
  grep -E '^#[0-9]+' "$log" | tail -n 1
  grep -E 'stat::number_of_executed_units|stat::new_units_added|stat::peak_rss_mb' "$log"
  if [ $rc -ne 0 ]; then
    grep -E -A 30 'ERROR|runtime error|vibrel fuzz:|Test unit written' "$log" | head -n 60
    echo "fuzzing failed (exit $rc); log: $log. Put the input into tests/hardening/regressions/." >&2
  fi
  return $rc
}

realtime() {
  local t
  for t in hardening_realtime_full hardening_realtime_lite; do
    build/hardening/tests/hardening/$t --gtest_brief=1 || return 1
  done
}

race() { # race <build dir>
  local t
  for t in hardening_race_full hardening_race_lite; do
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ASAN_OPTIONS=detect_leaks=1 \
      "$1/tests/hardening/$t" --gtest_brief=1 || return 1
  done
}

# Every executable of the emulator's test suites, and the replay of the fuzz inputs (no suppressions:
# nothing outside our code has needed one), built without the AVX routines (memcheck preset), which
# valgrind 3.19 cannot decode; the sanitizer runs cover them.
memcheck() {
  local t
  for t in tests/host/host_tests_full tests/host/host_tests_lite tests/host/emulator_tests \
    tests/hardening/hardening_replay; do
    echo "-- valgrind $t"
    valgrind --tool=memcheck --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect \
      -q "build/memcheck/$t" --gtest_brief=1 || return 1
  done
}

step "build fuzz" build fuzz vibrel_fuzz hardening_race_full hardening_race_lite
step "build tsan" build tsan hardening_race_full hardening_race_lite
step "build hardening" build hardening hardening_realtime_full hardening_realtime_lite
step "build memcheck" build memcheck hardening_replay host_tests_full host_tests_lite emulator_tests
step "fuzz ${fuzz_seconds}s" fuzz
step "real-time check" realtime
step "clear race (tsan)" race build/tsan
step "clear race (asan)" race build/fuzz
step "valgrind memcheck" memcheck

echo "== summary"
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -ne 0 ]; then
  echo "failed: ${failed[*]}" >&2
  exit 1
fi
