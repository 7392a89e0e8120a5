#!/bin/sh
# Fuzzes one target for a while: scripts/fuzz.sh TARGET [MINUTES] [--keep]
#
# Builds the libFuzzer programs with clang in build-fuzz (the sensor's code
# with the fuzzer's coverage, AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs TARGET (result_document, xml_text, number_text, stored_password,
# system_profile, sensor_directory, global_listing, command_line, trace_file,
# single_run) for MINUTES minutes (default 1) on one core, starting from
# fuzz/corpus/TARGET. New inputs go to build-fuzz/corpus/TARGET; with
# --keep they go into fuzz/corpus/TARGET instead (minimise them before
# committing: a handful of small files). A failing input is written to
# build-fuzz/crashes/TARGET/ and the script ends with libFuzzer's status.
set -eu
cd "$(dirname "$0")/.."
if [ $# -lt 1 ]; then
  echo "usage: scripts/fuzz.sh TARGET [MINUTES] [--keep]" >&2
  exit 2
fi
target=$1
minutes=${2:-1}
keep=${3:-}
build=build-fuzz
if [ ! -d "fuzz/corpus/$target" ]; then
  echo "no fuzz target $target (see fuzz/corpus/)" >&2
  exit 2
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBRINDLEMARK_FUZZ=ON -DBRINDLEMARK_TESTS=OFF
fi
cmake --build "$build" -j 2 --target "${target}_fuzzer"

scratch="$build/corpus/$target"
[ "$keep" = "--keep" ] && scratch="fuzz/corpus/$target"
mkdir -p "$scratch" "$build/crashes/$target"
# The first corpus directory takes the new inputs; the others are read.
exec "$build/${target}_fuzzer" -max_total_time=$((minutes * 60)) -print_final_stats=1 \
  -artifact_prefix="$build/crashes/$target/" "$scratch" "fuzz/corpus/$target"
