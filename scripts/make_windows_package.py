#!/usr/bin/env python3
"""Writes the Windows release package from the two cross builds.

Every program and library is checked first: it must be built for its
folder's architecture and import nothing but Windows' own DLLs. A mingw
runtime DLL (libstdc++, libgcc, libwinpthread) would be missing on the
probe, and the programs must load the RFC library at run time, never
through their import table: only then does a missing library give the
sensor's own error document instead of the Windows loader's message box.

The package holds the binaries stripped of their symbols and debug
sections; the unstripped ones go, under the same paths, into a debug
archive beside it (NAME-debug.zip for NAME.zip), for the analysis of a
crash of the shipped build.
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile
import zipfile

# Machine names as objdump reports them, per package folder.
FORMATS = {"x86": "pei-i386", "x64": "pei-x86-64"}
PROGRAMS = ("brindlemark.exe", "brindlemark-profile.exe")
# The simulated SAP system's stand-ins for the RFC libraries.
STANDINS = ("librfc32.dll", "sapnwrfc.dll")
DEMO_FILES = ("SapSim.json", "PRD.P00", "Tessaron.Prf")
OBJDUMP = "x86_64-w64-mingw32-objdump"  # reads both PE formats
STRIP = {"x86": "i686-w64-mingw32-strip", "x64": "x86_64-w64-mingw32-strip"}


def crlf(path, version=None):
    with open(path, "rb") as f:
        data = f.read()
    if version is not None:
        data = data.replace(b"@VERSION@", version.encode())
    return data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")


def check_binary(path, arch):
    """Returns what is wrong with a program or library, or None."""
    dump = subprocess.run([OBJDUMP, "-p", path], stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, check=False).stdout.decode("latin-1")
    match = re.search(r"file format (\S+)", dump)
    if not match or match.group(1) != FORMATS[arch]:
        return "%s is %s, not %s" % (path, match.group(1) if match else "no PE file", FORMATS[arch])
    for name in re.findall(r"DLL Name: (\S+)", dump):
        lower = name.lower()
        if lower.startswith("lib") or lower in STANDINS:
            return "%s imports %s, which Windows does not have" % (path, name)
    return None


def debug_archive_name(target):
    """dist/brindlemark-4.3-windows.zip -> dist/brindlemark-4.3-windows-debug.zip"""
    root, extension = os.path.splitext(target)
    return root + "-debug" + extension


def stripped(path, arch, directory):
    """A copy of |path| without symbols and debug sections, in |directory|."""
    out = os.path.join(directory, arch + "-" + os.path.basename(path))
    subprocess.run([STRIP[arch], "--strip-all", "-o", out, path], check=True)
    return out


def write_zip(target, write):
    """Writes the zip |target| through |write| as a whole or not at all."""
    temporary = target + ".part"
    with zipfile.ZipFile(temporary, "w", zipfile.ZIP_DEFLATED) as z:
        write(z)
    os.replace(temporary, target)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--version", required=True)
    parser.add_argument("--x86", required=True, help="build directory of the x86 programs")
    parser.add_argument("--x64", required=True, help="build directory of the x64 programs")
    parser.add_argument("target", help="the zip file to write")
    args = parser.parse_args()
    builds = {"x86": args.x86, "x64": args.x64}

    entries = []  # (path in the package, file)
    for arch, build in builds.items():
        for name in PROGRAMS:
            entries.append(("%s/%s" % (arch, name), os.path.join(build, name)))
        for name in STANDINS:
            # The stand-in that is not the sensor's own lies in a folder
            # of its own (see BRINDLEMARK_STANDIN).
            for folder in ("", "standin-netweaver", "standin-classic"):
                path = os.path.join(build, folder, name)
                if os.path.exists(path):
                    entries.append(("demo/%s/%s" % (arch, name), path))
                    break
    if not any(path.startswith("demo/") for path, _ in entries):
        print("note: no stand-in library was built, demo/ holds none", file=sys.stderr)
    faults = [fault for package_path, path in entries
              if (fault := check_binary(path, package_path.split("/")[-2])) is not None]
    if faults:
        print("\n".join(faults), file=sys.stderr)
        return 1

    def write_package(z):
        z.writestr("INSTALL.txt", crlf("packaging/INSTALL.txt", args.version))
        for package_path, path in shipped:
            z.write(path, package_path)
        z.writestr("demo/README.txt", crlf("packaging/demo-README.txt", args.version))
        for name in DEMO_FILES:
            z.writestr("demo/" + name, crlf("demo/" + name))

    def write_debug(z):
        for package_path, path in entries:
            z.write(path, package_path)

    with tempfile.TemporaryDirectory() as directory:
        shipped = [(package_path, stripped(path, package_path.split("/")[-2], directory))
                   for package_path, path in entries]
        # The debug archive first: a package never stands without it.
        write_zip(debug_archive_name(args.target), write_debug)
        write_zip(args.target, write_package)
    print(args.target)
    return 0


if __name__ == "__main__":
    sys.exit(main())
