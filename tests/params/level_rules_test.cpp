// Voltage codes and the rules of the two threshold fields of the test parameters dialog.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "params/test_parameters_form.h"

using namespace kvx::params;

TEST(VoltageCodes, TextsToCodes) {
    const std::vector<std::pair<std::string, std::optional<int>>> cases = {
        {"2,0", 102}, {"0,8", 41},  {"2.5", 128},     {"5", 256},         {" 1,5 ", 77},     {"1,24", 64},
        {"1.24", 64}, {".5", 26},   {"5,", 256},      {"+0,8", 41},       {"-0,01", 0},      {"-0,5", -26},
        {"0", 0},     {"99999", 1'000'000},           {"-99999", -1'000'000},                {"1,9999999", 102},
        {"", std::nullopt},         {"  ", std::nullopt}, {"abc", std::nullopt}, {"1,2,3", std::nullopt},
        {"1e3", std::nullopt},      {",", std::nullopt},  {"-", std::nullopt},   {"1 5", std::nullopt},
        {"٣", std::nullopt},        {"0x10", std::nullopt}};
    for (const auto& [text, code] : cases) EXPECT_EQ(codeFromText(text), code) << '"' << text << '"';
}

TEST(VoltageCodes, CodesToTexts) {
    const std::vector<std::pair<int, std::string>> cases = {{102, "1,99"}, {41, "0,80"},  {128, "2,50"}, {256, "5,00"},
                                                            {0, "0,00"},   {32, "0,63"},  {51, "1,00"},  {1, "0,02"},
                                                            {-26, "-0,51"}, {1000000, "19531,25"}};
    for (const auto& [code, text] : cases) EXPECT_EQ(voltsText(code), text) << code;
    // Every code the fields can hold reads back as itself.
    for (int c = -300; c <= 300; ++c) EXPECT_EQ(codeFromText(voltsText(c)), c) << c;
}

namespace {

enum class Field { High, Low, Show, Limits };
struct Step {
    Field field;
    std::string text;
    int high = 0;  ///< codes given to Show
    int low = 0;
};
struct RuleCase {
    const char* what;
    std::vector<Step> steps;
    std::string highText, lowText;
    int highCode, lowCode;
};

}  // namespace

TEST(LevelFields, RulesInTheirOrder) {
    using F = Field;
    const std::vector<RuleCase> cases = {
        {"defaults", {}, "2,0", "0,8", 102, 41},
        {"logic one above 5 V", {{F::High, "6"}}, "5,00", "0,8", 256, 41},
        {"logic one with a point", {{F::High, "2.5"}}, "2,5", "0,8", 128, 41},
        {"logic one below logic zero", {{F::High, "0,5"}}, "0,8", "0,8", 41, 41},
        {"logic one under 1 V stays while only it is typed", {{F::High, "0,9"}}, "0,9", "0,8", 46, 41},
        {"logic one that is not a number", {{F::High, "x"}}, "x", "0,8", 102, 41},
        {"logic zero above 2,5 V lifts logic one", {{F::Low, "3"}}, "2,50", "2,50", 128, 128},
        {"logic zero above logic one", {{F::Low, "2,2"}}, "2,2", "2,2", 113, 113},
        {"logic zero below 0 V", {{F::Low, "-1"}}, "2,0", "0", 102, 0},
        {"logic zero with a point", {{F::Low, "0.5"}}, "2,0", "0,5", 102, 26},
        {"logic zero that is not a number", {{F::Low, "-"}}, "2,0", "-", 102, 41},
        {"logic zero lifts a logic one under 1 V", {{F::High, "0,9"}, {F::Low, "0,5"}}, "1,00", "0,5", 51, 26},
        {"logic one rule fixes the point in logic zero", {{F::Low, "0.5"}, {F::High, "3"}}, "3", "0,5", 154, 26},
        {"showing codes 128 and 41", {{F::Show, "", 128, 41}}, "2,50", "0,80", 128, 41},
        {"showing the defaults", {{F::Show, "", 102, 41}}, "1,99", "0,80", 102, 41},
        {"showing codes out of their ranges", {{F::Show, "", 300, 200}}, "5,00", "2,50", 256, 128},
        {"apply after a negative logic zero", {{F::Low, "-0,5"}, {F::Limits, ""}}, "2,0", "0", 102, 0},
        {"apply keeps logic one above logic zero", {{F::High, "x"}, {F::Low, "2,3"}, {F::Limits, ""}}, "2,3", "2,3", 118, 118},
    };
    for (const auto& c : cases) {
        LevelFields f;
        for (const auto& s : c.steps) {
            switch (s.field) {
            case Field::High: f.setHighText(s.text); break;
            case Field::Low: f.setLowText(s.text); break;
            case Field::Show: f.show({2, s.high, s.low}); break;
            case Field::Limits: f.applyLimits(); break;
            }
        }
        EXPECT_EQ(f.highText(), c.highText) << c.what;
        EXPECT_EQ(f.lowText(), c.lowText) << c.what;
        EXPECT_EQ(f.highCode(), c.highCode) << c.what;
        EXPECT_EQ(f.lowCode(), c.lowCode) << c.what;
    }
}

TEST(LevelFields, DefaultsAndTactDuration) {
    LevelFields f;
    f.setHighText("4");
    f.setLowText("1");
    for (int d : {0, 9, -3}) {
        f.setTactDuration(d);
        EXPECT_EQ(f.tactDuration(), 2) << d;
    }
    f.setTactDuration(7);
    EXPECT_EQ(f.parameters().tactDuration, 7);
    f.applyDefaults();
    EXPECT_EQ(f.parameters(), (kvx::model::TestParameters{2, 102, 41}));
    EXPECT_EQ(f.highText(), "2,0");
    EXPECT_EQ(f.lowText(), "0,8");
}
