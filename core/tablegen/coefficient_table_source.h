// SPDX-License-Identifier: MIT
// The text of core/coefficient_tables_data.cpp, computed from the table design rules.
#pragma once

#include <string>

std::string coefficientTablesSource();
