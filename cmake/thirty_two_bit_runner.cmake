# SPDX-License-Identifier: MIT
# 32-bit x86 test programs run natively where the kernel executes 32-bit code. Some
# virtual machines' kernels refuse it ("Exec format error"); there the tests run under
# qemu-i386 user-mode emulation, whose SSE arithmetic is IEEE-exact like the hardware's.
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND NOT WIN32 AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(probe_source ${CMAKE_BINARY_DIR}/probe/runs_natively.c)
  file(WRITE ${probe_source} "int main(void) { return 0; }\n")
  try_run(probe_run probe_compile ${CMAKE_BINARY_DIR}/probe ${probe_source})
  if(NOT probe_compile)
    message(FATAL_ERROR "32-bit programs cannot be built: install g++-multilib (scripts/setup.sh)")
  endif()
  if(NOT probe_run EQUAL 0)
    find_program(QEMU_I386 qemu-i386 REQUIRED)
    message(STATUS "32-bit programs do not run natively here: tests run under ${QEMU_I386}")
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_I386})
  endif()
endif()
