// Package defaults, the rule that keeps the supply fields apart, package names and what
// "OK" of the package dialog does to a test.

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "params/package.h"

using namespace kvx;
using namespace kvx::params;
using model::PackageType;

TEST(Package, DefaultSupplyPins) {
    const std::vector<std::tuple<int, int, int>> table = {{8, 8, 4},    {14, 14, 7},  {16, 16, 8},
                                                          {18, 18, 9},  {20, 20, 10}, {24, 24, 12},
                                                          {28, 28, 14}, {32, 32, 16}, {40, 40, 20}};
    for (const auto& [n, vcc, gnd] : table) {
        EXPECT_EQ(defaultChoice(PackageType::DIP, n), (PackageChoice{PackageType::DIP, n, vcc, gnd})) << n;
        EXPECT_TRUE(isPackagePinCount(n));
    }
    EXPECT_FALSE(isPackagePinCount(10));
    EXPECT_EQ(listedPinCount(10), 8);
}

TEST(Package, SupplyFieldsNeverMeet) {
    struct Case {
        int value;  // after the step
        bool up;
        int other, max, expected;
    };
    const std::vector<Case> cases = {
        {7, false, 7, 8, 6},     // VCC from 8 down onto GND 7
        {8, true, 8, 14, 9},     // GND from 7 up onto VCC 8
        {1, false, 1, 8, 2},     // down onto the other at pin 1: one further is 2
        {14, true, 14, 14, 13},  // up onto the other at the last pin: the step is undone
        {5, true, 7, 8, 5},      // not onto the other: unchanged
        {3, false, 4, 8, 3},
    };
    for (const auto& c : cases)
        EXPECT_EQ(stepSupplyPin(c.value, c.up, c.other, c.max), c.expected)
            << c.value << (c.up ? " up" : " down") << " other " << c.other;
}

TEST(Package, Names) {
    const std::vector<std::pair<std::string, std::optional<model::Package>>> cases = {
        {"DIP16", model::Package{PackageType::DIP, 16}}, {"soic28", model::Package{PackageType::SOIC, 28}},
        {"Dip8", model::Package{PackageType::DIP, 8}},   {"SOIC40", model::Package{PackageType::SOIC, 40}},
        {"DIP17", std::nullopt},  {"DIP", std::nullopt},  {"DIP016", std::nullopt}, {"SOP16", std::nullopt},
        {"DIP16 ", std::nullopt}, {"", std::nullopt},     {"DIP-16", std::nullopt}};
    for (const auto& [text, expected] : cases) {
        const auto p = parsePackageName(text);
        ASSERT_EQ(p.has_value(), expected.has_value()) << text;
        if (p) {
            EXPECT_EQ(p->packageType, expected->packageType) << text;
            EXPECT_EQ(p->pinCount, expected->pinCount) << text;
            EXPECT_EQ(parsePackageName(packageName(*p))->pinCount, p->pinCount);
        }
    }
    EXPECT_EQ(packageName({PackageType::SOIC, 18}), "SOIC18");
}

TEST(Package, OkStartsTheDiagramAfresh) {
    model::TestDocument doc;
    doc.setPackage({PackageType::DIP, 14});
    doc.setPinName(1, "CLK");
    doc.setPinName(3, "Q0");
    doc.setPinType(2, model::PinType::InOut);  // display row 3 is its output row 52
    doc.setPinType(5, model::PinType::Supply);
    doc.setPinType(9, model::PinType::Ground);
    doc.setPinName(52, "Q_out");
    doc.moveSignalEntry(0, 1, 4);
    for (int k = 1; k <= doc.displayRowCount(); ++k)
        for (int t = 1; t <= doc.tactCount(); ++t) doc.setCell(0, doc.signalRow(0, k), t, static_cast<model::CellLevel>(t % 2));
    doc.setPinFunction(0, 4, "!(C1)");
    ASSERT_FALSE(doc.saved());

    applyPackage(doc, {PackageType::SOIC, 14, 14, 7});  // the same pin count erases all the same

    EXPECT_TRUE(doc.saved());
    EXPECT_EQ(doc.package().packageType, PackageType::SOIC);
    EXPECT_EQ(doc.pinCount(), 14);
    EXPECT_EQ(doc.ioPinCount(), 0);
    for (int r = 1; r < model::kMaxRow; ++r) {
        const std::string expected = r == 14 ? "VCC" : r == 7 ? "GND" : "I";
        EXPECT_EQ(doc.pin(r).pinType, expected) << r;
        EXPECT_EQ(doc.pin(r).pinName, "") << r;
        EXPECT_EQ(doc.pin(r).numberLabel, std::to_string(r));
    }
    for (int row : {1, 2, 3, 4, 14, 52})
        for (int t = 1; t <= doc.tactCount(); ++t) EXPECT_EQ(doc.getCell(0, row, t), model::kInactive) << row << " " << t;
    for (int test : {0, 1})
        for (int k = 1; k <= model::kPinRows; ++k)
            EXPECT_EQ(doc.signalEntry(test, k), (model::SignalEntry{k, model::RowKind::Pin})) << test << " " << k;
    EXPECT_EQ(doc.signalEntry(0, 51), model::SignalEntry{});
    EXPECT_EQ(supplyPins(doc), (std::pair{14, 7}));

    // The supply pins of a 40-pin package.
    applyPackage(doc, defaultChoice(PackageType::DIP, 40));
    EXPECT_EQ(doc.pin(40).pinType, "VCC");
    EXPECT_EQ(doc.pin(20).pinType, "GND");
    EXPECT_EQ(supplyPins(doc), (std::pair{40, 20}));
}
