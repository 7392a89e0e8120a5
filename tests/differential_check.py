#!/usr/bin/env python3
"""Item runs side by side against one after another, on random listings.

Each round writes a random listing of up to six systems into a fresh
directory, with a simulated SAP system whose systems answer after random
latencies or hang, refuse the logon, fail a call, report through the
library's error handler, refuse to describe a structure, write trace lines
or have no statistics; some names have no profile, some a faulty one. The
sensor measures the listing twice, once with "PARALLEL=1" (one after
another) and once side by side (the default), and both runs must print the
same bytes and end with the same exit code.

Trace lines are only written by systems after the first one that fails a
call: lines that a system before it wrote while a later one was measured
cannot be told from that later one's, and the remark may then differ (see
docs/item-runs.md).

    differential_check.py --sensor build/brindlemark --rounds 200 [--seed N]

A failing round prints its seed; "--seed N --rounds 1" repeats it and
"--keep DIR" keeps its files.
"""

import argparse
import json
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
PROFILE = os.path.join(HERE, "scenarios", "item-handler-waits-its-turn", "in", "A.P00")

STATISTICS = {"20240305": [{"client": "100", "account": "MONITOR", "steps": 1000,
                            "dsteps": 800, "bsteps": 200, "resp_time": 400000,
                            "cpu_time": 100000, "a_db_time": 150000, "s_db_time": 20000}]}


def profile_of(template, host, destination, faulty):
    lines = []
    for line in template.split(b"\n"):
        if line.startswith(b"Destination:"):
            line = b"Destination: " + destination.encode()
        elif line.startswith(b"Hostname...:") or line.startswith(b"Gwhost.....:"):
            line = line[:13] + host.encode()
        elif faulty and line.startswith(b"User.......:"):
            continue
        lines.append(line)
    return b"\n".join(lines)


def make_round(rng, work, template):
    """Writes one random case into |work|; returns the sensor's arguments."""
    count = rng.randint(1, 6)
    hang_allowed = rng.random() < 0.15
    systems = []
    names = []
    failed_call = False  # a system before this one fails a call
    for i in range(count):
        host = "host%d" % i
        name = "S%d.P00" % i
        names.append(name)
        kind = rng.random()
        if kind < 0.08:
            continue  # no profile
        with open(os.path.join(work, name), "wb") as f:
            f.write(profile_of(template, host, "D%02d" % i, kind < 0.16))
        system = {"host": host, "sysnr": 0,
                  "logon": {"client": "100", "user": "MONITOR", "password": "secret"},
                  "sysid": "S%02d" % i, "clock": "Tue Mar  5 14:07:09 2024",
                  "statistics": STATISTICS if rng.random() < 0.9 else {}}
        latency = {}
        if rng.random() < 0.6:
            latency["logon"] = rng.randint(0, 10)
        if rng.random() < 0.6:
            latency["call"] = rng.randint(0, 10)
        if latency:
            system["latency"] = latency
        faults = {}
        fault = rng.random()
        if fault < 0.12:
            faults["logon"] = "gateway said no %d" % i
        elif fault < 0.22:
            faults["GET_CPU_ALL"] = {"receive": 3, "exception": "SYSTEM_FAILURE"}
        elif fault < 0.28:
            faults["RFC_SYSTEM_INFO"] = {"receive": 1}
        elif fault < 0.34:
            faults["handler"] = {"function": rng.choice(["GET_CPU_ALL", "RFC_SYSTEM_INFO"]),
                                 "text": "connection broken %d" % i}
        elif fault < 0.40:
            faults["RfcInstallStructure"] = rng.choice(["CPU_ALL", "RFCSI", "SAPWLACCTS"])
        elif fault < 0.44:
            faults["ItCreate"] = "STATISTIC"
        elif fault < 0.52 and hang_allowed:
            faults["hang"] = rng.choice(["logon", "GET_CPU_ALL", "SAPWL_ACCNT_GET_SYSTEM_USAGE"])
        if failed_call and rng.random() < 0.5:
            faults["trace"] = ["ERROR rc=%d    written by system %d" % (90 + i, i)]
        if kind >= 0.16 and ("GET_CPU_ALL" in faults or "RFC_SYSTEM_INFO" in faults):
            failed_call = True
        if faults:
            system["faults"] = faults
        systems.append(system)
    with open(os.path.join(work, "SapSim.json"), "w") as f:
        json.dump({"systems": systems}, f)
    with open(os.path.join(work, "Tessaron.Prf"), "w") as f:
        f.write("# Gsng: DIALOGS     " + "#".join(names) + "#\n")
    # A round with a hang ends at the deadline; what answers must have
    # answered by then in both runs, on a busy machine too.
    parameters = "ITEM=Dialog TIMEOUT=%d" % (2 if hang_allowed else 30)
    if rng.random() < 0.5:
        parameters += " #"
    return ["TESSARON", parameters]


def run(sensor, work, arguments):
    """Runs the sensor in a copy of |work|; its output and exit code."""
    copy = tempfile.mkdtemp(prefix="round-")
    try:
        for name in os.listdir(work):
            shutil.copyfile(os.path.join(work, name), os.path.join(copy, name))
        result = subprocess.run([sensor] + arguments, cwd=copy, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, timeout=60)
        return result.stdout, result.returncode, result.stderr
    finally:
        shutil.rmtree(copy, ignore_errors=True)


def comparable(output, option=None):
    """|output| without the times of day of its progress lines (the two
    runs are made one after the other) and without |option|."""
    if option:
        output = output.replace(b" " + option.encode(), b"")
    return re.sub(rb"(?m)^\* [0-9]{2}:[0-9]{2}:[0-9]{2} ", b"* @TIME@ ", output)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--sensor", required=True)
    parser.add_argument("--rounds", type=int, default=200)
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--keep", default=None, help="keep the files of a failing round here")
    args = parser.parse_args()
    with open(PROFILE, "rb") as f:
        template = f.read()
    first = args.seed if args.seed is not None else random.SystemRandom().randrange(1 << 30)
    failures = 0
    for seed in range(first, first + args.rounds):
        rng = random.Random(seed)
        work = tempfile.mkdtemp(prefix="differential-")
        try:
            arguments = make_round(rng, work, template)
            option = "PARALLEL=1"
            one_by_one = run(args.sensor, work, [arguments[0], arguments[1] + " " + option])
            side_by_side = run(args.sensor, work, arguments)
            problem = None
            if comparable(one_by_one[0], option) != comparable(side_by_side[0]):
                problem = "output differs"
            elif one_by_one[1] != side_by_side[1]:
                problem = "exit code %d one after another, %d side by side" % (
                    one_by_one[1], side_by_side[1])
            elif one_by_one[2] or side_by_side[2]:
                problem = "standard error: %r %r" % (one_by_one[2], side_by_side[2])
            if problem:
                failures += 1
                print("FAIL seed %d: %s\n--- one after another (%d):\n%s\n--- side by side (%d):\n%s"
                      % (seed, problem, one_by_one[1], one_by_one[0].decode("latin-1"),
                         side_by_side[1], side_by_side[0].decode("latin-1")))
                if args.keep:
                    shutil.copytree(work, os.path.join(args.keep, "seed-%d" % seed))
        finally:
            shutil.rmtree(work, ignore_errors=True)
    print("%d rounds from seed %d, %d failed" % (args.rounds, first, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
