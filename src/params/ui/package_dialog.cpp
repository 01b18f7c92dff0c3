#include "params/ui/package_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kvx::params::ui {

namespace {

/// A spin field changed with its arrows only.
class ArrowSpinBox : public QSpinBox {
public:
    explicit ArrowSpinBox(QWidget* parent) : QSpinBox(parent) { lineEdit()->setReadOnly(true); }
};

}  // namespace

TFVCCGRD::TFVCCGRD(model::TestDocument& doc, platform::Prompter& prompter, QWidget* parent)
    : QDialog(parent), doc_(doc), prompter_(prompter) {
    setObjectName(QStringLiteral("FVCCGRD"));
    setWindowTitle(QStringLiteral("Параметры корпуса"));
    setModal(true);

    auto* typeBox = new QGroupBox(QStringLiteral("Тип"), this);
    dip_ = new QRadioButton(QStringLiteral("DIP"), typeBox);
    soic_ = new QRadioButton(QStringLiteral("SOIC"), typeBox);
    typeGroup_ = new QButtonGroup(this);
    typeGroup_->addButton(dip_, 0);
    typeGroup_->addButton(soic_, 1);
    dip_->setChecked(true);
    auto* typeLayout = new QVBoxLayout(typeBox);
    typeLayout->addWidget(dip_);
    typeLayout->addWidget(soic_);

    auto* countBox = new QGroupBox(QStringLiteral("Количество выводов"), this);
    pinCountList_ = new QComboBox(countBox);
    for (int n : model::kPinCounts) pinCountList_->addItem(QString::number(n), n);
    pinCountList_->setCurrentIndex(0);
    auto* countLayout = new QVBoxLayout(countBox);
    countLayout->addWidget(pinCountList_);
    countLayout->addStretch(1);

    auto* supplyBox = new QGroupBox(QStringLiteral("Выводы питания"), this);
    vcc_ = new ArrowSpinBox(supplyBox);
    gnd_ = new ArrowSpinBox(supplyBox);
    vcc_->setObjectName(QStringLiteral("vccField"));
    gnd_->setObjectName(QStringLiteral("gndField"));
    defaults_ = new QPushButton(QStringLiteral("По Умолчанию"), supplyBox);
    defaults_->setAutoDefault(false);
    auto* supplyLayout = new QGridLayout(supplyBox);
    supplyLayout->addWidget(new QLabel(QStringLiteral("Питание"), supplyBox), 0, 0);
    supplyLayout->addWidget(new QLabel(QStringLiteral("VCC"), supplyBox), 0, 1);
    supplyLayout->addWidget(vcc_, 0, 2);
    supplyLayout->addWidget(new QLabel(QStringLiteral("Общая"), supplyBox), 1, 0);
    supplyLayout->addWidget(new QLabel(QStringLiteral("GND"), supplyBox), 1, 1);
    supplyLayout->addWidget(gnd_, 1, 2);
    supplyLayout->addWidget(defaults_, 2, 0, 1, 3);

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Отмена"), this);
    cancel_->setAutoDefault(false);

    auto* top = new QHBoxLayout;
    top->addWidget(typeBox);
    top->addWidget(countBox);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(supplyBox);
    layout->addLayout(buttons);

    setFields(8, defaultVcc(8), defaultGnd(8));

    connect(pinCountList_, &QComboBox::activated, this, &TFVCCGRD::pinCountChosen);
    connect(vcc_, &QSpinBox::valueChanged, this, [this](int v) { supplyStepped(vcc_, previousVcc_, gnd_, v); });
    connect(gnd_, &QSpinBox::valueChanged, this, [this](int v) { supplyStepped(gnd_, previousGnd_, vcc_, v); });
    connect(defaults_, &QPushButton::clicked, this, &TFVCCGRD::BitBtn3Click);
    connect(ok_, &QPushButton::clicked, this, &TFVCCGRD::BitBtn1Click);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void TFVCCGRD::setFields(int max, int vcc, int gnd) {
    settingFields_ = true;
    vcc_->setRange(1, max);
    gnd_->setRange(1, max);
    vcc_->setValue(vcc);
    gnd_->setValue(gnd);
    previousVcc_ = vcc_->value();
    previousGnd_ = gnd_->value();
    settingFields_ = false;
}

void TFVCCGRD::supplyStepped(QSpinBox* field, int& previous, QSpinBox* other, int value) {
    if (settingFields_) return;
    const int next = stepSupplyPin(value, value > previous, other->value(), field->maximum());
    previous = next;
    if (next != value) {
        settingFields_ = true;
        field->setValue(next);
        settingFields_ = false;
    }
}

void TFVCCGRD::pinCountChosen(int index) {
    const int n = pinCountList_->itemData(index).toInt();
    setFields(n, defaultVcc(n), defaultGnd(n));
}

void TFVCCGRD::BitBtn3Click() {
    const int n = pinCountList_->currentData().toInt();
    setFields(n, defaultVcc(n), defaultGnd(n));
}

model::PackageType TFVCCGRD::chosenType() const {
    return soic_->isChecked() ? model::PackageType::SOIC : model::PackageType::DIP;
}

void TFVCCGRD::showType(model::PackageType type) {
    (type == model::PackageType::SOIC ? soic_ : dip_)->setChecked(true);
}

PackageChoice TFVCCGRD::choice() const {
    return {chosenType(), pinCountList_->currentData().toInt(), vcc_->value(), gnd_->value()};
}

void TFVCCGRD::prepare(bool testShown, bool creatingNewTest) {
    testShown_ = testShown;
    creatingNewTest_ = creatingNewTest;
    closedWithOk_ = false;
    const int n = doc_.pinCount();
    const auto supply = supplyPins(doc_);
    // The list shows the count without the change of a choice (which would reset the fields).
    pinCountList_->setCurrentIndex(pinCountList_->findData(listedPinCount(n)));
    // Without supply pins in the test the fields keep their values, unless those no longer fit
    // this pin count (a new 8-pin test after a 16-pin one): then they offer the defaults, so that
    // "OK" never meets pins it would refuse or ones the user did not see.
    int vcc = supply ? supply->first : vcc_->value();
    int gnd = supply ? supply->second : gnd_->value();
    if (!supply && (vcc > n || gnd > n || vcc == gnd)) {
        vcc = defaultVcc(n);
        gnd = defaultGnd(n);
    }
    setFields(n, vcc, gnd);
    typeWhenShown_ = doc_.package().packageType;
    showType(typeWhenShown_);
}

void TFVCCGRD::BitBtn1Click() {
    const PackageChoice c = choice();
    if (c.vcc == c.gnd) {
        prompter_.error(kEqualSupplyPins);
        return;
    }
    if (testShown_ && !creatingNewTest_ &&
        prompter_.ask(kLoseDiagramQuestion, platform::Icon::Question, platform::Buttons::YesNo) != platform::Answer::Yes)
        return;
    applyPackage(doc_, c);
    closedWithOk_ = true;
    emit packageApplied();
    accept();
}

void TFVCCGRD::done(int result) {
    // "Отмена", Escape and the close box: the type goes back to the one the dialog was shown with.
    if (result != QDialog::Accepted) showType(typeWhenShown_);
    QDialog::done(result);
}

}  // namespace kvx::params::ui
