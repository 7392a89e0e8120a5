#!/bin/sh
# Builds the sensor and runs every test: the unit tests and the end-to-end
# scenarios, once in a normal build through the classic RFC library, the
# product's libraries under clang's thread safety analysis, once with
# AddressSanitizer and UndefinedBehaviorSanitizer through the
# NetWeaver RFC library, then both for the 32-bit and the 64-bit Windows
# programs under Wine, and their release package.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)

cmake --preset linux
cmake --build --preset linux -j "$jobs"
ctest --preset linux -j "$jobs"

# The product's libraries once more with clang, whose thread safety
# analysis checks the locking against the annotations (src/base/mutex.h):
# a finding fails the build. Only the libraries, unoptimised: a minute or two.
cmake --preset clang-threads
cmake --build --preset clang-threads -j "$jobs"

# The sanitizer build puts the NetWeaver library's stand-in beside the
# sensor, so that the scenarios go through that library and its client.
cmake --preset asan-netweaver
cmake --build --preset asan-netweaver -j "$jobs"
ctest --preset asan-netweaver -j "$jobs"

# The Windows programs: cross-built with mingw-w64, tested under Wine.
sh scripts/test-windows.sh
