#include "params/package.h"

#include <algorithm>
#include <cctype>

namespace kvx::params {

PackageChoice defaultChoice(model::PackageType type, int pinCount) {
    return {type, pinCount, defaultVcc(pinCount), defaultGnd(pinCount)};
}

bool isPackagePinCount(int pinCount) {
    return std::find(model::kPinCounts.begin(), model::kPinCounts.end(), pinCount) != model::kPinCounts.end();
}

int listedPinCount(int pinCount) { return isPackagePinCount(pinCount) ? pinCount : 8; }

std::string packageName(const model::Package& package) {
    return std::string(package.packageType == model::PackageType::SOIC ? "SOIC" : "DIP") +
           std::to_string(package.pinCount);
}

std::optional<model::Package> parsePackageName(std::string_view name) {
    std::string upper;
    for (char c : name) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const auto& [prefix, type] : {std::pair{std::string_view("DIP"), model::PackageType::DIP},
                                       std::pair{std::string_view("SOIC"), model::PackageType::SOIC}}) {
        if (upper.size() <= prefix.size() || upper.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string digits = upper.substr(prefix.size());
        if (digits.size() > 2 || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        const int count = std::stoi(digits);
        if (!isPackagePinCount(count) || digits[0] == '0') return std::nullopt;
        return model::Package{type, count};
    }
    return std::nullopt;
}

int stepSupplyPin(int value, bool up, int other, int max) {
    if (value != other) return value;
    int next = up ? value + 1 : (value == 1 ? value + 1 : value - 1);
    // Beyond the range the step is undone: the field goes back to where it came from.
    if (next > max) next = value - 1;
    if (next < 1) next = value + 1;
    return next;
}

std::optional<std::pair<int, int>> supplyPins(const model::TestDocument& doc) {
    int vcc = 0;
    int gnd = 0;
    for (int p = 1; p <= doc.pinCount(); ++p) {
        if (doc.pin(p).pinType == model::PinType::Supply) vcc = p;
        if (doc.pin(p).pinType == model::PinType::Ground) gnd = p;
    }
    if (vcc == 0 || gnd == 0) return std::nullopt;
    return std::pair{vcc, gnd};
}

void applyPackage(model::TestDocument& doc, const PackageChoice& choice) {
    // The displayed rows of the current test (with the output rows of I/O pins) become inactive.
    const int test = doc.currentTest();
    const int positions = doc.displayRowCount();
    for (int k = 1; k <= positions; ++k) {
        const int row = doc.signalRow(test, k);
        for (int t = 1; t <= doc.tactCount(); ++t) doc.setCell(test, row, t, model::kInactive);
    }
    // The display order of the first two tests starts afresh.
    for (int t = 0; t < 2; ++t) {
        for (int k = 0; k < model::kRowSlots; ++k) doc.setSignalEntry(t, k, {});
        for (int k = 1; k <= model::kPinRows; ++k) doc.setSignalEntry(t, k, {k, model::RowKind::Pin});
    }
    // Every row an unnamed input (row numbers keep their labels); then the supply pins.
    for (int r = 0; r < model::kMaxRow; ++r) {
        doc.setPinType(r, model::PinType::Input);
        doc.setPinName(r, {});
    }
    if (choice.vcc >= 1 && choice.vcc <= model::kMaxPins) doc.setPinType(choice.vcc, model::PinType::Supply);
    if (choice.gnd >= 1 && choice.gnd <= model::kMaxPins) doc.setPinType(choice.gnd, model::PinType::Ground);
    doc.setPackage({choice.type, choice.pinCount});
    doc.setSaved(true);
}

}  // namespace kvx::params
