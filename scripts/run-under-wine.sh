#!/bin/sh
# Runs a Windows program under Wine for ctest: "run-under-wine.sh WINE
# PROGRAM ARGUMENTS...". Its output and exit code are the program's, with
# one exception: when Wine itself gave up on the program before it wrote
# anything (the Wine client lost its server, or the loader could not start
# the program), which says nothing of the program, this is said on
# standard error and the program is started once more. An exception inside
# the program ("wine: Unhandled ...") is the program's own failure and
# stands. tests/run_scenarios.py knows the same messages.
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
"$@" >"$out" 2>"$err"
status=$?
if [ "$status" -ne 0 ] && [ ! -s "$out" ] &&
  grep -qE '^(wine client error:|wine: )' "$err" && ! grep -q '^wine: Unhandled' "$err"; then
  echo "Wine gave up on the program before it wrote anything (exit code $status);" \
    "starting it once more. Wine said:" >&2
  cat "$err" >&2
  "$@" >"$out" 2>"$err"
  status=$?
fi
cat "$out"
cat "$err" >&2
exit "$status"
