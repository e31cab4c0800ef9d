# SPDX-License-Identifier: MIT
# 32-bit Windows (i686) with Debian's MinGW-w64 cross compilers. The floating-point flags
# (SSE2 instead of x87) come from cmake/floating_point.cmake, keyed on the pointer size and
# the processor named here.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(mingw_triplet i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
