# SPDX-License-Identifier: MIT
# 32-bit x86 Linux with the multilib compilers. The programs run on the 64-bit build
# machine, so this is not treated as cross-compiling and tests run directly. The
# floating-point flags (SSE2, no x87) come from cmake/floating_point.cmake.
set(CMAKE_C_FLAGS_INIT "-m32")
set(CMAKE_CXX_FLAGS_INIT "-m32")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-m32")
