#!/usr/bin/env python3
"""Tests the Windows release package under Wine as an administrator gets it.

The package is unpacked into the Wine prefix's C: drive. Per architecture
the programs and the demo's files are copied into a scratch directory of
their own, as INSTALL.txt tells, and there
  - the profile tool checks the demo's profile: "OK", exit code 0;
  - the sensor measures the simulated system: a document with the seven
    channels, exit code 0;
  - without the stand-in library the sensor prints the document of
    error 1010 (the RFC library not found), exit code 2.
The last check needs the stand-in in the package; --require-standin makes
a package without it a failure instead of a skipped check.

Before that: the package's programs and libraries carry no debug sections,
and the debug archive beside it (NAME-debug.zip) holds each of them
unstripped under the same path.
"""

import argparse
import os
import shutil
import subprocess
import sys
import xml.dom.minidom
import zipfile

ARCHS = ("x86", "x64")
PROGRAMS = ("brindlemark.exe", "brindlemark-profile.exe")
DEMO_FILES = ("demo/README.txt", "demo/SapSim.json", "demo/PRD.P00", "demo/Tessaron.Prf")
STANDINS = ("librfc32.dll", "sapnwrfc.dll")
NOT_FOUND = b"Error 1010: RFC-Library librfc32.dll or sapnwrfc.dll not found !"
OBJDUMP = "x86_64-w64-mingw32-objdump"  # reads both PE formats


class Failure(Exception):
    pass


def check_layout(names):
    """The package's files: the programs per architecture, stand-ins only below demo/."""
    expected = {"INSTALL.txt"} | set(DEMO_FILES)
    expected |= {"%s/%s" % (arch, name) for arch in ARCHS for name in PROGRAMS}
    standins = {"demo/%s/%s" % (arch, name) for arch in ARCHS for name in STANDINS}
    unexpected = sorted(set(names) - expected - standins)
    missing = sorted(expected - set(names))
    if unexpected or missing:
        raise Failure("package layout: unexpected %s, missing %s" % (unexpected, missing))


def debug_sections(path):
    dump = subprocess.run([OBJDUMP, "-h", path], stdout=subprocess.PIPE, check=True).stdout
    return [line.split()[1] for line in dump.decode("latin-1").splitlines()
            if len(line.split()) > 1 and line.split()[1].startswith(".debug")]


def check_stripped(package, unpacked, binaries):
    """Stripped binaries in the package, unstripped ones in the debug archive."""
    for name in binaries:
        sections = debug_sections(os.path.join(unpacked, name))
        if sections:
            raise Failure("%s carries debug sections %s" % (name, sections))
    root, extension = os.path.splitext(package)
    debug = root + "-debug" + extension
    if not os.path.exists(debug):
        raise Failure("the debug archive %s is missing" % debug)
    with zipfile.ZipFile(debug) as z:
        missing = sorted(set(binaries) - set(z.namelist()))
        smaller = [name for name in binaries if name not in missing and
                   z.getinfo(name).file_size <= os.path.getsize(os.path.join(unpacked, name))]
    if missing or smaller:
        raise Failure("debug archive: missing %s, not larger than the shipped one %s" %
                      (missing, smaller))


def run(program, args, cwd):
    result = subprocess.run(["wine", os.path.join(cwd, program)] + args, cwd=cwd,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=120)
    return result.returncode, result.stdout


def document(output, what):
    try:
        return xml.dom.minidom.parseString(output)
    except Exception as e:  # expat's errors
        raise Failure("%s: output is not XML (%s):\n%s" % (what, e, output.decode("latin-1")))


def check_arch(unpacked, arch, scratch, require_standin):
    os.makedirs(scratch)
    for name in PROGRAMS:
        shutil.copy(os.path.join(unpacked, arch, name), scratch)
    for name in ("SapSim.json", "PRD.P00"):
        shutil.copy(os.path.join(unpacked, "demo", name), scratch)
    standin = os.path.join(unpacked, "demo", arch, "librfc32.dll")
    has_standin = os.path.exists(standin)
    if has_standin:
        shutil.copy(standin, scratch)
    elif require_standin:
        raise Failure("%s: demo/%s/librfc32.dll is missing" % (arch, arch))

    code, output = run("brindlemark-profile.exe", ["check", "PRD.P00"], scratch)
    if code != 0 or output != b"OK\r\n":
        raise Failure("%s: profile check gave exit code %d, %r" % (arch, code, output))
    code, output = run("brindlemark.exe", ["PRD"], scratch)
    channels = document(output, arch + " sensor").getElementsByTagName("Result").length
    if code != 0 or channels != 7:
        raise Failure("%s: sensor gave exit code %d and %d channels:\n%s" %
                      (arch, code, channels, output.decode("latin-1")))
    if not has_standin:
        return "%s passed (without a stand-in library in the package: " \
               "the check without it skipped)" % arch
    os.remove(os.path.join(scratch, "librfc32.dll"))
    # Without the classic library the sensor takes the NetWeaver library.
    netweaver = os.path.join(unpacked, "demo", arch, "sapnwrfc.dll")
    if os.path.exists(netweaver):
        shutil.copy(netweaver, scratch)
        code, output = run("brindlemark.exe", ["PRD"], scratch)
        channels = document(output, arch + " sensor").getElementsByTagName("Result").length
        if code != 0 or channels != 7:
            raise Failure("%s: through sapnwrfc.dll exit code %d and %d channels:\n%s" %
                          (arch, code, channels, output.decode("latin-1")))
        os.remove(os.path.join(scratch, "sapnwrfc.dll"))
    elif require_standin:
        raise Failure("%s: demo/%s/sapnwrfc.dll is missing" % (arch, arch))
    code, output = run("brindlemark.exe", ["PRD"], scratch)
    document(output, arch + " sensor without the stand-ins")
    if code != 2 or NOT_FOUND not in output:
        raise Failure("%s: without a library exit code %d, expected 2 and %r:\n%s" %
                      (arch, code, NOT_FOUND, output.decode("latin-1")))
    return "%s passed" % arch


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--wineprefix", required=True)
    parser.add_argument("--require-standin", action="store_true")
    parser.add_argument("--arch", action="append", choices=ARCHS,
                        help="run only this architecture's programs (again for more); "
                             "default: both")
    parser.add_argument("package")
    args = parser.parse_args()
    base = os.path.join(args.wineprefix, "drive_c", "package-test")
    shutil.rmtree(base, ignore_errors=True)
    unpacked = os.path.join(base, "unpacked")
    try:
        with zipfile.ZipFile(args.package) as z:
            check_layout(z.namelist())
            install = z.read("INSTALL.txt")
            if b"@VERSION@" in install or install.count(b"\n") != install.count(b"\r\n"):
                raise Failure("INSTALL.txt: version not filled in or not CR LF")
            z.extractall(unpacked)
            binaries = [name for name in z.namelist() if name.endswith((".exe", ".dll"))]
        check_stripped(args.package, unpacked, binaries)
    except (Failure, subprocess.CalledProcessError) as e:
        print("release package: FAILED: %s" % e)
        return 1
    status = 0
    for arch in args.arch or ARCHS:
        try:
            print("release package under Wine: " +
                  check_arch(unpacked, arch, os.path.join(base, arch), args.require_standin))
        except (Failure, subprocess.TimeoutExpired) as e:
            print("release package under Wine: FAILED: %s" % e)
            status = 1
    return status


if __name__ == "__main__":
    sys.exit(main())
