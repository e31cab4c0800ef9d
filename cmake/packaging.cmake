# SPDX-License-Identifier: MIT
# Installation and packages. `cmake --install <build> --prefix P` puts each plug-in format
# where hosts look for it under P, the command-line host into P/bin, and the documents into
# P/share/doc/bramsoliket; CPack (scripts/package.sh) makes the Debian package of the same
# tree. The version is the project's (project() in the top-level CMakeLists.txt).
#
# Folders under the prefix, shared with the format and tool folders' install rules:
set(BRAMSOLIKET_INSTALL_VST_DIR lib/vst)
set(BRAMSOLIKET_INSTALL_LV2_DIR lib/lv2)
set(BRAMSOLIKET_INSTALL_CLAP_DIR lib/clap)
set(BRAMSOLIKET_INSTALL_DOC_DIR share/doc/bramsoliket)
set(BRAMSOLIKET_INSTALL_MAN_DIR share/man/man1)

if(WIN32)
  # The Windows modules travel in the zip that scripts/package.sh makes.
  return()
endif()

# The licence travels in Debian's machine-readable copyright file, where every package keeps
# it (a second copy as LICENSE is one Debian asks packages not to carry).
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION ${BRAMSOLIKET_INSTALL_DOC_DIR})

# The release notes in Debian's changelog format, compressed as Debian keeps them. The package
# is native (its version has no Debian revision), so the file is changelog.gz. Its latest
# entry must be the project's version.
set(changelog ${PROJECT_SOURCE_DIR}/packaging/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${changelog})
file(READ ${changelog} changelog_head LIMIT 100)
if(NOT changelog_head MATCHES "^bramsoliket \\(([^)]*)\\) ")
  message(FATAL_ERROR "packaging/changelog does not start with an entry for bramsoliket")
elseif(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/changelog: the latest entry is for version ${CMAKE_MATCH_1}, "
                      "the project's is ${PROJECT_VERSION}")
endif()
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/changelog.gz
  COMMAND gzip -9 -n -c ${changelog} > ${PROJECT_BINARY_DIR}/changelog.gz
  DEPENDS ${changelog}
  VERBATIM)
add_custom_target(bramsoliket_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/changelog.gz DESTINATION ${BRAMSOLIKET_INSTALL_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME bramsoliket)
# The project's contact, as in packaging/copyright and packaging/changelog.
set(CPACK_PACKAGE_CONTACT "The BRAMSOLIKET developers <bramsoliket@bramsoliket.org>")
set(CPACK_PACKAGE_VENDOR "The BRAMSOLIKET developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "resonant multi-mode filter plug-in (VST, LV2, CLAP) and its command-line host")
# Lines of at most 79 characters, 80 with the space that starts them in the control file.
set(CPACK_PACKAGE_DESCRIPTION
"BRAMSOLIKET is a resonant multi-mode filter: one to four two-pole stages of
low-pass, high-pass, band-pass, resonant peak or straight-through type, with
stepwise glides, resonance, a soft limiter, dry/wet mix, output level and a
peak meter. Its output is exact to the last bit and the same in every format.
.
This package installs the plug-in for hosts of the VST 1.0 interface
(/usr/lib/vst), as an LV2 bundle (/usr/lib/lv2) and as a CLAP module
(/usr/lib/clap), and bramsoliket-host, a command-line host that lists, renders
and plots plug-ins of these formats.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The plug-ins need only libc and libstdc++ (the LV2 module cairo too, for Ardour's inline
# display, and the CLAP module and the LV2 UI module Xlib and cairo, for their windows), the
# command-line host its audio, FFT and drawing libraries.
# The binaries are stripped and Depends is computed by cmake/package_binaries.cmake, run on
# the staged files: CPack's own stripping keeps the compiler's .comment section, and its
# own Depends step also adds ldconfig calls to the maintainer scripts for any shared object
# under /usr/lib, though the plug-ins are modules that hosts load by path, not libraries.
set(CPACK_STRIP_FILES OFF)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/package_binaries.cmake)
set(CPACK_BRAMSOLIKET_STRIP ${CMAKE_STRIP})
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/packages)
include(CPack)
