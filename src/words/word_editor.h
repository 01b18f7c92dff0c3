#pragma once
// The rules of the data word editor without its window: which pins a word may take, the pin
// lines of its two lists, member order, the backup taken at each selection, adding, renaming
// and deleting words, and the word check run on every close.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/test_document.h"

namespace kvx::words {

inline constexpr const char* kCannotAddPin = "Не могу добавить контакт";
inline constexpr const char* kTooManyWords = "Нельзя добавить Слово Данных: в тесте их уже 51";
inline constexpr const char* kBadWordName =
    "Имя Слова Данных не может содержать знак \"=\", перевод строки или управляющие символы";
inline constexpr const char* kAddWordPrompt = "Введите имя Слова Данных";
inline constexpr const char* kRenameWordPrompt = "Введите новое имя Слова Данных";

/// Items of "Тип контакта" (index = direction) and "Система счисления" (index = radix item).
inline constexpr const char* kDirectionItems[3] = {"I-Входные", "O-Выходные", "I/O-Двунаправленные"};
inline constexpr const char* kRadixItems[4] = {"Двоичная", "Восьмеричная", "Десятичная", "Шестнадцатиричная"};
inline constexpr int kRadixValues[4] = {2, 8, 10, 16};
/// Item of "Система счисления" for a radix; an unknown radix shows "Десятичная".
int radixItem(int radix);

/// A pin of type `pinType` may join a word of direction 0 (I: exactly "I"), 1 (O: exactly "O")
/// or 2 (I/O: begins with "I" and is longer than one character).
bool pinQualifies(std::string_view pinType, int direction);
/// The direction a pin of `pinType` gives a word it is the first member of; nullopt for the
/// types that join no word (function pins, NC, VCC, GND).
std::optional<int> directionOfType(std::string_view pinType);

/// Members typed as pin numbers in bit order, the first the least significant bit: numbers
/// and ranges separated by commas or blanks, a range counting up or down ("14-11" gives 14,
/// 13, 12, 11; "11,12,13,14" and "11-14" give 11, 12, 13, 14).
struct TypedMembers {
    std::vector<int> pins;
    std::string error;  ///< the message for a text that names no pins of the package
};
TypedMembers parseTypedMembers(std::string_view text, int pinCount);
/// Pins 1..pinCount, ascending, that are not members of `word` and qualify for its direction.
std::vector<int> offeredPins(const model::TestDocument& doc, const model::DataWord& word);
/// The line of a pin in both lists: "5 - A0".
std::string pinLine(const model::TestDocument& doc, int pin);
/// The pin number a line starts with: its leading digits up to the first blank (one or two
/// digits for every pin); nullopt when the line does not start with a digit.
std::optional<int> pinOfLine(std::string_view line);
/// Takes `row` out of the word; the members after it move one slot forward. False when the
/// row is not a member.
bool removeMember(model::DataWord& word, int row);

/// Which of the types "I", "O", "I/O" the members carry, as one code: all three 5, O and I/O 4,
/// I and I/O 3, I and O 2, only I/O 7, only O 6, only I 8, none of them 0.
int memberTypeCode(const model::TestDocument& doc, const model::DataWord& word);
/// The word check: one message per word whose members do not agree with its direction, in
/// list order. A word without a member of type I, O or I/O has nothing to report; the check
/// goes on with the next word.
std::vector<std::string> checkDataWords(const model::TestDocument& doc);
/// A word name may not hold '=' (it ends the name in the test file), line breaks or other
/// control characters.
bool validWordName(std::string_view name);

/// What ">" did with a pin.
enum class MoveInResult { Added, Full, Nothing };

/// The editor's state (selection, backup, apply flag) and its operations on the document's
/// word list. Words beyond index 50 cannot be selected.
class WordEditor {
public:
    explicit WordEditor(model::TestDocument& doc) : doc_(doc) {}

    /// Index of the selected word; -1 when none is.
    int selected() const { return selected_; }
    /// The selected word, or nullptr.
    model::DataWord* selectedWord();
    const model::DataWord* selectedWord() const;
    /// The copy taken at the last selection; nullopt from start-up until the first one.
    const std::optional<model::DataWord>& backup() const { return backup_; }
    bool applying() const { return applying_; }

    /// Selects word `index` and takes the backup; outside 0..50 or the list, selects none.
    /// A stored direction above 2 becomes 0.
    void select(int index);
    /// No word selected (the backup stays).
    void deselect() { selected_ = -1; }
    /// Pins offered to the selected word ("Все контакты"); empty with none selected.
    std::vector<int> offered() const;
    /// Members of the selected word in member order ("Контакты слова").
    std::vector<int> members() const;

    /// The selected word was just added and has no member yet: its direction comes from its
    /// first member, and every pin that may join some word is offered.
    bool directionOpen() const;

    /// ">": the pin joins the selected word in its first empty slot (the first member of a new
    /// word gives it its direction).
    MoveInResult moveIn(int pin);
    /// Typed members join the selected word in their order, all of them or, with a message
    /// why, none: pins that exist, may join a word of its direction (a new word takes the
    /// direction of the first), are not members yet and fit into its slots. Empty on success.
    std::string addTyped(const std::vector<int>& pins);
    /// ">>": every offered pin joins in ascending order; false when the slots ran out.
    bool moveAllIn();
    /// "<": takes the pin out of the selected word.
    bool moveOut(int pin);
    /// "<<": empties every member slot of the selected word.
    void clearMembers();
    /// "Система счисления" item 0..3 chosen.
    void setRadixItem(int item);
    /// "Тип контакта" item 0..2 chosen: the direction changes and the word is selected again.
    void setDirectionItem(int item);

    /// "&Добавить..." is possible: the list holds fewer than 51 words.
    bool canAdd() const;
    /// Appends a new word named `name` (hexadecimal, direct, linked, `direction`) and selects
    /// it; with an empty or invalid name or a full list nothing is added and none is selected.
    bool add(const std::string& name, int direction);
    /// "Изменить": renames the selected word; false (nothing changed) for an empty name or none
    /// selected.
    bool rename(const std::string& name);
    /// "&Удалить": removes the selected word and selects the one before it.
    bool remove();

    /// "&Применить": the close that follows keeps every change.
    void apply() { applying_ = true; }
    /// "&Отмена": the selected word gets the backup back.
    void cancel();
    /// Every close: the word check's messages; unless "&Применить" closed the editor, the
    /// selected word gets the backup back. The apply flag is cleared.
    std::vector<std::string> close();

    /// After the document's word list was replaced (a load): selects the first word, or none.
    void listReplaced();

private:
    void restoreBackup();
    void changed() { doc_.markChanged(); }

    model::TestDocument& doc_;
    int selected_ = -1;
    std::optional<model::DataWord> backup_;
    bool applying_ = false;
    int openWord_ = -1;  ///< the word added last, while its direction is still to come from its first member
};

}  // namespace kvx::words
