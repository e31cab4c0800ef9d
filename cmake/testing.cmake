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

# A build that runs only a few of the tests compiles only the files that hold them: the
# ThreadSanitizer build, which runs the concurrency stress tests alone, names their files
# here, and the other test files, most of a build's compile time, are left out of it.
set(BRAMSOLIKET_TEST_FILES "" CACHE STRING
    "Compile only the test files (*_test.cpp) whose names match this regular expression; empty: all of them")

# `sources` without the test files that BRAMSOLIKET_TEST_FILES leaves out, in `out`.
function(bramsoliket_selected_test_sources out)
  set(kept)
  foreach(source ${ARGN})
    get_filename_component(file ${source} NAME)
    if(NOT BRAMSOLIKET_TEST_FILES STREQUAL "" AND file MATCHES "_test\\.cpp$"
       AND NOT file MATCHES "${BRAMSOLIKET_TEST_FILES}")
      continue()
    endif()
    list(APPEND kept ${source})
  endforeach()
  set(${out} ${kept} PARENT_SCOPE)
endfunction()

# One test executable per folder: every *_test.cpp found there is compiled in (those that
# BRAMSOLIKET_TEST_FILES selects), and each test case is registered with CTest.
function(bramsoliket_test_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES;DEFINITIONS" ${ARGN})
  bramsoliket_use_googletest()
  include(GoogleTest)
  bramsoliket_selected_test_sources(sources ${ARG_SOURCES})
  add_executable(${name} ${sources})
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
