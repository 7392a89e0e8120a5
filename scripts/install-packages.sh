#!/bin/sh
# Installs the Debian packages named as arguments that are not installed
# yet; with --no-install-recommends first, without their recommendations.
# Runs apt-get update only when something is to be installed.
set -eu
options=""
if [ "${1:-}" = "--no-install-recommends" ]; then
  options="$1"
  shift
fi
missing=""
for p in "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $options $missing
fi
