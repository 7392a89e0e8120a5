#!/bin/sh
# Cross-builds the Windows programs of one architecture with mingw-w64:
#
#   sh scripts/build-windows.sh x86|x64 [--programs]
#
# x86 builds in build-win32 (i686, for the 32-bit librfc32.dll of SAP GUI
# and the classic RFC SDK), x64 in build-win64 (x86-64). Without
# --programs everything is built, the unit tests too; with it only what
# the release package holds: the sensor, the profile tool and the
# simulated SAP system's stand-in libraries.
#
# The stand-in libraries are built whenever the project defines their
# targets, and must then be there afterwards: librfc32.dll of target
# sapsim_classic beside the programs, sapnwrfc.dll of sapsim_netweaver in
# standin-netweaver/, where the sensor does not find it.
set -eu
cd "$(dirname "$0")/.."
case "${1:-}" in
  x86) build=build-win32 toolchain=cmake/mingw-w64-i686.cmake ;;
  x64) build=build-win64 toolchain=cmake/mingw-w64-x86_64.cmake ;;
  *) echo "usage: sh scripts/build-windows.sh x86|x64 [--programs]" >&2; exit 2 ;;
esac
programs_only=no
[ "${2:-}" = "--programs" ] && programs_only=yes
jobs=$(nproc 2>/dev/null || echo 2)

# The toolchain is named only when the build directory is new.
if [ -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" >/dev/null
else
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
fi

# Stand-in targets that this project defines, as "target:file" pairs.
standins=""
for pair in sapsim_classic:librfc32.dll sapsim_netweaver:standin-netweaver/sapnwrfc.dll; do
  if grep -q "/${pair%%:*}\.dir\$" "$build/CMakeFiles/TargetDirectories.txt"; then
    standins="$standins $pair"
  fi
done

if [ "$programs_only" = yes ]; then
  targets="brindlemark brindlemark-profile"
  for pair in $standins; do targets="$targets ${pair%%:*}"; done
  # shellcheck disable=SC2086
  cmake --build "$build" -j "$jobs" --target $targets
else
  cmake --build "$build" -j "$jobs"
fi

for pair in $standins; do
  if [ ! -f "$build/${pair#*:}" ]; then
    echo "$build/${pair#*:} is missing: target ${pair%%:*} must put it there" >&2
    exit 1
  fi
done
