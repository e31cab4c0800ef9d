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

install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${BRAMSOLIKET_INSTALL_DOC_DIR})
# Debian's machine-readable copyright file, where every package keeps it.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${BRAMSOLIKET_INSTALL_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME bramsoliket)
set(CPACK_PACKAGE_VENDOR "The BRAMSOLIKET developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "resonant multi-mode filter plug-in (VST, LV2, CLAP) and its command-line host")
set(CPACK_PACKAGE_DESCRIPTION
"BRAMSOLIKET is a resonant multi-mode filter: one to four two-pole stages of low-pass,
high-pass, band-pass, resonant peak or straight-through type, with stepwise glides,
resonance, a soft limiter, dry/wet mix, output level and a peak meter. Its output is exact
to the last bit and the same in every format.
.
This package installs the plug-in for hosts of the VST 1.0 interface (/usr/lib/vst), as an
LV2 bundle (/usr/lib/lv2) and as a CLAP module (/usr/lib/clap), and bramsoliket-host, a
command-line host that lists, renders and plots plug-ins of these formats.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The BRAMSOLIKET developers")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends computed by dpkg-shlibdeps from what the installed binaries link: the plug-ins
# need only libc and libstdc++ (the LV2 module cairo too, for Ardour's inline display), the
# command-line host its audio, FFT and drawing libraries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Installed binaries without their debugging sections.
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/packages)
include(CPack)
