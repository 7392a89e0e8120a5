#!/bin/sh
# Installs the Debian packages that building and testing the sensor need,
# only those that are missing.
set -eu
packages="cmake g++ make python3 googletest libgtest-dev libgmock-dev nlohmann-json3-dev libbenchmark-dev"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing
fi
