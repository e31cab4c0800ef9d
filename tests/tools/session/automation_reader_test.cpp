// SPDX-License-Identifier: MIT
// The automation reader with text that is JSON in form but holds numbers no double can take:
// the tool must report it as a bad file, like any other text that does not parse, instead of
// letting the JSON library's own exception escape. Found by the automation fuzz target.
#include <gtest/gtest.h>

#include <string>

#include "tools/session/automation.h"
#include "tools/tool_error.h"

namespace {

struct OverflowCase {
    const char* name;
    const char* text;
};

class AutomationNumberOverflow : public testing::TestWithParam<OverflowCase> {};

TEST_P(AutomationNumberOverflow, IsReportedAsABadFile) {
    const ParameterNames names(std::vector<std::string>{"Freq", "Res", "Smooth", "Type", "Cutoff", "Dry/Wet", "Level"});
    try {
        parseAutomation(GetParam().text, names, 44100.0, "overflow.json");
        FAIL() << "no error for " << GetParam().text;
    } catch (const ToolError& error) {
        EXPECT_NE(std::string(error.what()).find("overflow.json"), std::string::npos) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, AutomationNumberOverflow,
                         testing::Values(OverflowCase{"NumberAlone", "2E544"},
                                         OverflowCase{"Seconds", R"([{"seconds": 1e400, "parameter": "Freq", "value": 0.5}])"},
                                         OverflowCase{"Value", R"([{"sample": 0, "parameter": "Freq", "value": -1e999}])"}),
                         [](const testing::TestParamInfo<OverflowCase>& info) { return std::string(info.param.name); });

}  // namespace
