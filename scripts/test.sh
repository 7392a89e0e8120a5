#!/bin/sh
# Builds the sensor and runs every test: the unit tests and the end-to-end
# scenarios, once in a normal build through the classic RFC library and
# once with AddressSanitizer and UndefinedBehaviorSanitizer through the
# NetWeaver RFC library, then both for the 32-bit and the 64-bit Windows
# programs under Wine, and their release package.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")

# The sanitizer build puts the NetWeaver library's stand-in beside the
# sensor, so that the scenarios go through that library and its adapter.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DBRINDLEMARK_STANDIN=netweaver \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
cmake --build build-asan -j "$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$jobs")

# The Windows programs: cross-built with mingw-w64, tested under Wine.
sh scripts/test-windows.sh
