#pragma once
// The rules of the algorithms dialog without its widgets: what its controls show when it
// opens, the cleaning and bounds of the address fields, and the one handler of "OK" and
// "Отмена" that checks the pages and stores them into the document's AlgorithmSettings.
// The dialog and `kvxtool expand` both run them.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "model/test_document.h"
#include "platform/prompter.h"
#include "words/word_values.h"

namespace kvx::algorithms {

inline constexpr int kTactFieldMax = 65000;     ///< cyclic and ROM tact fields: 1..65000
inline constexpr int kRamTactFieldMax = 1000;   ///< RAM tact fields: 1..1000

inline constexpr const char* kCyclicRangeMessage = "Начальный Такт не может быть больше Конечного";
inline constexpr const char* kAddressRangeMessage = "Начальный Адрес не может быть больше конечного";
inline constexpr const char* kEqualStartsMessage =
    "Недопустимо начинать цикл записи и цикл чтения с одинакового такта.";

/// One mode of the RAM page ("Режим Записи" or "Режим Чтения").
struct RamModeFields {
    std::string startTact, addressTact, addressTactCount, dataTact, dataTactCount;
    int addressWord = -1;  ///< position in the word list; -1 when nothing is chosen
    int dataWord = -1;
};

/// What the controls of the dialog hold: number and address fields as their texts, word lists
/// as positions, and whether each page's "Состояние:" list says "Активен".
struct AlgorithmForm {
    std::array<bool, 4> activeList{};
    // "Циклический"
    std::string cyclicStart, cyclicEnd, cyclicCount;
    // "Тест ПЗУ"
    int romAddressWord = -1, romDataWord = -1;
    std::string romStartAddress, romEndAddress;
    std::string romStartTact, romAddressTact, romAddressTactCount, romDataTact;
    std::string romDataFile;
    // "Тест ОЗУ"
    std::string ramStartAddress, ramEndAddress;
    RamModeFields ramWrite, ramRead;
};

/// Radix of the address fields: that of data word 0; decimal when there is no word.
int addressRadix(const model::TestDocument& doc);
/// The text with every character removed that is not a digit of the radix (2, 8, 10, 16).
std::string cleanAddressText(std::string_view text, int radix);
/// 2^(members of the word) − 1 (all 64 bits for 64 members and more); 0 for a word without
/// members or an unknown word, which sets no limit.
words::WordValue largestAddress(const model::TestDocument& doc, int wordIndex);
/// The text an end address field is replaced by when its value exceeds a largest address above
/// 0; nullopt when the field stays as it is.
std::optional<std::string> boundedEndAddress(std::string_view text, int radix, words::WordValue largest);
/// An address field's value; nullopt for an empty text.
std::optional<words::WordValue> parseAddress(std::string_view text, int radix);
/// The RAM page's up/down buttons: the value plus or minus 1 in the radix (not below 0 and not
/// beyond 2^64 − 1).
std::string stepAddress(std::string_view text, int radix, int step);

/// Opening the dialog: the controls loaded from the document (numbers kept within their
/// fields' ranges, addresses in the address radix, word positions that exist), the lists and
/// `active` flags set so that only `selected` is active, and the document marked changed.
AlgorithmForm openForm(model::TestDocument& doc, int selected);
/// A "Состояние:" list set to "Активен": every flag 0 but that of `block`, the other lists
/// "Неактивен".
void activateAlgorithm(model::TestDocument& doc, AlgorithmForm& form, int block);

/// How the handler ended.
struct HandlerResult {
    bool stopped = false;           ///< a message stopped it (after "OK" the dialog stays open)
    std::string message;            ///< the message to show, when stopped
    platform::Icon icon = platform::Icon::None;
    bool expanded = false;          ///< an expansion ran and wrote the diagram
    bool expansionRefused = false;  ///< an expansion was refused ("Error DiagrSize" was raised)
};

/// The handler of "OK" and "Отмена": checks and stores the active page; with `showResult` the
/// stored algorithm is expanded into the diagram (and the function rows recalculated),
/// otherwise the diagram and its tact count stay as they are.
HandlerResult runHandler(model::TestDocument& doc, const AlgorithmForm& form, bool showResult);

}  // namespace kvx::algorithms
