#pragma once
// The data word editor "Слова Данных": a non-modal window that lives for the whole run, where
// the user adds, names, renames and deletes data words, chooses their direction and number
// system and which pins they take in which bit order. Every close runs the word check.

#include <QDialog>
#include <functional>

#include "model/test_document.h"
#include "platform/prompter.h"
#include "words/word_editor.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kvx::words::ui {

class TRename;

class TEditorWord : public QDialog {
    Q_OBJECT
public:
    TEditorWord(model::TestDocument& doc, platform::Prompter& prompter, TRename& namePrompt,
                QWidget* parent = nullptr);

    /// The command "&Слова данных...": shows the editor (the caller has marked the document).
    void showEditor();
    /// The document's word list was replaced or the test was cleared: the first word is selected.
    void documentReplaced();
    /// An undo or redo changed the document: the editor shows the words as they are now. The
    /// selected word stays selected while it exists; otherwise the last word is selected. A new
    /// backup is taken, as an activation takes one.
    void documentRestored();

    const WordEditor& editor() const { return editor_; }

    /// The history's marks: `mark` ends the current step and names the point reached (each
    /// backup takes one); `takeBackTo` takes back for good the steps made since a mark, so that
    /// a cancelled editor leaves no step. Without them "&Отмена" restores the backup as a
    /// change of its own.
    struct StepMarks {
        std::function<int()> mark;
        std::function<bool(int)> takeBackTo;
    };
    void setStepMarks(StepMarks marks) { marks_ = std::move(marks); }

    // Event handlers, named after their controls; public so that tests can call them as the
    // controls do.
    void ComboBox1Change(int index);      ///< word list: a word chosen
    void ComboBoxDirectionChange(int item);
    void ComboBoxRadixChange(int item);
    void BitBtnAddPinClick();              ///< ">"
    void BitBtnAddAllClick();              ///< ">>"
    void BitBtnRemovePinClick();           ///< "<"
    void BitBtnRemoveAllClick();           ///< "<<"
    /// "В слово" (also Enter in the field before it): the pins typed there join the word in
    /// their order; a text that cannot be taken is reported and stays in the field.
    void ButtonTypedMembersClick();
    void ButtonAddClick();                 ///< "&Добавить..."
    void ButtonRenameClick();              ///< "Изменить"
    void ButtonDeleteClick();              ///< "&Удалить"
    void BitBtnApplyClick();               ///< "&Применить"
    void BitBtnCancelClick();              ///< "&Отмена"
    /// The window became active: the word shown in the list is selected again.
    void FormActivate();

    QComboBox* wordList() const { return wordList_; }
    QComboBox* directionList() const { return directionList_; }
    QComboBox* radixList() const { return radixList_; }
    QListWidget* allPins() const { return allPins_; }
    QListWidget* wordPins() const { return wordPins_; }
    QPushButton* addPinButton() const { return addPin_; }
    QPushButton* addAllButton() const { return addAll_; }
    QPushButton* removePinButton() const { return removePin_; }
    QPushButton* removeAllButton() const { return removeAll_; }
    QPushButton* applyButton() const { return apply_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* addButton() const { return add_; }
    QPushButton* renameButton() const { return rename_; }
    QPushButton* deleteButton() const { return delete_; }
    QLineEdit* typedMembersField() const { return typedMembers_; }
    QPushButton* typedMembersButton() const { return addTyped_; }

public slots:
    /// Escape: as "&Отмена".
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    /// Selects word `index` and shows it (steps of a selection); none empties both pin lists.
    void selectWord(int index);
    /// The word list shows the document's words, the selected one current.
    void refillWordList();
    /// The selected word's direction and number system and both pin lists, without a new backup.
    void showWord();
    void rebuildAllPins();
    void rebuildWordPins();
    /// The steps since the last backup are taken back (the editor was cancelled).
    void takeBackSteps();

    model::TestDocument& doc_;
    platform::Prompter& prompter_;
    TRename& namePrompt_;
    WordEditor editor_;
    StepMarks marks_;
    int mark_ = 0;

    QComboBox* wordList_ = nullptr;
    QComboBox* directionList_ = nullptr;
    QComboBox* radixList_ = nullptr;
    QListWidget* allPins_ = nullptr;
    QListWidget* wordPins_ = nullptr;
    QPushButton* addPin_ = nullptr;
    QPushButton* addAll_ = nullptr;
    QPushButton* removePin_ = nullptr;
    QPushButton* removeAll_ = nullptr;
    QPushButton* apply_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* rename_ = nullptr;
    QPushButton* delete_ = nullptr;
    QLineEdit* typedMembers_ = nullptr;
    QPushButton* addTyped_ = nullptr;
};

}  // namespace kvx::words::ui
