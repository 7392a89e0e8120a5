#!/bin/sh
# Builds the sensor and runs its main job on the demo: the set-up test of
# the profile tool once, then the sensor on the system profile
# demo/PRD.P00 against the simulated SAP system described in
# demo/SapSim.json, whose clock is "now" and whose counters grow with the
# time of day. The sensor runs twice, a few seconds apart: the first run
# reports the day's totals and writes the history into the profile, the
# second reports what happened in between.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target brindlemark brindlemark-profile

run_dir=build/demo-run
rm -rf "$run_dir"
cp -r demo "$run_dir"
cd "$run_dir"
sensor=../brindlemark

echo "== Set-up test: brindlemark-profile test PRD"
status=0; ../brindlemark-profile test PRD || status=$?
echo "== exit code $status"
echo "== First run: brindlemark PRD"
status=0; $sensor PRD || status=$?
echo "== exit code $status"
sleep 3
echo "== Second run: brindlemark PRD \"#\" (with progress lines)"
status=0; $sensor PRD "#" || status=$?
echo "== exit code $status"
echo "== Per-client steps since the second run: brindlemark PRD STEPS"
sleep 2
status=0; $sensor PRD STEPS || status=$?
echo "== exit code $status"
echo "== The profile with its history lines ($run_dir/PRD.P00):"
cat PRD.P00
