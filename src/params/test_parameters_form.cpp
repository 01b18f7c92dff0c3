#include "params/test_parameters_form.h"

#include <cstdint>

namespace kvx::params {

namespace {

constexpr int kFractionDigits = 6;
constexpr std::int64_t kScale = 1'000'000;  // 10^kFractionDigits
constexpr int kSaturatedCode = 1'000'000;
constexpr int kMaxRuleDepth = 32;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

std::string replaceFirstPoint(std::string text) {
    const auto at = text.find('.');
    if (at != std::string::npos) text[at] = ',';
    return text;
}

}  // namespace

std::optional<int> codeFromText(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::int64_t whole = 0;
    std::int64_t fraction = 0;
    int fractionDigits = 0;
    bool digits = false;
    bool separator = false;
    bool saturated = false;
    for (char c : text) {
        if (c == ',' || c == '.') {
            if (separator) return std::nullopt;
            separator = true;
        } else if (!isDigit(c)) {
            return std::nullopt;
        } else {
            digits = true;
            if (separator) {
                if (fractionDigits < kFractionDigits) {
                    fraction = fraction * 10 + (c - '0');
                    ++fractionDigits;
                }
            } else if (!saturated) {
                whole = whole * 10 + (c - '0');
                saturated = whole >= 10'000;
            }
        }
    }
    if (!digits) return std::nullopt;
    if (saturated) return negative ? -kSaturatedCode : kSaturatedCode;
    for (int k = fractionDigits; k < kFractionDigits; ++k) fraction *= 10;
    const std::int64_t scaled = (whole * kScale + fraction) * (negative ? -1 : 1);
    // floor((v + 0.01) * 51.2) with v = scaled / 10^6, in whole numbers.
    return static_cast<int>(floorDiv((scaled + kScale / 100) * 512, kScale * 10));
}

std::string voltsText(int code) {
    const std::int64_t magnitude = code < 0 ? -static_cast<std::int64_t>(code) : code;
    const std::int64_t hundredths = (magnitude * 500 + 128) / 256;  // halves round away from zero
    std::string out = (code < 0 && hundredths != 0) ? "-" : "";
    out += std::to_string(hundredths / 100) + ",";
    const std::int64_t cents = hundredths % 100;
    if (cents < 10) out += '0';
    out += std::to_string(cents);
    return out;
}

std::string notANumberMessage(LevelField field, std::string_view text) {
    const bool high = field == LevelField::High;
    std::string m = high ? "Порог логической единицы" : "Порог логического нуля";
    if (text.find_first_not_of(" \t") == std::string_view::npos) m += " не задан.";
    else m += " «" + std::string(text) + "» не является числом.";
    m += " Введите напряжение в вольтах, например ";
    m += high ? kDefaultHighText : kDefaultLowText;
    return m;
}

std::optional<LevelField> LevelFields::fieldNotANumber() const {
    if (!codeFromText(highText_)) return LevelField::High;
    if (!codeFromText(lowText_)) return LevelField::Low;
    return std::nullopt;
}

void LevelFields::setHighText(const std::string& text) {
    if (text == highText_) return;
    highText_ = text;
    fieldRule();
}

void LevelFields::setLowText(const std::string& text) {
    if (text == lowText_) return;
    lowText_ = text;
    fieldRule();
}

void LevelFields::setTactDuration(int value) { tactDuration_ = (value < 1 || value > 8) ? kDefaultTactDuration : value; }

// A text set by a rule is a change of that field and runs its rule again; the depth guard
// only matters for texts that keep changing, which the rules below never produce.
void LevelFields::setHigh(const std::string& text) {
    if (text == highText_) return;
    highText_ = text;
    if (depth_ < kMaxRuleDepth) fieldRule();
}

void LevelFields::setLow(const std::string& text) {
    if (text == lowText_) return;
    lowText_ = text;
    if (depth_ < kMaxRuleDepth) fieldRule();
}

void LevelFields::keepOrder() {
    if (highCode_ < lowCode_) {
        highCode_ = lowCode_;
        // Logic one shows what logic zero shows, or its code when that field is no number.
        setHigh(codeFromText(lowText_) ? lowText_ : voltsText(lowCode_));
    }
}

void LevelFields::readLow() {
    setLow(replaceFirstPoint(lowText_));
    if (const auto c = codeFromText(lowText_)) lowCode_ = *c;
    if (lowCode_ > kMaxLowCode) {
        lowCode_ = kMaxLowCode;
        setLow("2,50");
    } else if (lowCode_ < 0) {
        lowCode_ = 0;
        setLow("0");
    }
}

void LevelFields::readHigh() {
    setHigh(replaceFirstPoint(highText_));
    if (const auto c = codeFromText(highText_)) highCode_ = *c;
    if (highCode_ > kMaxHighCode) {
        highCode_ = kMaxHighCode;
        setHigh("5,00");
    } else if (highCode_ < kMinHighCode) {
        highCode_ = kMinHighCode;
        setHigh("1,00");
    }
}

// Whichever field changed, both are read in the same order, so that logic zero stays within
// 0..128 and logic one within 51..256 and not below logic zero.
void LevelFields::fieldRule() {
    ++depth_;
    readLow();
    readHigh();
    keepOrder();
    --depth_;
}

void LevelFields::applyDefaults() {
    tactDuration_ = kDefaultTactDuration;
    setHigh(kDefaultHighText);
    setLow(kDefaultLowText);
    fieldRule();
}

void LevelFields::show(const model::TestParameters& p) {
    // Both texts first: the rule must not weigh one of the test's codes against what the other
    // field showed before.
    highCode_ = p.levelHighCode;
    lowCode_ = p.levelLowCode;
    highText_ = voltsText(p.levelHighCode);
    lowText_ = voltsText(p.levelLowCode);
    fieldRule();
    setTactDuration(p.tactDuration);
}

void LevelFields::applyLimits() {
    if (lowCode_ <= 0) {
        lowCode_ = 0;
        setLow("0");
        lowCode_ = 0;
    }
    keepOrder();
}

}  // namespace kvx::params
