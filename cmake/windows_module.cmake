# SPDX-License-Identifier: MIT
# BRAMSOLIKET.dll: the export table comes from the module-definition file (exactly `main`,
# undecorated), the module description from the version resource, and the C and C++
# runtimes are linked in statically so that the DLL imports only from the system's own DLLs
# (no libgcc_s, libstdc++ or libwinpthread beside the plug-in).
target_sources(BRAMSOLIKET PRIVATE
  ${PROJECT_SOURCE_DIR}/formats/vst/windows/BRAMSOLIKET.def
  ${PROJECT_SOURCE_DIR}/formats/vst/windows/BRAMSOLIKET.rc
  ${PROJECT_SOURCE_DIR}/formats/vst/windows/dll_main.cpp)
# The version numbers of the resource come from the project, through a generated header.
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/generated/bramsoliket_version.h CONTENT
"#define BRAMSOLIKET_VERSION_MAJOR ${PROJECT_VERSION_MAJOR}
#define BRAMSOLIKET_VERSION_MINOR ${PROJECT_VERSION_MINOR}
#define BRAMSOLIKET_VERSION_PATCH ${PROJECT_VERSION_PATCH}
#define BRAMSOLIKET_VERSION_TEXT \"${PROJECT_VERSION}\"
")
target_include_directories(BRAMSOLIKET PRIVATE ${PROJECT_BINARY_DIR}/generated)
target_link_options(BRAMSOLIKET PRIVATE
  -static                    # libgcc, libstdc++ and winpthread inside the DLL
  -Wl,--kill-at              # no @n decoration on any exported name
  -Wl,--no-undefined)

# Tests of the DLL under Wine: a Windows host program that loads it, and checks of its
# import and export tables.
option(BRAMSOLIKET_WINE_TESTS "Test the Windows module under Wine" ON)
if(BRAMSOLIKET_WINE_TESTS)
  add_subdirectory(${PROJECT_SOURCE_DIR}/tests/windows ${PROJECT_BINARY_DIR}/tests/windows)
endif()
