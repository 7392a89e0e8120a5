#!/bin/sh
# Installs the Debian packages that the Windows builds and their tests
# need, only those that are missing: the mingw-w64 cross compilers for x86
# (i686) and x64 (x86-64) in their posix threads variant (std::thread and
# std::mutex work), Wine to run the programs, and the sources and headers
# the cross builds compile (GoogleTest, nlohmann-json).
#
# Wine runs the 32-bit programs in the same 64-bit prefix as the 64-bit
# ones through Debian's wine32, a package of the i386 architecture: that
# architecture is added to dpkg when it is missing. Wine comes without its
# recommended packages (fonts, sound, graphics), which console programs do
# not use.
set -eu
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
if [ "$(dpkg --print-architecture)" != i386 ] &&
   ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "Adding the i386 architecture to dpkg (for wine32)"
  $SUDO dpkg --add-architecture i386
  # install-packages.sh runs apt-get update before it installs, which it
  # does now: wine32:i386 cannot be installed yet.
fi
# Names of another architecture carry it (wine32:i386): dpkg-query would
# take a plain "wine32" for whichever architecture has it installed.
sh "$(dirname "$0")/install-packages.sh" --no-install-recommends cmake make python3 \
  googletest nlohmann-json3-dev g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix \
  wine wine64 wine32:i386
