#pragma once
// The package dialog "Параметры корпуса": package type, pin count and the two supply pins.
// It lives for the whole run; its "OK" starts the diagram afresh with the chosen package.

#include <QDialog>

#include "params/package.h"
#include "platform/prompter.h"
#include "model/test_document.h"

class QButtonGroup;
class QComboBox;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace kvx::params::ui {

class TFVCCGRD : public QDialog {
    Q_OBJECT
public:
    TFVCCGRD(model::TestDocument& doc, platform::Prompter& prompter, QWidget* parent = nullptr);

    /// Opening: the supply fields take the document's supply pins when it has both, the pin
    /// count list shows the document's count and the package type is remembered for "Отмена".
    /// `testShown`: a test is shown in the main window; `creatingNewTest`: the dialog is the
    /// last step of a new test (then changing the package does not warn).
    void prepare(bool testShown, bool creatingNewTest);
    /// True when the last showing ended with "OK".
    bool closedWithOk() const { return closedWithOk_; }
    /// What the fields hold.
    PackageChoice choice() const;

    /// "OK": checks the supply pins, asks about losing the diagram, applies the package.
    void BitBtn1Click();
    /// "По Умолчанию": the default supply pins of the chosen pin count.
    void BitBtn3Click();

    QRadioButton* dipButton() const { return dip_; }
    QRadioButton* soicButton() const { return soic_; }
    QComboBox* pinCountList() const { return pinCountList_; }
    QSpinBox* vccField() const { return vcc_; }
    QSpinBox* gndField() const { return gnd_; }
    QPushButton* defaultsButton() const { return defaults_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

signals:
    /// "OK" applied the package to the document: show the diagram area, empty the formula
    /// field, re-lay out and repaint.
    void packageApplied();

public slots:
    void done(int result) override;

private:
    void pinCountChosen(int index);
    void supplyStepped(QSpinBox* field, int& previous, QSpinBox* other, int value);
    void setFields(int max, int vcc, int gnd);
    model::PackageType chosenType() const;
    void showType(model::PackageType type);

    model::TestDocument& doc_;
    platform::Prompter& prompter_;
    bool testShown_ = false;
    bool creatingNewTest_ = false;
    bool closedWithOk_ = false;
    model::PackageType typeWhenShown_ = model::PackageType::DIP;
    int previousVcc_ = 8;
    int previousGnd_ = 4;
    bool settingFields_ = false;

    QButtonGroup* typeGroup_ = nullptr;
    QRadioButton* dip_ = nullptr;
    QRadioButton* soic_ = nullptr;
    QComboBox* pinCountList_ = nullptr;
    QSpinBox* vcc_ = nullptr;
    QSpinBox* gnd_ = nullptr;
    QPushButton* defaults_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace kvx::params::ui
