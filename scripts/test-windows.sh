#!/bin/sh
# Builds the Windows programs of both architectures with mingw-w64 (x86 in
# build-win32, x64 in build-win64) and tests them under Wine: per
# architecture the unit tests through ctest and the end-to-end scenarios,
# then the release package of both. All of it runs in one fresh 64-bit
# Wine prefix (build-wine/prefix), which runs the 32-bit programs too; so
# nothing of an earlier run or of the user's own ~/.wine plays a part.
# Prints how long each step took.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-windows-tools.sh
jobs=$(nproc 2>/dev/null || echo 2)
# Each step's time: wall clock and the processor time (user and system) of
# the programs it ran, as the shell's "times" counts them, which says more
# on a machine that others share. Wine's server is not counted.
mkdir -p build-wine
read_cpu() {
  times >build-wine/times.txt
  cpu=$(awk 'NR == 2 { s = 0; for (i = 1; i <= 2; i++) { split($i, t, "m");
    s += t[1] * 60 + t[2] } printf "%d", s }' build-wine/times.txt)
}
started=$(date +%s)
mark=$started
read_cpu
cpu_mark=$cpu
took() {
  now=$(date +%s)
  read_cpu
  echo "== $1: $((now - mark)) s (processor $((cpu - cpu_mark)) s)"
  mark=$now
  cpu_mark=$cpu
}

# Whether this machine runs 32-bit x86 programs at all: some virtual
# machines and sandboxes run only 64-bit ones, and then Wine's 32-bit
# loader cannot even start ("Exec format error"), and with it neither the
# 32-bit programs nor Debian's "wine" front end, which prefers that
# loader whenever wine32 is installed. Such a machine still builds both
# architectures, tests the 64-bit programs through the 64-bit loader, and
# says plainly that the 32-bit ones were not run.
archs="x86 x64"
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  archs="x64"
  shims="$(pwd)/build-wine/wine64-only"
  mkdir -p "$shims"
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$shims/$name"
    chmod +x "$shims/$name"
  done
  PATH="$shims:$PATH"
  WINELOADER=/usr/lib/wine/wine64
  export PATH WINELOADER
  echo "== This machine does not run 32-bit x86 programs: the x86 build is built but" \
    "not run; the x64 programs run through Wine's 64-bit loader"
fi

sh scripts/build-windows.sh x86
took "x86 build (build-win32)"
sh scripts/build-windows.sh x64
took "x64 build (build-win64)"

# A console-only Wine: no display, no debug output, and no offer to install
# Mono or Gecko (which would wait for an answer).
WINEPREFIX="$(pwd)/build-wine/prefix"
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
timeout 300 wineboot -i </dev/null >build-wine/wineboot.log 2>&1 || {
  cat build-wine/wineboot.log; exit 1; }
took "Wine prefix"

status=0
for arch in $archs; do
  build=build-win64
  [ "$arch" = x86 ] && build=build-win32
  (cd "$build" && ctest --output-on-failure -j "$jobs" --timeout 300) || status=1
  took "$build: unit tests under Wine"
  # The scenarios run one after another: some place files on the prefix's
  # C: drive (the path file, the standard directories), where every
  # other case would find them.
  python3 tests/run_scenarios.py --windows --wineprefix "$WINEPREFIX" \
    --sensor "$(pwd)/$build/brindlemark.exe" tests/scenarios/*/ || status=1
  took "$build: scenarios under Wine"
  # Again through the NetWeaver library: a copy of the sensor beside its
  # stand-in, with no classic library there.
  cp "$build/brindlemark.exe" "$build/standin-netweaver/"
  python3 tests/run_scenarios.py --windows --wineprefix "$WINEPREFIX" --library netweaver \
    --sensor "$(pwd)/$build/standin-netweaver/brindlemark.exe" tests/scenarios/*/ || status=1
  took "$build: scenarios under Wine through the NetWeaver library"
  # The profile tool's set-up test, beside each stand-in library.
  python3 tests/run_scenarios.py --windows --wineprefix "$WINEPREFIX" \
    --sensor "$(pwd)/$build/brindlemark-profile.exe" --beside "$build/librfc32.dll" \
    tests/tool-scenarios/*/ || status=1
  python3 tests/run_scenarios.py --windows --wineprefix "$WINEPREFIX" --library netweaver \
    --sensor "$(pwd)/$build/brindlemark-profile.exe" \
    --beside "$build/standin-netweaver/sapnwrfc.dll" tests/tool-scenarios/*/ || status=1
  took "$build: set-up test scenarios under Wine"
  # Which library is loaded from where; the other build's librfc32.dll is
  # of the wrong architecture here.
  # The 32-bit build also has a stand-in with only stdcall export names.
  other=build-win64 decorated="--decorated $build/standin-decorated/librfc32.dll"
  [ "$build" = build-win64 ] && other=build-win32 decorated=""
  # shellcheck disable=SC2086
  python3 tests/check_library_loading.py --windows --wineprefix "$WINEPREFIX" \
    --sensor "$build/brindlemark.exe" --classic "$build/librfc32.dll" \
    --netweaver "$build/standin-netweaver/sapnwrfc.dll" \
    --other-classic "$other/librfc32.dll" $decorated || status=1
  took "$build: library loading under Wine"
done

# Last: the release package as an administrator gets it, both
# architectures. The check without the stand-in library needs the stand-in
# (librfc32.dll of target sapsim_classic); from the moment the project
# builds it, it is required.
if output=$(sh scripts/package-windows.sh); then
  package=$(printf '%s\n' "$output" | tail -n 1)
  require=""
  if [ -f build-win32/librfc32.dll ] || [ -f build-win64/librfc32.dll ]; then
    require="--require-standin"
  fi
  archs_run=""
  for arch in $archs; do archs_run="$archs_run --arch $arch"; done
  # shellcheck disable=SC2086
  python3 scripts/check_windows_package.py --wineprefix "$WINEPREFIX" $require $archs_run \
    "$package" ||
    status=1
else
  package="(not built)"
  status=1
fi
took "release package $package"
read_cpu
echo "== Windows tests together: $(( $(date +%s) - started )) s (processor $cpu s)"
exit $status
