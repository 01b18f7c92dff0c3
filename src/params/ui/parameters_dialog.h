#pragma once
// The test parameters dialog "Параметры тестирования": the test name, the tact duration and
// the two logic thresholds. It lives for the whole run and keeps its field texts between
// showings; "Применить" hands the parameters to the document.

#include <QDialog>
#include <string>

#include "params/test_parameters_form.h"
#include "model/test_document.h"
#include "platform/prompter.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace kvx::params::ui {

class TfmParam : public QDialog {
    Q_OBJECT
public:
    TfmParam(model::TestDocument& doc, platform::Prompter& prompter, QWidget* parent = nullptr);

    /// Showing: the texts of the fields and the tact item are remembered for closing without
    /// "Применить", the document's codes are written into the level fields as volts and the
    /// name field shows the test name.
    void prepare();
    /// True when "Применить" closed the last showing.
    bool applied() const { return applied_; }
    /// The text of the name field as UTF-8.
    std::string nameText() const;

    /// "По Умолчанию".
    void BitBtn3Click();
    /// "Применить": a threshold text that is not a number is reported and the dialog stays
    /// open on that field; otherwise the limits, then the parameters go to the document and
    /// the dialog closes.
    void BitBtn1Click();
    /// A new test: "По Умолчанию", and the document takes the default parameters.
    void resetForNewTest();

    const LevelFields& fields() const { return fields_; }

    QLineEdit* nameField() const { return name_; }
    QComboBox* tactList() const { return tactList_; }
    QLineEdit* highField() const { return high_; }
    QLineEdit* lowField() const { return low_; }
    QPushButton* defaultsButton() const { return defaults_; }
    QPushButton* applyButton() const { return apply_; }
    QPushButton* cancelButton() const { return cancel_; }

public slots:
    void done(int result) override;

private:
    /// The widgets show what the fields hold. A level field whose text a rule rewrote has the
    /// caret at its end, so that the next key typed follows the new text.
    void showFields();

    model::TestDocument& doc_;
    platform::Prompter& prompter_;
    LevelFields fields_;
    bool applied_ = false;
    std::string rememberedHigh_;
    std::string rememberedLow_;
    std::string nameWhenShown_;
    std::string nameBeforeEdit_;  ///< the name field's text before the edit being checked
    int rememberedTact_ = 2;

    QLineEdit* name_ = nullptr;
    QComboBox* tactList_ = nullptr;
    QLineEdit* high_ = nullptr;
    QLineEdit* low_ = nullptr;
    QPushButton* defaults_ = nullptr;
    QPushButton* apply_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace kvx::params::ui
