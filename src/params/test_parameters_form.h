#pragma once
// The fields of the test parameters dialog without the widgets: the tact duration, the two
// logic threshold texts and the codes they stand for, with the rules that run after every
// change of a threshold text. A code c stands for c * 5 / 256 volts; a voltage v gives the
// code floor((v + 0.01) * 51.2).

#include <optional>
#include <string>
#include <string_view>

#include "model/test_document.h"

namespace kvx::params {

inline constexpr int kMaxLowCode = 128;   ///< logic zero not above 2,50 V
inline constexpr int kMaxHighCode = 256;  ///< logic one not above 5,00 V
inline constexpr int kMinHighCode = 51;   ///< logic one not below 1,00 V
inline constexpr const char* kDefaultHighText = "2,0";
inline constexpr const char* kDefaultLowText = "0,8";
inline constexpr int kDefaultTactDuration = 2;

/// The code of a voltage text, or nullopt when the text is not a number. Both "," and "."
/// are decimal separators; spaces around the number and a sign are allowed, an exponent is
/// not. Digits after the sixth decimal are ignored; voltages beyond +-10000 give +-1000000.
std::optional<int> codeFromText(std::string_view text);
/// A code as volts with two decimals and a decimal comma ("1,99").
std::string voltsText(int code);

enum class LevelField { High, Low };

/// The message for a threshold field whose text is not a number when "Применить" is pressed.
std::string notANumberMessage(LevelField field, std::string_view text);

/// The threshold fields and the codes behind them, as the dialog shows them. After every
/// change of a field the codes are within their ranges (logic zero 0..128, logic one 51..256
/// and not below logic zero), and a field that holds a number shows its stored code.
class LevelFields {
public:
    const std::string& highText() const { return highText_; }
    const std::string& lowText() const { return lowText_; }
    int highCode() const { return highCode_; }
    int lowCode() const { return lowCode_; }
    int tactDuration() const { return tactDuration_; }

    /// A new text of the logic one field; when it differs from the old one the rule runs.
    void setHighText(const std::string& text);
    /// A new text of the logic zero field; when it differs from the old one the rule runs.
    void setLowText(const std::string& text);
    /// The tact duration list: a value outside 1..8 becomes 2.
    void setTactDuration(int value);

    /// "По Умолчанию": tact duration 2, "2,0" and "0,8", then the rule.
    void applyDefaults();
    /// Showing the dialog: both codes written into their fields as volts, the tact duration
    /// kept within 1..8.
    void show(const model::TestParameters& p);
    /// The first field, logic one before logic zero, whose text is not a number (its code is
    /// the last one it held), or nullopt when both read as numbers.
    std::optional<LevelField> fieldNotANumber() const;
    /// "Применить": logic zero not below 0, logic one not below logic zero (the rule has kept
    /// both within their ranges already).
    void applyLimits();
    /// The parameters the fields stand for.
    model::TestParameters parameters() const { return {tactDuration_, highCode_, lowCode_}; }

private:
    /// The rule that runs after every change of either threshold field.
    void fieldRule();
    void setHigh(const std::string& text);
    void setLow(const std::string& text);
    /// Logic zero read from its field (decimal comma) and kept within 0..128.
    void readLow();
    /// Logic one read from its field (decimal comma) and kept within 51..256.
    void readHigh();
    /// The last step of the rule: logic one follows logic zero up, never down.
    void keepOrder();

    std::string highText_ = kDefaultHighText;
    std::string lowText_ = kDefaultLowText;
    int highCode_ = 102;
    int lowCode_ = 41;
    int tactDuration_ = kDefaultTactDuration;
    int depth_ = 0;  ///< nesting of rules set off by texts the rules themselves set
};

}  // namespace kvx::params
