// Voltage codes and the rules of the two threshold fields of the test parameters dialog: the
// rules step by step, and the ranges of both codes after every key typed in any order.

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "model/text.h"
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
        {"logic one below logic zero and 1 V", {{F::High, "0,5"}}, "1,00", "0,8", 51, 41},
        {"logic one below logic zero", {{F::Low, "1,5"}, {F::High, "1,2"}}, "1,5", "1,5", 77, 77},
        {"logic one under 1 V", {{F::High, "0,9"}}, "1,00", "0,8", 51, 41},
        {"logic one follows logic zero up only", {{F::Low, "0,3"}, {F::High, "0,3"}}, "1,00", "0,3", 51, 15},
        {"logic one stays when logic zero goes down", {{F::Low, "2,2"}, {F::Low, "0,3"}}, "2,2", "0,3", 113, 15},
        {"logic one below a logic zero that is no number", {{F::Low, "2,2"}, {F::Low, "2,2x"}, {F::High, "1"}}, "2,21",
         "2,2x", 113, 113},
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
        {"showing codes under their ranges", {{F::Show, "", 15, -3}}, "1,00", "0", 51, 0},
        {"showing codes after logic zero was raised", {{F::Low, "2,5"}, {F::Show, "", 102, 41}}, "1,99", "0,80", 102,
         41},
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

TEST(LevelFields, CodesStayInTheirRangesAfterEveryKey) {
    // A script types into the fields as a user does: "H" and "L" pick the logic one and the
    // logic zero field, "^" selects the field's whole text so that the next key replaces it,
    // "<" erases the last character, "A" is "Применить"; any other character is typed at the end.
    const std::vector<std::string> scripts = {
        "L^0,3H^0,3A",     // logic zero 0,3, then logic one typed down to it
        "L^0,3H^-1A",      // logic one typed under a logic zero under 1 V
        "H<<<0,5AL^0A",    // logic one erased and typed under 1 V
        "L<<<3H^0L^0,1A",  // logic zero above 2,5 V, logic one typed down, logic zero down again
        "L^0.3H^2.5L^2.7A",
        "L^2,2xH^1A",      // logic zero no number, logic one typed under its code
        "H^9L^9H^-9L^-9A",
        "L^-H^,L<<1,2,3H^5,01A",
    };
    std::vector<std::string> all = scripts;
    std::mt19937 rng(17);
    const std::string keys = "HL^<0123456789,.-xA";
    for (int run = 0; run < 400; ++run) {
        std::string script;
        for (int k = 0; k < 16; ++k) script += keys[rng() % keys.size()];
        all.push_back(script);
    }
    for (const std::string& script : all) {
        LevelFields f;
        bool high = false, selected = false;
        std::string typed;
        for (const char key : script) {
            typed += key;
            if (key == 'H' || key == 'L') {
                high = key == 'H';
                selected = false;
                continue;
            }
            if (key == '^') {
                selected = true;
                continue;
            }
            if (key == 'A') {
                f.applyLimits();
            } else {
                std::string text = selected ? "" : high ? f.highText() : f.lowText();
                if (key == '<') text.resize(text.size() - kvx::model::text::last(text).size());
                else text += key;
                if (high) f.setHighText(text);
                else f.setLowText(text);
            }
            selected = false;
            const std::string what = script + " after " + typed;
            EXPECT_GE(f.lowCode(), 0) << what;
            EXPECT_LE(f.lowCode(), kMaxLowCode) << what;
            EXPECT_GE(f.highCode(), kMinHighCode) << what;
            EXPECT_LE(f.highCode(), kMaxHighCode) << what;
            EXPECT_GE(f.highCode(), f.lowCode()) << what;
            // A field that holds a number shows the code that is stored.
            if (const auto c = codeFromText(f.highText())) EXPECT_EQ(*c, f.highCode()) << what;
            if (const auto c = codeFromText(f.lowText())) EXPECT_EQ(*c, f.lowCode()) << what;
            if (::testing::Test::HasFailure()) return;
        }
    }
}
