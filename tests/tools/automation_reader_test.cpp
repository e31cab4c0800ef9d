// The automation reader with text that is JSON in form but holds numbers no double can take:
// the tool must report it as a bad file, like any other text that does not parse, instead of
// letting the JSON library's own exception escape. Found by the automation fuzz target.
#include <gtest/gtest.h>

#include <string>

#include "tools/automation.h"
#include "tools/tool_error.h"

namespace {

class AutomationNumberOverflow : public testing::TestWithParam<const char*> {};

TEST_P(AutomationNumberOverflow, IsReportedAsABadFile) {
    const ParameterNames names(std::vector<std::string>{"Freq", "Res", "Smooth", "Type", "Cutoff", "Dry/Wet", "Level"});
    try {
        parseAutomation(GetParam(), names, 44100.0, "overflow.json");
        FAIL() << "no error for " << GetParam();
    } catch (const ToolError& error) {
        EXPECT_NE(std::string(error.what()).find("overflow.json"), std::string::npos) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, AutomationNumberOverflow,
                         testing::Values("2E544",
                                         R"([{"seconds": 1e400, "parameter": "Freq", "value": 0.5}])",
                                         R"([{"sample": 0, "parameter": "Freq", "value": -1e999}])"));

}  // namespace
