#!/usr/bin/env bash
# Runs every harness of a fuzz build for a bounded time, starting from its seed corpus.
#   fuzz/run.sh [build folder]     (default build-fuzz; FUZZ_SECONDS per harness, default 30)
# New inputs go to <build>/corpus/<harness>/, faults to <build>/artifacts/. Prints each harness's
# executions per second and total executions, and fails when any harness found a fault.
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
seconds=${FUZZ_SECONDS:-30}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1:allocator_may_return_null=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0

mkdir -p "$build/artifacts"
passed=0
failed=0
for harness in "$build"/fuzz/fuzz_*; do
  name=$(basename "$harness")
  [ -x "$harness" ] && [ -f "fuzz/$name.cpp" ] || continue
  mkdir -p "$build/corpus/$name"
  log="$build/artifacts/$name.log"
  # -timeout: one input running longer is a hang; -malloc_limit_mb: one allocation larger is
  # unbounded; -rss_limit_mb: the process growing past it is a leak or an unbounded buffer.
  "$harness" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=256 \
    -print_final_stats=1 -artifact_prefix="$build/artifacts/$name-" \
    "$build/corpus/$name" "fuzz/corpus/$name" >"$log" 2>&1
  status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  if [ $status -eq 0 ]; then
    passed=$((passed + 1))
    printf '%-22s ok      %8s exec/s  %10s executions in %ss\n' "$name" "${rate:-?}" "${execs:-?}" "$seconds"
  else
    failed=$((failed + 1))
    printf '%-22s FAILED  (exit %s, log %s)\n' "$name" "$status" "$log"
    grep -E "ERROR|SUMMARY|check failed|Test unit written" "$log" | head -20
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ $failed -eq 0 ] && [ $passed -gt 0 ]
