#!/bin/sh
# Builds the release package for the monitor's probe:
# dist/brindlemark-4.3-win64.zip with the two Windows programs, the sample
# files and the installation text (with CR LF line ends).
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-windows-tools.sh
build=build-win
# The toolchain is named only when the build directory is new.
if [ -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" >/dev/null
else
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target brindlemark brindlemark-profile
mkdir -p dist
python3 - "$build" dist/brindlemark-4.3-win64.zip <<'PY'
import sys, zipfile
build, target = sys.argv[1], sys.argv[2]
def crlf(path):
    with open(path, "rb") as f:
        return f.read().replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as z:
    z.write(build + "/brindlemark.exe", "brindlemark.exe")
    z.write(build + "/brindlemark-profile.exe", "brindlemark-profile.exe")
    z.writestr("INSTALL.txt", crlf("packaging/INSTALL.txt"))
    for name in ("PRD.P00", "Tessaron.Prf", "SapSim.json"):
        z.writestr("samples/" + name, crlf("demo/" + name))
print(target)
PY
