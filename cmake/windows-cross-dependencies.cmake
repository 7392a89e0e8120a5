# Third-party libraries for the Windows cross build, taken from the Linux
# host's Debian packages without mixing the host's headers into the build:
#   nlohmann-json  header-only; its folder is linked into the build tree so
#                  that /usr/include itself never becomes an include path
#   GoogleTest     built from the sources in /usr/src/googletest (package
#                  googletest) with the cross compiler
# Both end up under the target names that find_package gives on Linux.

find_package(nlohmann_json 3 QUIET)
if(NOT TARGET nlohmann_json::nlohmann_json)
  find_path(NLOHMANN_JSON_HOST_INCLUDE nlohmann/json.hpp
            PATHS /usr/include /usr/local/include NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
  if(NOT NLOHMANN_JSON_HOST_INCLUDE)
    message(FATAL_ERROR "nlohmann/json.hpp not found: install nlohmann-json3-dev")
  endif()
  set(include_dir ${CMAKE_BINARY_DIR}/third_party/include)
  file(MAKE_DIRECTORY ${include_dir})
  file(CREATE_LINK ${NLOHMANN_JSON_HOST_INCLUDE}/nlohmann ${include_dir}/nlohmann SYMBOLIC)
  add_library(nlohmann_json INTERFACE)
  target_include_directories(nlohmann_json SYSTEM INTERFACE ${include_dir})
  add_library(nlohmann_json::nlohmann_json ALIAS nlohmann_json)
endif()

if(BRINDLEMARK_TESTS)
  set(GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")
  if(NOT EXISTS ${GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "${GOOGLETEST_SOURCE_DIR} not found: install googletest")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # GoogleTest's own CMakeLists make the aliases GTest::gtest and GTest::gtest_main.
endif()
