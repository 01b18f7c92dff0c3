#pragma once
// The package of a test: its type and pin count, the default supply pins of a pin count,
// the rule that keeps the VCC and GND spin fields apart, and what confirming a package
// does to the document (the diagram starts afresh with the two supply pins marked).

#include <optional>
#include <string>
#include <string_view>

#include "model/test_document.h"

namespace kvx::params {

inline constexpr const char* kEqualSupplyPins = "Невозможно совпадения ножек VCC и GND";
inline constexpr const char* kLoseDiagramQuestion =
    "Изменение корпуса повлечет потерю данных диаграммы. Продолжить?";

/// What the package dialog confirms.
struct PackageChoice {
    model::PackageType type = model::PackageType::DIP;
    int pinCount = 8;
    int vcc = 8;
    int gnd = 4;
    bool operator==(const PackageChoice&) const = default;
};

/// Default supply pins of a pin count: VCC = N, GND = N / 2.
inline int defaultVcc(int pinCount) { return pinCount; }
inline int defaultGnd(int pinCount) { return pinCount / 2; }
/// The choice of a package with its default supply pins.
PackageChoice defaultChoice(model::PackageType type, int pinCount);
/// True for the nine pin counts a package can have.
bool isPackagePinCount(int pinCount);
/// The pin count list entry of a count; a count not in the list selects 8.
int listedPinCount(int pinCount);

/// "DIP16", "SOIC28".
std::string packageName(const model::Package& package);
/// Parses "DIP16", "soic28" (case does not matter); nullopt for anything else.
std::optional<model::Package> parsePackageName(std::string_view name);

/// One arrow step of a supply spin field. `value` is the field's value after the step
/// (already inside 1..max), `up` its direction, `other` the other supply field. When the step
/// lands on the other field the value moves one step further the same way (down from 1 it
/// goes to 2); a value that would leave 1..max steps back instead, so that the two fields never
/// hold the same pin while there are two pins to choose from.
int stepSupplyPin(int value, bool up, int other, int max);

/// The supply pins of the document: the last pins of type "VCC" and "GND" among 1..pinCount;
/// nullopt unless both exist.
std::optional<std::pair<int, int>> supplyPins(const model::TestDocument& doc);

/// "OK" of the package dialog on the document, once the supply pins differ and the user has
/// agreed to lose the diagram: the displayed rows become inactive, the display order of tests
/// 0 and 1 starts afresh, every pin becomes an unnamed input, the supply pins get their types
/// and the package its type and pin count. The document is left saved.
void applyPackage(model::TestDocument& doc, const PackageChoice& choice);

}  // namespace kvx::params
