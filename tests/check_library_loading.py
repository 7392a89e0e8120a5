#!/usr/bin/env python3
"""Checks which RFC library the built sensor loads, and its error 1010 texts.

Each check lays out a fresh scratch directory: the program in prog/, the
working directory work/ with the demo's profile and simulated system (its
journal tells which library answered: the classic stand-in journals
"RfcOpen", the NetWeaver stand-in "OpenDestination"), and a directory on
the system's search path (PATH under Wine, LD_LIBRARY_PATH on Linux).

  - a NetWeaver library beside the program wins over a classic one found
    only through the system's search;
  - a library that is there but cannot be loaded (the other architecture
    under Wine, no library at all on Linux) gives
    "Error 1010: RFC-Library NAME could not be loaded ! - REASON";
  - a library planted in the working directory is never loaded;
  - with --decorated, a 32-bit classic library that exports its functions
    only under their stdcall names "_Name@N" is used all the same.

  check_library_loading.py --sensor PROGRAM --classic LIB --netweaver LIB
      [--other-classic LIB] [--decorated LIB] [--windows --wineprefix PREFIX]

--classic and --netweaver are the stand-ins of the sensor's architecture,
--other-classic the classic stand-in of the other architecture (the wrong
one here; without it a file that is no library stands in).
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
DEMO = os.path.join(HERE, "..", "demo")


class Failure(Exception):
    pass


def names(windows):
    if windows:
        return "brindlemark.exe", "librfc32.dll", "sapnwrfc.dll"
    return "brindlemark", "librfccm.so", "libsapnwrfc.so"


def layout(root, sensor, windows):
    """prog/ with the sensor, work/ with the demo and a journal, path/."""
    program, _, _ = names(windows)
    for sub in ("prog", "work", "path"):
        os.makedirs(os.path.join(root, sub))
    shutil.copy(sensor, os.path.join(root, "prog", program))
    with open(os.path.join(DEMO, "SapSim.json")) as f:
        description = json.load(f)
    description["journal"] = "sapsim.log"
    with open(os.path.join(root, "work", "SapSim.json"), "w") as f:
        json.dump(description, f)
    shutil.copy(os.path.join(DEMO, "PRD.P00"), os.path.join(root, "work"))


def run(root, windows, wineprefix):
    program, _, _ = names(windows)
    env = dict(os.environ)
    path_dir = os.path.join(root, "path")
    if windows:
        env["WINEPREFIX"] = wineprefix
        # Wine adds WINEPATH (Windows paths) to the program's PATH.
        relative = os.path.relpath(path_dir, os.path.join(wineprefix, "drive_c"))
        env["WINEPATH"] = "C:\\" + relative.replace("/", "\\")
        command = ["wine", os.path.join(root, "prog", program), "PRD"]
    else:
        env["LD_LIBRARY_PATH"] = path_dir
        command = [os.path.join(root, "prog", program), "PRD"]
    result = subprocess.run(command, cwd=os.path.join(root, "work"), env=env,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=120)
    return result.returncode, result.stdout.decode("latin-1")


def journal_ops(root):
    try:
        with open(os.path.join(root, "work", "sapsim.log")) as f:
            return [json.loads(line)["op"] for line in f if line.strip()]
    except FileNotFoundError:
        return []


def check(args, scratch):
    windows = args.windows
    program, classic, netweaver = names(windows)
    build = args.sensor
    classic_file = args.classic
    netweaver_file = args.netweaver

    # Placement decides before kind.
    root = os.path.join(scratch, "placement")
    layout(root, build, windows)
    shutil.copy(netweaver_file, os.path.join(root, "prog", netweaver))
    shutil.copy(classic_file, os.path.join(root, "path", classic))
    code, out = run(root, windows, args.wineprefix)
    ops = journal_ops(root)
    if code != 0 or "OpenDestination" not in ops or "RfcOpen" in ops:
        raise Failure("placement: exit %d, journal %s\n%s" % (code, ops, out))
    # Through the system's search when nothing lies beside the program.
    os.remove(os.path.join(root, "prog", netweaver))
    os.remove(os.path.join(root, "work", "sapsim.log"))
    code, out = run(root, windows, args.wineprefix)
    if code != 0 or "RfcOpen" not in journal_ops(root):
        raise Failure("system's search: exit %d\n%s" % (code, out))

    # There but not loadable.
    root = os.path.join(scratch, "unloadable")
    layout(root, build, windows)
    if args.other_classic:
        shutil.copy(args.other_classic, os.path.join(root, "prog", classic))
    else:
        with open(os.path.join(root, "prog", classic), "w") as f:
            f.write("no library\n")
    code, out = run(root, windows, args.wineprefix)
    lead = "<Text>Error 1010: RFC-Library %s could not be loaded ! - " % classic
    if code != 2 or lead not in out:
        raise Failure("unloadable: exit %d\n%s" % (code, out))

    # Planted in the working directory.
    root = os.path.join(scratch, "planted")
    layout(root, build, windows)
    shutil.copy(classic_file, os.path.join(root, "work", classic))
    shutil.copy(netweaver_file, os.path.join(root, "work", netweaver))
    code, out = run(root, windows, args.wineprefix)
    if code != 2 or "<Text>Error 1010: RFC-Library %s or %s not found !</Text>" % (
            classic, netweaver) not in out or journal_ops(root):
        raise Failure("planted in the working directory: exit %d\n%s" % (code, out))

    # Only decorated export names.
    if args.decorated:
        root = os.path.join(scratch, "decorated")
        layout(root, build, windows)
        shutil.copy(args.decorated, os.path.join(root, "prog", classic))
        code, out = run(root, windows, args.wineprefix)
        if code != 0 or "RfcOpen" not in journal_ops(root):
            raise Failure("decorated export names: exit %d\n%s" % (code, out))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--sensor", required=True)
    parser.add_argument("--classic", required=True)
    parser.add_argument("--netweaver", required=True)
    parser.add_argument("--other-classic")
    parser.add_argument("--decorated")
    parser.add_argument("--windows", action="store_true")
    parser.add_argument("--wineprefix")
    args = parser.parse_args()
    base = os.path.join(args.wineprefix, "drive_c") if args.windows else None
    scratch = tempfile.mkdtemp(prefix="brindlemark-loading-", dir=base)
    try:
        check(args, scratch)
    except (Failure, subprocess.TimeoutExpired) as e:
        print("FAIL library loading (%s): %s" % (args.sensor, e))
        return 1
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    print("PASS library loading (%s)" % args.sensor)
    return 0


if __name__ == "__main__":
    sys.exit(main())
