# SPDX-License-Identifier: MIT
# The filter's output is specified to the last bit, so the compiler must evaluate floating
# point exactly as written: warnings on, no contraction of a*b+c into a fused multiply-add,
# and on 32-bit x86 the SSE2 unit instead of the x87 stack, whose 80-bit registers would
# round differently.
add_compile_options(-Wall -Wextra -ffp-contract=off -fno-fast-math)
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86|x86_64|AMD64)$")
  add_compile_options(-msse2 -mfpmath=sse)
endif()
