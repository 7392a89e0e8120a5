# Cross build of the 32-bit Windows (x86) programs with mingw-w64 on Linux.
#
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
#
# (or cmake --preset windows-x86). They load the 32-bit librfc32.dll that
# comes with SAP GUI and the classic RFC SDK.

set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
