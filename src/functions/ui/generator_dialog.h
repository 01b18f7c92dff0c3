#pragma once
// The pulse generator "Генератор импульсов": fills one diagram row over a range of tacts with
// a built-in or own pulse train (page "Задать Скважность") or a drawn sequence (page "Задать
// последовательность"). Created once; the sequence and the own pattern last for the run.

#include <QDialog>
#include <functional>

#include "functions/generator.h"
#include "model/test_document.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace kvx::functions::ui {

class PatternPreview;
class SequenceStrip;

class Tfm_zapinit : public QDialog {
    Q_OBJECT
public:
    enum Page { PulsePage = 0, SequencePage = 1 };

    explicit Tfm_zapinit(model::TestDocument& doc, QWidget* parent = nullptr);

    /// The command "Генератор...": when `row` can be filled, marks the document changed, shows
    /// the dialog without blocking (target `row`, both "с" fields `firstTact`, both "по" fields
    /// the tact count) and returns true; otherwise does nothing and returns false.
    bool openFor(int row, int firstTact);
    /// The same, but waits for the dialog to close; true when "OK" filled the row.
    bool runFor(int row, int firstTact);
    /// Where the dialog reads the main window's current tact each time it becomes active
    /// (without it, the tact given to openFor is used again).
    void setCurrentTactSource(std::function<int()> source) { currentTact_ = std::move(source); }

    int targetRow() const { return row_; }
    /// An undo or redo changed the document: the type of the target row and the range of
    /// tacts are shown as they are now.
    void documentRestored();
    /// Pattern that "OK" would write on the active page.
    Pattern activePattern() const;
    PulseVariant variant() const;
    const Sequence& sequence() const { return sequence_; }

    /// "OK": fills the target row and closes; nothing (dialog stays open) when the target can
    /// no longer be filled.
    void BitBtn1Click();

    // Controls, for the main window's placement and for tests.
    QTabWidget* pages() const { return pages_; }
    QLineEdit* targetField() const { return targetField_; }
    QLabel* typeLabel() const { return typeText_; }
    QSpinBox* pulseFrom() const { return pulseFrom_; }
    QSpinBox* pulseTo() const { return pulseTo_; }
    QSpinBox* sequenceFrom() const { return seqFrom_; }
    QSpinBox* sequenceTo() const { return seqTo_; }
    QRadioButton* variantButton(PulseVariant v) const;
    QSpinBox* durationField() const { return duration_; }
    QSpinBox* pauseField() const { return pause_; }
    QCheckBox* inversionBox() const { return inversion_; }
    QGroupBox* ownGroup() const { return ownGroup_; }
    QSpinBox* lengthField() const { return length_; }
    SequenceStrip* sequenceStrip() const { return strip_; }
    PatternPreview* pulsePreview() const { return pulsePreview_; }
    PatternPreview* sequencePreview() const { return seqPreview_; }
    QPushButton* okButton() const { return okButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

signals:
    /// "OK" filled `row`: recalculate the function pins and repaint the diagram.
    void filled(int row);

protected:
    void changeEvent(QEvent* event) override;

private:
    void prepare(int row, int firstTact);
    void refreshRange();
    void refreshLastTact();
    void refreshType();
    void variantChosen(int id);
    void ownChanged();
    void lengthChanged(int n);
    void correctSequenceRange();
    void redrawPreviews();

    model::TestDocument& doc_;
    Sequence sequence_;
    int row_ = 0;
    int firstTact_ = 1;
    bool filledOnce_ = false;
    std::function<int()> currentTact_;

    QLineEdit* targetField_ = nullptr;
    QLabel* typeText_ = nullptr;
    QTabWidget* pages_ = nullptr;
    QSpinBox* pulseFrom_ = nullptr;
    QSpinBox* pulseTo_ = nullptr;
    QButtonGroup* variants_ = nullptr;
    QGroupBox* ownGroup_ = nullptr;
    QSpinBox* duration_ = nullptr;
    QSpinBox* pause_ = nullptr;
    QCheckBox* inversion_ = nullptr;
    PatternPreview* variantPreviews_[3] = {};
    PatternPreview* pulsePreview_ = nullptr;
    QSpinBox* seqFrom_ = nullptr;
    QSpinBox* seqTo_ = nullptr;
    SequenceStrip* strip_ = nullptr;
    QSpinBox* length_ = nullptr;
    PatternPreview* seqPreview_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

}  // namespace kvx::functions::ui
