#!/usr/bin/env python3
"""Writes the files of an item run over 1,000 systems.

  make_systems.py WORKDIR     writes S0001.P00 ... S1000.P00 (from
                              template.P00 beside this script), SapSim.json
                              and Tessaron.Prf into WORKDIR
  make_systems.py --expected  prints the expected standard output of
                              "brindlemark X ITEM=Step(s)"

Every profile has a name and destination of its own. The simulated
system reads SapSim.json at every logon, so a description of 1,000 systems
would cost 1,000 parses of the whole list (minutes in an unoptimised
build); the profiles therefore share 20 simulated systems: profile n logs
on to host "simK" with K = (n - 1) % 20 + 1, whose day has K steps of
client 100 and 1,000 steps of client 200 on another row. The item run
("Step(s)" with CLIENT=100) reports K for profile n.
"""
import json
import os
import sys

COUNT = 1000
SYSTEMS = 20
HERE = os.path.dirname(os.path.abspath(__file__))
NAMES_PER_LINE = 15  # listing lines stay below 199 characters


def name(n):
    return "S%04d" % n


def answering(n):
    return (n - 1) % SYSTEMS + 1


def host(n):
    return "sim%d" % answering(n)


def write(workdir):
    with open(os.path.join(HERE, "template.P00"), "rb") as f:
        template = f.read()
    for n in range(1, COUNT + 1):
        profile = template.replace(b"@DEST@", name(n).encode()).replace(
            b"@HOST@", host(n).encode())
        with open(os.path.join(workdir, name(n) + ".P00"), "wb") as f:
            f.write(profile)
    systems = [{
        "host": "sim%d" % k, "sysnr": 0,
        "logon": {"client": "100", "user": "MONITOR", "password": "secret"},
        "sysid": "S%02d" % k, "clock": "Tue Mar  5 14:07:09 2024",
        "statistics": {"20240305": [
            {"client": "100", "account": "MONITOR", "steps": k, "dsteps": k},
            {"client": "200", "account": "SALES", "steps": 1000, "bsteps": 1000}]}}
        for k in range(1, SYSTEMS + 1)]
    with open(os.path.join(workdir, "SapSim.json"), "w") as f:
        json.dump({"systems": systems}, f)
    with open(os.path.join(workdir, "Tessaron.Prf"), "w") as f:
        for first in range(1, COUNT + 1, NAMES_PER_LINE):
            last = min(first + NAMES_PER_LINE, COUNT + 1)
            f.write("# Gsng: THOUSAND    " +
                    "".join(name(n) + ".P00#" for n in range(first, last)) + "\n")


def expected():
    out = "\n<Prtg>\n\n"
    for n in range(1, COUNT + 1):
        out += "\n<Result><Channel>%s.P00</Channel>\n<Value>%d</Value></Result>\n" % (name(n), answering(n))
    out += ("\n<Text>(***) Step(s): NoSystems=%d, Processed=%d, Failed=0 </Text>\n\n</Prtg>\n\n"
            % (COUNT, COUNT))
    return out


if __name__ == "__main__":
    if sys.argv[1:] == ["--expected"]:
        sys.stdout.write(expected())
    else:
        write(sys.argv[1])
