# SPDX-License-Identifier: MIT
# GoogleTest is built from Debian's source package so that the same suite builds for every
# word size and toolchain the project targets.
function(bramsoliket_use_googletest)
  if(TARGET gtest_main)
    return()
  endif()
  set(source_dir /usr/src/googletest)
  if(NOT EXISTS ${source_dir}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in ${source_dir}: run scripts/setup.sh")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${source_dir} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endfunction()

# The exhaustive sweeps (every float of a range, every 24-bit fader step) take seconds
# natively and a quarter of an hour under an emulator or a sanitizer: builds that run there
# check every n-th value of each sweep instead, the native build all of them.
set(BRAMSOLIKET_SWEEP_STRIDE 1 CACHE STRING "Check every n-th value of the tests' exhaustive sweeps")

# One test executable per folder: every *_test.cpp found there is compiled in, and each
# test case is registered with CTest.
function(bramsoliket_test_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES;DEFINITIONS" ${ARGN})
  bramsoliket_use_googletest()
  include(GoogleTest)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} gmock gtest_main)
  target_compile_definitions(${name} PRIVATE ${ARG_DEFINITIONS} BRAMSOLIKET_SWEEP_STRIDE=${BRAMSOLIKET_SWEEP_STRIDE})
  # Compile time is most of a test run: test code carries line tables only (enough for a
  # failure's or a sanitizer's backtrace) in the RelWithDebInfo builds the test run uses,
  # not the full debugging information of -g, which a third of its compile time went into
  # (a Debug build keeps it).
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${name} PRIVATE $<$<CONFIG:RelWithDebInfo>:-g1>)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600)
endfunction()
