# SPDX-License-Identifier: MIT
# Run by CPack (CPACK_PRE_BUILD_SCRIPTS, cmake/packaging.cmake) on the staged files before it
# makes the Debian package: the binaries are left as Debian's packaging helpers leave them.
# - Stripped as dh_strip strips: no symbols beyond the dynamic ones, and neither the
#   compiler's .comment nor the .note section (the build ID stays). The debug information
#   stays in the build folder's binaries, which carry the same build ID.
# - Depends from the libraries they link, as dh_shlibdeps computes it with dpkg-shlibdeps.
#   CPack's own step would also add ldconfig calls to postinst and postrm for any shared
#   object under /usr/lib; the plug-ins are modules hosts load by path, not libraries the
#   dynamic linker looks up, so the package has no maintainer scripts.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
set(binaries)
foreach(file IN LISTS staged)
  if(IS_SYMLINK "${file}")
    continue()
  endif()
  file(READ "${file}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46")
    list(APPEND binaries "${file}")
  endif()
endforeach()
if(NOT binaries)
  message(FATAL_ERROR "package_binaries: no binaries staged in ${CPACK_TEMPORARY_DIRECTORY}")
endif()

foreach(binary IN LISTS binaries)
  execute_process(
    COMMAND "${CPACK_BRAMSOLIKET_STRIP}" --strip-unneeded --remove-section=.comment
            --remove-section=.note "${binary}"
    RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "package_binaries: could not strip ${binary}: ${errors}")
  endif()
endforeach()

# dpkg-shlibdeps wants to run in a source tree: an empty debian/control of its own.
set(shlibdeps_dir "${CPACK_TOPLEVEL_DIRECTORY}/shlibdeps")
file(REMOVE_RECURSE "${shlibdeps_dir}")
file(WRITE "${shlibdeps_dir}/debian/control" "")
execute_process(
  COMMAND dpkg-shlibdeps -O ${binaries}
  WORKING_DIRECTORY "${shlibdeps_dir}"
  RESULT_VARIABLE status OUTPUT_VARIABLE substvars ERROR_VARIABLE errors
  OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT status EQUAL 0 OR NOT substvars MATCHES "^shlibs:Depends=([^\n]+)")
  message(FATAL_ERROR "package_binaries: dpkg-shlibdeps failed: ${errors}")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
message(STATUS "package_binaries: stripped ${binaries}; Depends: ${CPACK_DEBIAN_PACKAGE_DEPENDS}")
