# SPDX-License-Identifier: MIT
# The hardening Debian builds its packages with, for every native Linux build made with GCC
# or Clang: stack protector, fortified C library calls where the code is optimised, the
# relocations read-only and bound at load, and position-independent executables. The
# `default` preset's binaries, which every bit-exact test runs on, are therefore the ones
# the Debian package ships.
#
# None of these flags touches floating-point evaluation (cmake/floating_point.cmake keeps
# those rules for every build): they add canaries to frames that hold arrays, checks to
# the C library's string and memory calls, and linker settings.
#
# Left out: the sanitizer and fuzz builds, whose runtimes bring their own checks (and
# intercept the fortified functions), and the cross builds (the MinGW modules are not in the
# Debian package and Windows has protections of its own).
if(CMAKE_CROSSCOMPILING OR NOT CMAKE_SYSTEM_NAME STREQUAL "Linux"
   OR NOT CMAKE_CXX_COMPILER_ID MATCHES "^(GNU|Clang)$"
   OR "${CMAKE_C_FLAGS} ${CMAKE_CXX_FLAGS}" MATCHES "-fsanitize" OR BRAMSOLIKET_FUZZ)
  return()
endif()

add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
# The C library's checked string and memory functions need the optimiser: every build type
# but Debug optimises (and core/'s block loops are compiled at -O3 in all of them).
if(NOT "${CMAKE_C_FLAGS} ${CMAKE_CXX_FLAGS}" MATCHES "_FORTIFY_SOURCE")
  add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
endif()
add_link_options(LINKER:-z,relro LINKER:-z,now)

# Executables are linked as PIE (the compiled code is position-independent already, see
# CMAKE_POSITION_INDEPENDENT_CODE in the top-level CMakeLists.txt).
include(CheckPIESupported)
check_pie_supported(LANGUAGES C CXX)
