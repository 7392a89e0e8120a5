#!/bin/sh
# Runs the measurements side by side under ThreadSanitizer: builds the
# sensor and the classic stand-in with -fsanitize=thread in build-tsan,
# then runs the unit tests of the side-by-side module and the driver, every
# item scenario (each side by side and one after another) and rounds of
# the differential check. A data race is reported on standard error,
# which fails the scenario or round that met it. Prints the figure at the
# end: scenarios and rounds run, and the races reported.
#
#   sh scripts/tsan.sh [ROUNDS]     (default 100 rounds)
set -eu
cd "$(dirname "$0")/.."
rounds=${1:-100}
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRINDLEMARK_STANDIN=classic \
  -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" >/dev/null
cmake --build build-tsan -j "$jobs" --target brindlemark brindlemark_tests sapsim_classic

# The process ends around threads with _exit, so a race is only seen as it
# is reported: on standard error, at once.
export TSAN_OPTIONS="halt_on_error=0 report_signal_unsafe=0"
log=build-tsan/tsan.log
: >"$log"
status=0
build-tsan/brindlemark_tests --gtest_filter='SideBySide*:RunDriver*' >>"$log" 2>&1 || status=1
python3 tests/run_scenarios.py --sensor "$PWD/build-tsan/brindlemark" \
  tests/scenarios/item-* >>"$log" 2>&1 || status=1
python3 tests/differential_check.py --sensor "$PWD/build-tsan/brindlemark" \
  --rounds "$rounds" >>"$log" 2>&1 || status=1
races=$(grep -c "WARNING: ThreadSanitizer" "$log" || true)
scenarios=$(grep -c "^PASS" "$log" || true)
failed=$(grep -c "^FAIL" "$log" || true)
echo "ThreadSanitizer: $scenarios item scenarios passed, $failed failed;" \
  "$(grep "rounds from seed" "$log" || echo "no differential rounds")" \
  "; $races race reports (log: $log)"
exit $status
