#!/bin/sh
# Builds the release package for the monitor's probe:
# dist/brindlemark-VERSION-windows.zip (VERSION as the sensor reports it)
# with
#   x86/, x64/   brindlemark.exe and brindlemark-profile.exe of each
#                architecture
#   demo/        the simulated SAP system for trying the sensor out: its
#                stand-in library per architecture (demo/x86/librfc32.dll,
#                demo/x64/librfc32.dll, when the project builds it), its
#                description SapSim.json and a profile and listing for it
#   INSTALL.txt  the installation text
# Text files get CR LF line ends; programs and libraries are stripped. The
# unstripped ones, for crash analysis, go into
# dist/brindlemark-VERSION-windows-debug.zip beside it. Prints the
# package's path.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-windows-tools.sh
version=$(sed -n 's/.*kVersion\[\] = "Vers \([0-9][0-9.]*\) .*/\1/p' src/run/run_endings.h)
if [ -z "$version" ]; then
  echo "the version was not found in src/run/run_endings.h (kVersion)" >&2
  exit 1
fi
sh scripts/build-windows.sh x86 --programs >&2
sh scripts/build-windows.sh x64 --programs >&2
mkdir -p dist
python3 scripts/make_windows_package.py --version "$version" \
  --x86 build-win32 --x64 build-win64 "dist/brindlemark-$version-windows.zip"
