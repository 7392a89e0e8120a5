#!/usr/bin/env python3
"""Runs the sensor's end-to-end scenarios.

Each scenario is a folder below tests/scenarios:

  case.json   the runs to make, in order:
                {"runs": [{"args": ["PRD", "CLIENT=100"], "exit": 0,
                           "stdout": "stdout.txt", "xml": true}],
                 "unchanged": ["PRD.P00"],      # bytes and modification time
                 "absent": ["Dev_Rfc.Trc"]}     # files gone afterwards
              "xml" (default true) says that standard output is one
              well-formed XML document; it is false where progress lines,
              "DATA" rows or the "* SapRfc.Ini" line come before it, or for
              the RFC failure block.
  in/         files copied into the sensor's working directory
  drives/X/   files copied onto drive X: (the path file, the standard
              directories)
  expected/   files that must be in the working directory afterwards, byte
              for byte
  *.txt       expected standard output; "@TIME@" stands for any HH:MM:SS

Optional keys of case.json:

  "journal": {"file": "sapsim.log", "ops": ["RfcOpen", "RfcClose"],
              "expected": "journal.txt"}
              the lines of the simulated system's journal whose "op" is
              one of "ops", in order and byte for byte, must equal the
              file "expected" of the case folder (the whole journal can be
              compared through expected/ instead; it holds nothing that
              varies between runs as long as the clock is fixed)
  "generate": "make_files.py"
              a Python script of the case folder that writes further input
              files; it is run with the working directory as its argument
              after in/ has been copied and before the first run
  "xml": false
              the default of the runs' "xml"
  "written": ["SapRfc.ini"]
              nothing else is written: every file of the working directory
              stays as it was and no file is added, except those named

Keys of a run for output that is text for a person:

  "lines":    regular expressions, each of which must match a whole line
              of standard output
  "not_shown": texts that standard output must not hold (a password)

With --beside FILE (given once per file) the program is copied into a
directory of its own together with each FILE and started from there, so
that it finds those files beside itself; a case with "beside": false gets
the program alone, and the files of the case's folder bin/ are put beside
it as well.

Item runs measure their systems side by side; every case with an item
run is run twice: as written (systems side by side, the default), and
with "PARALLEL=1" added to the parameters (one after another). Standard
output must be the same bytes both times (the added option, shown on the
"State=Executing" line, is taken out first). Both times "TIMEOUT=900" is
added too (after the case's own, which wins): a slow machine must not
turn a long item run into one that ends at the deadline. Side by side, the journal
and the trace file's order of lines depend on which system answers first:
the journal is compared in the second run only, the trace file's lines
in any order.

With --library netweaver the sensor talks to the simulated system through
the NetWeaver RFC library: the texts that come from the library itself
differ, so a file of the folder "netweaver/" of a case (a "stdoutN.txt",
"expected/NAME") replaces the file of the same name, and the keys of an
object "netweaver" in case.json replace those of the case. The case's
journal records the classic library's calls and is not compared then,
nor are expected files of the simulated system ("sapsim*"); a "journal"
of the object "netweaver" is (the calls only that library makes, such as
"RfcCancel"). Each library writes its
trace file under its own name ("dev_rfc", "dev_rfc.trc"): the other
library's is not expected of it.

Every scenario runs in a fresh temporary directory. With --windows the
sensor is a Windows program run under Wine: the working directory and the
drives lie inside the Wine prefix's C: drive, and line ends on standard
output and in written files are CR LF.
"""

import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.dom.minidom

# The trace file each RFC library writes in the working directory.
TRACE_FILES = {"classic": "dev_rfc", "netweaver": "dev_rfc.trc"}


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def to_crlf(data):
    return data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")


def pattern_of(expected):
    parts = expected.split(b"@TIME@")
    return re.compile(b"[0-9]{2}:[0-9]{2}:[0-9]{2}".join(re.escape(p) for p in parts) + b"\\Z",
                      re.DOTALL)


def copy_tree(source, target):
    if not os.path.isdir(source):
        return
    for root, _, files in os.walk(source):
        rel = os.path.relpath(root, source)
        os.makedirs(os.path.join(target, rel), exist_ok=True)
        for name in files:
            shutil.copyfile(os.path.join(root, name), os.path.join(target, rel, name))


class Failure(Exception):
    pass


class WineFailure(Failure):
    """Wine itself failed to run the program: its client lost the server,
    or its loader could not start the program. The program never wrote a
    byte, so this says nothing of it; the case is run once more."""


# What Wine writes to standard error when it gives up on a program of its
# own accord, whatever WINEDEBUG says; an exception inside the program
# ("wine: Unhandled ...") is the program's own failure and is not among them.
WINE_FATAL = re.compile(rb"^(wine client error:|wine: (?!Unhandled))", re.MULTILINE)


def wine_itself_failed(result):
    return not result.stdout and WINE_FATAL.search(result.stderr) is not None


def show(data):
    return data.decode("latin-1")


def check_journal(case_dir, work, check):
    """Compares the journal lines of the operations named in check["ops"]."""
    path = os.path.join(work, check["file"])
    got = b""
    if os.path.exists(path):
        with open(path, "rb") as f:
            for line in f.read().splitlines(keepends=True):
                if json.loads(line.decode("latin-1")).get("op") in check["ops"]:
                    got += line
    with open(os.path.join(case_dir, check["expected"]), "rb") as f:
        expected = f.read()
    if got != expected:
        raise Failure("journal (%s) differs\n--- expected:\n%s\n--- got:\n%s" %
                      (", ".join(check["ops"]), show(expected), show(got)))


def for_library(case_dir, library, rel):
    """The file |rel| of a case folder, or the library's own when it has one."""
    own = os.path.join(case_dir, library, rel)
    return own if library != "classic" and os.path.exists(own) else os.path.join(case_dir, rel)


def snapshot(work):
    """The files below |work| with their bytes and modification times."""
    files = {}
    for root, _, names in os.walk(work):
        for name in names:
            path = os.path.join(root, name)
            files[os.path.relpath(path, work)] = (read_bytes(path), os.stat(path).st_mtime_ns)
    return files


def check_written(before, after, allowed):
    allowed = {name.lower() for name in allowed}
    for name in sorted(set(before) | set(after)):
        if name.lower() in allowed:
            continue
        if name not in after:
            raise Failure("%s was removed" % name)
        if name not in before:
            raise Failure("%s was written" % name)
        if before[name] != after[name]:
            raise Failure("%s was rewritten" % name)


def check_text(where, run, output):
    text = output.decode("latin-1").replace("\r\n", "\n")
    for pattern in run.get("lines", []):
        if not re.search("^" + pattern + "$", text, re.MULTILINE):
            raise Failure("%s: no line matches %s\n--- output:\n%s" % (where, pattern, text))
    for absent in run.get("not_shown", []):
        if absent in text:
            raise Failure("%s: the output holds %r\n%s" % (where, absent, text))


def place_beside(case, case_dir, sensor, beside, scratch):
    """Copies the program and the files it is to find beside itself into a
    directory of its own; returns the command that starts the copy."""
    program = sensor[-1]
    directory = os.path.join(scratch, "bin")
    os.makedirs(directory)
    files = [program] + (beside if case.get("beside", True) else [])
    for path in files:
        shutil.copy2(path, directory)
    copy_tree(os.path.join(case_dir, "bin"), directory)
    return sensor[:-1] + [os.path.join(directory, os.path.basename(program))]


SEQUENTIAL = "PARALLEL=1"
NO_DEADLINE = "TIMEOUT=900"


def is_item_run(args):
    return any("ITEM=" in a.upper() for a in args[1:]) or \
        (args and args[0].upper() in ("GLOBAL", "GLOBAL.P00"))


def has_item_run(case_dir):
    with open(os.path.join(case_dir, "case.json")) as f:
        case = json.load(f)
    return any(is_item_run(run.get("args", [])) for run in case["runs"])


def added_options(sequential):
    return (SEQUENTIAL + " " if sequential else "") + NO_DEADLINE


def with_options(args, options):
    """|args| of an item run with |options| added to its parameters."""
    if not is_item_run(args):
        return args
    if len(args) == 1:
        return args + ["", options]
    if len(args) == 2:
        return args + [options]
    return args[:2] + [args[2] + " " + options] + args[3:]


def run_case(case_dir, sensor, windows, wineprefix, library="classic", beside=None,
             sequential=False):
    """Runs one case; |sequential| adds PARALLEL=1 to its item runs.
    Without it, the journal is not compared and the trace file's lines
    are compared in any order."""
    with open(os.path.join(case_dir, "case.json")) as f:
        case = json.load(f)
    side_by_side = has_item_run(case_dir) and not sequential
    if library != "classic":
        case.pop("journal", None)
        case.update(case.get(library, {}))
    if side_by_side:
        case.pop("journal", None)
    scratch = tempfile.mkdtemp(prefix="scenario-",
                               dir=os.path.join(wineprefix, "drive_c") if windows else None)
    try:
        work = os.path.join(scratch, "work")
        os.makedirs(work)
        if beside is not None:
            sensor = place_beside(case, case_dir, sensor, beside, scratch)
        copy_tree(os.path.join(case_dir, "in"), work)
        if "generate" in case:
            subprocess.run([sys.executable, os.path.join(case_dir, case["generate"]), work],
                           check=True, timeout=120)
        env = dict(os.environ)
        drives_dir = os.path.join(case_dir, "drives")
        placed = []
        if windows:
            # The C: drive is the prefix's; files placed there are removed
            # again after the case.
            if os.path.isdir(drives_dir):
                for root, _, files in os.walk(os.path.join(drives_dir, "C")):
                    for name in files:
                        rel = os.path.relpath(os.path.join(root, name), os.path.join(drives_dir, "C"))
                        placed.append(os.path.join(wineprefix, "drive_c", rel))
                copy_tree(os.path.join(drives_dir, "C"), os.path.join(wineprefix, "drive_c"))
            env["WINEPREFIX"] = wineprefix
            env["WINEDEBUG"] = "-all"
        else:
            drives = os.path.join(scratch, "drives")
            os.makedirs(os.path.join(drives, "C"))
            copy_tree(drives_dir, drives)
            env["BRINDLEMARK_DRIVES"] = drives
        try:
            stamps = {}
            for name in case.get("unchanged", []):
                path = os.path.join(work, name)
                with open(path, "rb") as f:
                    stamps[name] = (f.read(), os.stat(path).st_mtime_ns)
            before = snapshot(work)
            for number, run in enumerate(case["runs"], 1):
                options = added_options(sequential)
                args = with_options(run.get("args", []), options)
                command = list(sensor) + args
                result = subprocess.run(command, cwd=work, env=env, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, timeout=120)
                if args != run.get("args", []):
                    result.stdout = result.stdout.replace(b" " + options.encode(), b"")
                where = "run %d (%s)" % (number, " ".join(run.get("args", [])))
                if result.stderr and not windows:
                    raise Failure("%s wrote to standard error:\n%s" % (where, show(result.stderr)))
                if windows and result.returncode != run.get("exit", 0) and \
                        wine_itself_failed(result):
                    raise WineFailure("%s: Wine ended the program before it wrote anything "
                                      "(exit code %d):\n%s" %
                                      (where, result.returncode, show(result.stderr)))
                if result.returncode != run.get("exit", 0):
                    # Under Wine, standard error carries Wine's own messages
                    # too; on a failure they may tell why the program ended.
                    raise Failure("%s: exit code %d, expected %d\n--- output:\n%s\n--- errors:\n%s" %
                                  (where, result.returncode, run.get("exit", 0), show(result.stdout),
                                   show(result.stderr)))
                if "stdout" in run:
                    with open(for_library(case_dir, library, run["stdout"]), "rb") as f:
                        expected = f.read()
                    if windows:
                        expected = to_crlf(expected)
                    if not pattern_of(expected).match(result.stdout):
                        raise Failure("%s: standard output differs\n--- expected:\n%s\n--- got:\n%s" %
                                      (where, show(expected), show(result.stdout)))
                check_text(where, run, result.stdout)
                if run.get("xml", case.get("xml", True)):
                    try:
                        xml.dom.minidom.parseString(result.stdout)
                    except Exception as e:  # expat's errors
                        raise Failure("%s: output is not well-formed XML: %s\n%s" %
                                      (where, e, show(result.stdout)))
            if "written" in case:
                check_written(before, snapshot(work), case["written"])
            for name, (data, mtime) in stamps.items():
                path = os.path.join(work, name)
                with open(path, "rb") as f:
                    if f.read() != data or os.stat(path).st_mtime_ns != mtime:
                        raise Failure("%s was rewritten" % name)
            for name in case.get("absent", []):
                if os.path.exists(os.path.join(work, name)):
                    raise Failure("%s still exists" % name)
            if "journal" in case:
                check_journal(case_dir, work, case["journal"])
            expected_names = set()
            for expected_dir in [os.path.join(case_dir, "expected")] + \
                    ([os.path.join(case_dir, library, "expected")] if library != "classic" else []):
                for root, _, files in os.walk(expected_dir):
                    for name in files:
                        expected_names.add(
                            os.path.relpath(os.path.join(root, name), expected_dir))
            if expected_names:
                for rel in sorted(expected_names):
                        if (library != "classic" or side_by_side) and \
                                rel.lower().startswith("sapsim"):
                            continue
                        # Each library writes its trace file under its own
                        # name; the other's is no expectation.
                        if rel in TRACE_FILES.values() and rel != TRACE_FILES[library] and \
                                not os.path.exists(os.path.join(case_dir, "in", rel)):
                            continue
                        with open(for_library(case_dir, library, os.path.join("expected", rel)),
                                  "rb") as f:
                            expected = f.read()
                        # Under Windows the files the sensor or the RFC
                        # library write are text with CR LF; the simulated
                        # system's own files, the copied destination file
                        # and files left as the case put them are not.
                        source = os.path.join(case_dir, "in", rel)
                        unchanged_input = os.path.exists(source) and \
                            read_bytes(source) == expected
                        if windows and not unchanged_input and \
                                not rel.lower().startswith("sapsim") and \
                                not rel.lower().startswith("saprfc"):
                            # The RFC library appends to the trace file of
                            # the case: its lines keep their line ends, only
                            # the lines added have CR LF.
                            kept = b""
                            if rel.lower() in ("dev_rfc.trc", "dev_rfc") and \
                                    os.path.exists(source):
                                kept = read_bytes(source)
                            if not expected.startswith(kept):
                                kept = b""
                            expected = kept + to_crlf(expected[len(kept):])
                        got_path = os.path.join(work, rel)
                        if not os.path.exists(got_path):
                            raise Failure("%s is missing" % rel)
                        with open(got_path, "rb") as f:
                            got = f.read()
                        if side_by_side and rel.lower() in ("dev_rfc.trc", "dev_rfc"):
                            got = b"".join(sorted(got.splitlines(keepends=True)))
                            expected = b"".join(sorted(expected.splitlines(keepends=True)))
                        if got != expected:
                            raise Failure("%s differs\n--- expected:\n%s\n--- got:\n%s" %
                                          (rel, show(expected), show(got)))
        finally:
            for path in placed:
                if os.path.exists(path):
                    os.remove(path)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--sensor", required=True, help="the sensor program")
    parser.add_argument("--windows", action="store_true", help="run a Windows build under Wine")
    parser.add_argument("--wineprefix", help="the Wine prefix (with --windows)")
    parser.add_argument("--library", default="classic", choices=["classic", "netweaver"],
                        help="the RFC library the sensor loads")
    parser.add_argument("--beside", action="append",
                        help="a file to copy beside a copy of the program (repeatable)")
    parser.add_argument("cases", nargs="+", help="scenario folders")
    args = parser.parse_args()
    sensor = ["wine", args.sensor] if args.windows else [args.sensor]
    failed = 0
    for case_dir in args.cases:
        name = os.path.basename(os.path.normpath(case_dir))
        try:
            for sequential in [False, True] if has_item_run(case_dir) else [False]:
                try:
                    run_case(case_dir, sensor, args.windows, args.wineprefix, args.library,
                             args.beside, sequential=sequential)
                except WineFailure as e:
                    # Said, and the whole case run afresh once: a second
                    # such failure fails the case.
                    print("RETRY %s: %s" % (name, e))
                    run_case(case_dir, sensor, args.windows, args.wineprefix, args.library,
                             args.beside, sequential=sequential)
            print("PASS %s" % name)
        except (Failure, subprocess.TimeoutExpired) as e:
            failed += 1
            print("FAIL %s: %s" % (name, e))
    passed = len(args.cases) - failed
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
