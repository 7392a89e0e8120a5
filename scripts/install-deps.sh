#!/bin/sh
# Installs the Debian packages that building and testing the sensor need,
# only those that are missing.
set -eu
sh "$(dirname "$0")/install-packages.sh" cmake g++ clang make python3 googletest \
  libgtest-dev libgmock-dev nlohmann-json3-dev libbenchmark-dev
