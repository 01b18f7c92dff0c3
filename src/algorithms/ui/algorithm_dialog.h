#pragma once
// The algorithms dialog "Алгоритмы тестирования": edits the four AlgorithmSettings blocks of
// the document (pages "Стандартный", "Циклический", "Тест ПЗУ", "Тест ОЗУ"), selects the active
// algorithm and checks the parameters. Created for each use; "OK" and "Отмена" run the same
// handler, which stores the active page (and, with the hidden option "Показать результат",
// expands it into the diagram).

#include <QDialog>
#include <array>

#include "algorithms/algorithm_form.h"
#include "model/test_document.h"
#include "platform/prompter.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QToolButton;

namespace kvx::algorithms::ui {

class TFAlgoritm : public QDialog {
    Q_OBJECT
public:
    enum Page { StandardPage = 0, CyclicPage = 1, RomPage = 2, RamPage = 3 };
    enum RamMode { WriteMode = 0, ReadMode = 1 };

    /// The controls of one RAM mode page.
    struct ModeControls {
        QSpinBox* startTact = nullptr;
        QSpinBox* addressTact = nullptr;
        QSpinBox* addressTactCount = nullptr;
        QSpinBox* dataTact = nullptr;
        QSpinBox* dataTactCount = nullptr;
        QComboBox* addressWord = nullptr;
        QComboBox* dataWord = nullptr;
        QPlainTextEdit* fixedText = nullptr;
    };

    /// Loads every control from the document for the algorithm `selected` (the main window's
    /// selection), shows its page, makes it the only active one and marks the document changed.
    TFAlgoritm(model::TestDocument& doc, platform::Prompter& prompter, int selected, QWidget* parent = nullptr);

    /// "OK": the handler; the dialog closes unless a message stopped it.
    void BitBtn1Click();
    /// "Отмена" (also Esc and the window's close button): the handler; the dialog closes anyway.
    void BitBtn2Click();
    /// What the last run of the handler did.
    const HandlerResult& lastResult() const { return result_; }
    /// True when an expansion changed the diagram while the dialog was open.
    bool diagramChanged() const { return diagramChanged_; }
    /// The controls as the handler reads them.
    AlgorithmForm form() const;

    // Controls, for the tests.
    QTabWidget* pages() const { return pages_; }
    QTabWidget* ramModes() const { return ramModes_; }
    QComboBox* stateList(int page) const { return stateLists_[static_cast<size_t>(page)]; }
    QPlainTextEdit* fixedText(int page) const { return fixedTexts_[static_cast<size_t>(page)]; }
    QSpinBox* cyclicStart() const { return cyclicStart_; }
    QSpinBox* cyclicEnd() const { return cyclicEnd_; }
    QSpinBox* cyclicCount() const { return cyclicCount_; }
    QRadioButton* allPinsButton() const { return allPins_; }
    QRadioButton* chosenPinsButton() const { return chosenPins_; }
    QComboBox* romAddressWord() const { return romAddressWord_; }
    QComboBox* romDataWord() const { return romDataWord_; }
    QLineEdit* romStartAddress() const { return romStartAddress_; }
    QLineEdit* romEndAddress() const { return romEndAddress_; }
    QSpinBox* romStartTact() const { return romStartTact_; }
    QSpinBox* romAddressTact() const { return romAddressTact_; }
    QSpinBox* romAddressTactCount() const { return romAddressTactCount_; }
    QSpinBox* romDataTact() const { return romDataTact_; }
    QLineEdit* romDataFile() const { return romDataFile_; }
    QPushButton* browseButton() const { return browse_; }
    QLineEdit* ramStartAddress() const { return ramStartAddress_; }
    QLineEdit* ramEndAddress() const { return ramEndAddress_; }
    /// Up (0) and down (1) buttons of the RAM start and end address.
    QToolButton* ramStartStep(int i) const { return ramStartStep_[static_cast<size_t>(i)]; }
    QToolButton* ramEndStep(int i) const { return ramEndStep_[static_cast<size_t>(i)]; }
    const ModeControls& ramMode(int mode) const { return ram_[static_cast<size_t>(mode)]; }
    QCheckBox* showResultBox() const { return showResult_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

signals:
    /// A "Состояние:" list was set to "Активен": the main window selects that algorithm.
    void algorithmSelected(int block);

public slots:
    void reject() override;

private:
    QWidget* createStandardPage();
    QWidget* createCyclicPage();
    QWidget* createRomPage();
    QWidget* createRamPage();
    QWidget* createRamMode(int mode);
    QComboBox* createStateList(int page, QWidget* parent);
    QComboBox* createWordList(QWidget* parent);
    void load(int selected);
    void stateChanged(int page, int index);
    void addressChanged();
    void stepAddress(QLineEdit* field, int step);
    void chooseDataFile();
    /// Runs the handler; true when the dialog may close.
    bool handle();

    model::TestDocument& doc_;
    platform::Prompter& prompter_;
    HandlerResult result_;
    bool diagramChanged_ = false;
    bool loading_ = false;
    bool cleaning_ = false;

    QTabWidget* pages_ = nullptr;
    QTabWidget* ramModes_ = nullptr;
    std::array<QComboBox*, 4> stateLists_{};
    std::array<QPlainTextEdit*, 4> fixedTexts_{};
    QSpinBox* cyclicStart_ = nullptr;
    QSpinBox* cyclicEnd_ = nullptr;
    QSpinBox* cyclicCount_ = nullptr;
    QRadioButton* allPins_ = nullptr;
    QRadioButton* chosenPins_ = nullptr;
    QComboBox* romAddressWord_ = nullptr;
    QComboBox* romDataWord_ = nullptr;
    QLineEdit* romStartAddress_ = nullptr;
    QLineEdit* romEndAddress_ = nullptr;
    QSpinBox* romStartTact_ = nullptr;
    QSpinBox* romAddressTact_ = nullptr;
    QSpinBox* romAddressTactCount_ = nullptr;
    QSpinBox* romDataTact_ = nullptr;
    QLineEdit* romDataFile_ = nullptr;
    QPushButton* browse_ = nullptr;
    QLineEdit* ramStartAddress_ = nullptr;
    QLineEdit* ramEndAddress_ = nullptr;
    std::array<QToolButton*, 2> ramStartStep_{};
    std::array<QToolButton*, 2> ramEndStep_{};
    std::array<ModeControls, 2> ram_{};
    QCheckBox* showResult_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace kvx::algorithms::ui
