#!/bin/sh
# Installs the Debian packages that the Windows build and its tests need,
# only those that are missing: the mingw-w64 cross compiler for x86-64 in
# its posix threads variant (std::thread and std::mutex work), Wine to run
# the programs, and the sources and headers the cross build compiles
# (GoogleTest, nlohmann-json). Wine comes without its recommended packages
# (fonts, sound, graphics), which console programs do not use.
set -eu
sh "$(dirname "$0")/install-packages.sh" --no-install-recommends cmake make python3 \
  googletest nlohmann-json3-dev g++-mingw-w64-x86-64-posix wine wine64
