// SPDX-License-Identifier: MIT
// How the CLAP test modules export their entry (and the probe its log): with default
// visibility, as the project builds everything else hidden.
#pragma once

#include "interfaces/clap/clap_abi.h"

#define CLAP_TEST_MODULE_EXPORT extern "C" __attribute__((visibility("default")))
