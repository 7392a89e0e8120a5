#!/bin/sh
# Builds the Windows programs with mingw-w64 (in build-win) and runs the
# tests under Wine: the unit tests through ctest, then the end-to-end
# scenarios. Each run starts from a fresh Wine prefix inside the build
# directory, so nothing of an earlier run or of the user's own ~/.wine
# plays a part.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-windows-tools.sh
jobs=$(nproc 2>/dev/null || echo 2)
build=build-win

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j "$jobs"

# A console-only Wine: no display, no debug output, and no offer to install
# Mono or Gecko (which would wait for an answer).
WINEPREFIX="$(pwd)/$build/wineprefix"
WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree,mshtml="
WINEARCH=win64
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES WINEARCH
unset DISPLAY WAYLAND_DISPLAY || true
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
echo "Creating the Wine prefix $WINEPREFIX"
# The prefix's server stays up for the whole run, and the background
# services that Wine starts (winedevice, svchost...) start here, in
# wineboot. Otherwise the first program of each test would start them; they
# would keep that test's output pipe open, and ctest would wait for them.
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
timeout 300 wineboot -i </dev/null >"$build/wineboot.log" 2>&1 || {
  cat "$build/wineboot.log"; exit 1; }

status=0
(cd "$build" && ctest --output-on-failure -j "$jobs" --timeout 300) || status=1

if [ -d tests/scenarios ]; then
  set -- tests/scenarios/*/
  if [ -e "$1" ]; then
    python3 tests/run_scenarios.py --windows --wineprefix "$WINEPREFIX" \
      --sensor "$(pwd)/$build/brindlemark.exe" "$@" || status=1
  fi
fi
# Last: the release package as an administrator gets it. Its programs run
# under Wine on the package's own sample files.
sh scripts/package-windows.sh >/dev/null
package_dir="$WINEPREFIX/drive_c/package-test"
rm -rf "$package_dir"
python3 -m zipfile -e dist/brindlemark-4.3-win64.zip "$package_dir"
python3 - "$package_dir" <<'PY' || status=1
import subprocess, sys, xml.dom.minidom
samples = sys.argv[1] + "/samples"
check = subprocess.run(["wine", "../brindlemark-profile.exe", "check", "PRD.P00"], cwd=samples,
                       stdout=subprocess.PIPE, timeout=120)
run = subprocess.run(["wine", "../brindlemark.exe", "PRD"], cwd=samples,
                     stdout=subprocess.PIPE, timeout=120)
ok = check.returncode == 0 and check.stdout == b"OK\r\n" and run.returncode == 0
try:
    document = xml.dom.minidom.parseString(run.stdout)
    ok = ok and document.getElementsByTagName("Result").length == 7
except Exception as e:
    print("package: output is not XML:", e)
    ok = False
print("release package under Wine: %s (profile check %r, sensor exit code %d)" %
      ("passed" if ok else "FAILED", check.stdout, run.returncode))
sys.exit(0 if ok else 1)
PY
exit $status
