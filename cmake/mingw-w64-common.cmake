# The part of the mingw-w64 cross build that both Windows targets share.
# The including toolchain file sets CMAKE_SYSTEM_PROCESSOR and
# MINGW_TRIPLET (i686-w64-mingw32 or x86_64-w64-mingw32) first.
#
# The compilers are the "posix" threads variant, whose runtime has
# std::thread and std::mutex. Test programs are run under Wine, in the
# prefix that WINEPREFIX names when ctest runs.

set(CMAKE_SYSTEM_NAME Windows)

# Prefer the compilers named for the posix threads variant; the plain names
# follow whatever the update-alternatives setting is.
foreach(lang C CXX)
  if(lang STREQUAL "C")
    set(tool gcc)
  else()
    set(tool g++)
  endif()
  find_program(MINGW_${lang}_COMPILER NAMES ${MINGW_TRIPLET}-${tool}-posix ${MINGW_TRIPLET}-${tool})
  if(NOT MINGW_${lang}_COMPILER)
    message(FATAL_ERROR "${MINGW_TRIPLET}-${tool} not found: run scripts/install-windows-tools.sh")
  endif()
  set(CMAKE_${lang}_COMPILER ${MINGW_${lang}_COMPILER})
endforeach()
find_program(CMAKE_RC_COMPILER NAMES ${MINGW_TRIPLET}-windres)
find_program(CMAKE_AR NAMES ${MINGW_TRIPLET}-ar)
find_program(CMAKE_RANLIB NAMES ${MINGW_TRIPLET}-ranlib)

# Libraries and headers come from the mingw-w64 tree only, never from the
# host's /usr/include or /usr/lib; programs (python, wine) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# add_test and gtest_discover_tests run the .exe files through Wine. The
# "wine" loader starts 32-bit and 64-bit programs alike (a 64-bit prefix
# runs 32-bit programs when Debian's wine32 is installed); "wine64" only
# 64-bit ones.
# It is looked for at every configure, not kept in the cache: a build
# directory configured before must follow the Wine that PATH names now
# (scripts/test-windows.sh puts a 64-bit-only "wine" first on a machine
# that runs no 32-bit programs).
unset(WINE_PROGRAM CACHE)
unset(WINE_PROGRAM)
if(MINGW_TRIPLET MATCHES "^x86_64")
  find_program(WINE_PROGRAM NAMES wine wine64 NO_CACHE)
else()
  find_program(WINE_PROGRAM NAMES wine NO_CACHE)
endif()
# Through a script that starts a program once more when Wine itself gave
# up on it before it wrote anything (scripts/run-under-wine.sh).
if(WINE_PROGRAM)
  set(CMAKE_CROSSCOMPILING_EMULATOR sh ${CMAKE_CURRENT_LIST_DIR}/../scripts/run-under-wine.sh
                                    ${WINE_PROGRAM})
endif()
