#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "functions/formula.h"
#include "functions/ui/generator_dialog.h"
#include "functions/ui/waveform_widgets.h"

namespace kvx::functions::ui {
namespace {

using model::CellLevel;

class GeneratorDialog : public ::testing::Test {
protected:
    void SetUp() override {
        doc.setPackage({model::PackageType::DIP, 16});
        doc.setPinType(2, "O");
        doc.setPinType(4, "I/O");
        doc.setPinType(54, "O/i");
        doc.setPinType(6, "O=F(c)");
        doc.setPinType(7, "NC");
        doc.setPinType(8, "GND");
        doc.setPinType(16, "VCC");
        doc.setSaved(true);
    }

    std::vector<CellLevel> cells(int row, int first, int last) const {
        std::vector<CellLevel> out;
        for (int t = first; t <= last; ++t) out.push_back(doc.getCell(0, row, t));
        return out;
    }
    void setRange(QSpinBox* from, int a, QSpinBox* to, int b) {
        from->setValue(a);
        to->setValue(b);
    }
    void clickOk() { QTest::mouseClick(dlg.okButton(), Qt::LeftButton); }

    model::TestDocument doc;
    Tfm_zapinit dlg{doc};
};

TEST_F(GeneratorDialog, UnsuitableTargetsAreIgnored) {
    for (int row : {6, 7, 8, 16, 0, 17}) {
        EXPECT_FALSE(dlg.openFor(row, 1)) << row;
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_FALSE(dlg.runFor(row, 1)) << row;
    }
    EXPECT_TRUE(doc.saved());
    EXPECT_EQ(cells(6, 1, 26), std::vector<CellLevel>(26, 2));
}

TEST_F(GeneratorDialog, OpeningShowsTargetAndRange) {
    ASSERT_TRUE(dlg.openFor(4, 9));
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_FALSE(dlg.isModal());
    EXPECT_EQ(dlg.windowTitle(), "Генератор импульсов");
    EXPECT_FALSE(doc.saved());
    EXPECT_EQ(dlg.targetField()->text(), "4");
    EXPECT_TRUE(dlg.targetField()->isReadOnly());
    EXPECT_EQ(dlg.typeLabel()->text(), "I/O");
    EXPECT_EQ(dlg.pages()->tabText(0), "Задать Скважность");
    EXPECT_EQ(dlg.pages()->tabText(1), "Задать последовательность");
    for (QSpinBox* from : {dlg.pulseFrom(), dlg.sequenceFrom()}) {
        EXPECT_EQ(from->value(), 9);
        EXPECT_EQ(from->maximum(), 65000);
    }
    for (QSpinBox* to : {dlg.pulseTo(), dlg.sequenceTo()}) {
        EXPECT_EQ(to->value(), 26);
        EXPECT_EQ(to->maximum(), 26);
    }
    EXPECT_TRUE(dlg.variantButton(PulseVariant::One)->isChecked());
    EXPECT_FALSE(dlg.ownGroup()->isEnabled());
    EXPECT_EQ(dlg.lengthField()->value(), 8);
    EXPECT_EQ(dlg.lengthField()->maximum(), 14);

    // The output row shows its own type; the tact of the main window is read on activation.
    dlg.hide();
    int tact = 3;
    dlg.setCurrentTactSource([&] { return tact; });
    ASSERT_TRUE(dlg.openFor(54, 1));
    EXPECT_EQ(dlg.targetField()->text(), "54");
    EXPECT_EQ(dlg.typeLabel()->text(), "O/i");
    EXPECT_EQ(dlg.pulseFrom()->value(), 3);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    EXPECT_EQ(dlg.pulseFrom()->value(), 3);
    ASSERT_TRUE(doc.setTactCount(40));
    doc.setPinType(54, "O/i=F(c)");
    tact = 12;
    // Another window takes the focus; coming back to the dialog reads the tact and the type again.
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_EQ(dlg.sequenceFrom()->value(), 3);
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    EXPECT_EQ(dlg.pulseFrom()->value(), 12);
    EXPECT_EQ(dlg.sequenceFrom()->value(), 12);
    EXPECT_EQ(dlg.sequenceTo()->value(), 40);
    EXPECT_EQ(dlg.sequenceTo()->maximum(), 40);
    EXPECT_EQ(dlg.targetField()->text(), "54");
    EXPECT_EQ(dlg.typeLabel()->text(), "O/i=F(c)");
}

TEST_F(GeneratorDialog, BuiltInVariantsFillFromFirstTact) {
    ASSERT_TRUE(dlg.openFor(1, 1));
    QSignalSpy filled(&dlg, &Tfm_zapinit::filled);
    QTest::mouseClick(dlg.variantButton(PulseVariant::Three), Qt::LeftButton);
    EXPECT_EQ(dlg.variant(), PulseVariant::Three);
    EXPECT_FALSE(dlg.variantButton(PulseVariant::One)->isChecked());
    setRange(dlg.pulseFrom(), 1, dlg.pulseTo(), 7);
    clickOk();
    EXPECT_EQ(cells(1, 1, 8), (std::vector<CellLevel>{0, 0, 1, 0, 0, 1, 0, 2}));
    EXPECT_FALSE(dlg.isVisible());
    ASSERT_EQ(filled.count(), 1);
    EXPECT_EQ(filled.at(0).at(0).toInt(), 1);

    // "с" above "по" fills only the last tact with the first level.
    ASSERT_TRUE(dlg.openFor(2, 1));
    QTest::mouseClick(dlg.variantButton(PulseVariant::Two), Qt::LeftButton);
    setRange(dlg.pulseFrom(), 10, dlg.pulseTo(), 4);
    QTest::keyClick(dlg.pulseTo(), Qt::Key_Return);  // "OK" is the default button
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(cells(2, 3, 11), (std::vector<CellLevel>{2, 1, 2, 2, 2, 2, 2, 2, 2}));
}

TEST_F(GeneratorDialog, OwnVariantWithInversionAndReset) {
    ASSERT_TRUE(dlg.openFor(4, 1));
    QTest::mouseClick(dlg.variantButton(PulseVariant::Own), Qt::LeftButton);
    EXPECT_TRUE(dlg.ownGroup()->isEnabled());
    EXPECT_FALSE(dlg.variantButton(PulseVariant::One)->isChecked());
    dlg.durationField()->setValue(2);
    dlg.pauseField()->setValue(3);
    EXPECT_EQ(dlg.pulsePreview()->shownLevels(),
              (Pattern{1, 1, 0, 0, 0, 1, 1, 0, 0, 0, 1, 1, 0, 0, 0, 1, 1}));
    dlg.inversionBox()->setChecked(true);
    EXPECT_EQ(dlg.pulsePreview()->shownLevels()[0], 0);
    setRange(dlg.pulseFrom(), 5, dlg.pulseTo(), 14);
    clickOk();
    EXPECT_EQ(cells(4, 4, 15), (std::vector<CellLevel>{2, 0, 0, 1, 1, 1, 0, 0, 1, 1, 1, 2}));

    // The own pattern is still there the next time.
    ASSERT_TRUE(dlg.openFor(1, 1));
    EXPECT_EQ(dlg.variant(), PulseVariant::Own);
    EXPECT_EQ(dlg.durationField()->value(), 2);
    EXPECT_EQ(dlg.pauseField()->value(), 3);
    EXPECT_TRUE(dlg.inversionBox()->isChecked());

    // A built-in variant resets and disables the own group.
    QTest::mouseClick(dlg.variantButton(PulseVariant::Two), Qt::LeftButton);
    EXPECT_FALSE(dlg.ownGroup()->isEnabled());
    EXPECT_FALSE(dlg.inversionBox()->isChecked());
    EXPECT_EQ(dlg.durationField()->value(), 1);
    EXPECT_EQ(dlg.pauseField()->value(), 1);
    EXPECT_EQ(dlg.pulsePreview()->shownLevels(), repeatPattern(builtinPattern(PulseVariant::Two)));
}

TEST_F(GeneratorDialog, SequenceStripCyclesShownCellsOnly) {
    ASSERT_TRUE(dlg.openFor(1, 1));
    dlg.pages()->setCurrentIndex(Tfm_zapinit::SequencePage);
    SequenceStrip* strip = dlg.sequenceStrip();
    EXPECT_EQ(dlg.sequence().pattern(), (Pattern{1, 0, 1, 1, 1, 0, 1, 0}));

    QTest::mouseClick(strip, Qt::LeftButton, {}, strip->cellCentre(1));  // 0 -> 1
    QTest::mouseClick(strip, Qt::LeftButton, {}, strip->cellCentre(2));  // 1 -> 2
    QTest::mouseClick(strip, Qt::LeftButton, {}, strip->cellCentre(3));  // 1 -> 2
    QTest::mouseClick(strip, Qt::LeftButton, {}, strip->cellCentre(3));  // 2 -> 0
    EXPECT_EQ(dlg.sequence().pattern(), (Pattern{1, 1, 2, 0, 1, 0, 1, 0}));
    EXPECT_EQ(dlg.sequencePreview()->shownLevels()[8], 1);

    // Right of the last shown cell nothing changes, not even the hidden slots.
    const auto before = dlg.sequence().levels;
    QTest::mouseClick(strip, Qt::LeftButton, {}, strip->cellCentre(8));
    QTest::mouseClick(strip, Qt::LeftButton, {}, strip->cellCentre(13));
    EXPECT_EQ(dlg.sequence().levels, before);

    dlg.lengthField()->setValue(3);
    EXPECT_EQ(dlg.activePattern(), (Pattern{1, 1, 2}));
    QTest::mouseClick(strip, Qt::LeftButton, {}, strip->cellCentre(4));
    EXPECT_EQ(dlg.sequence().levels, before);
}

TEST_F(GeneratorDialog, SequenceFillsItsRangeAndPersists) {
    ASSERT_TRUE(dlg.openFor(2, 1));
    dlg.pages()->setCurrentIndex(Tfm_zapinit::SequencePage);
    SequenceStrip* strip = dlg.sequenceStrip();
    // 1, 2, 0: click cell 1 twice (0 -> 1 -> 2) and cell 2 twice (1 -> 2 -> 0).
    for (int i : {1, 1, 2, 2}) QTest::mouseClick(strip, Qt::LeftButton, {}, strip->cellCentre(i));
    dlg.lengthField()->setValue(3);
    ASSERT_EQ(dlg.activePattern(), (Pattern{1, 2, 0}));
    setRange(dlg.sequenceFrom(), 1, dlg.sequenceTo(), 26);
    clickOk();
    for (int t = 1; t <= 26; ++t) EXPECT_EQ(doc.getCell(0, 2, t), t % 3 == 2 ? 2 : (t % 3 == 1 ? 1 : 0)) << t;

    ASSERT_TRUE(dlg.openFor(1, 1));
    EXPECT_EQ(dlg.lengthField()->value(), 3);
    EXPECT_EQ(dlg.sequence().pattern(), (Pattern{1, 2, 0}));
    dlg.lengthField()->setValue(8);  // the hidden slots come back unchanged
    EXPECT_EQ(dlg.sequence().pattern(), (Pattern{1, 2, 0, 1, 1, 0, 1, 0}));
}

TEST_F(GeneratorDialog, SequenceRangeCorrections) {
    ASSERT_TRUE(dlg.openFor(1, 1));
    dlg.pages()->setCurrentIndex(Tfm_zapinit::SequencePage);
    // "по" below "с" is raised to "с": only tact 10 gets the first level.
    setRange(dlg.sequenceFrom(), 10, dlg.sequenceTo(), 4);
    clickOk();
    EXPECT_EQ(cells(1, 3, 11), (std::vector<CellLevel>{2, 2, 2, 2, 2, 2, 2, 1, 2}));
    EXPECT_EQ(dlg.sequenceTo()->value(), 10);

    // A "с" field without a number counts as 1, a "по" field without one as the tact count.
    ASSERT_TRUE(dlg.openFor(2, 1));
    dlg.pages()->setCurrentIndex(Tfm_zapinit::SequencePage);
    dlg.lengthField()->setValue(1);
    dlg.sequenceFrom()->setValue(20);
    dlg.sequenceFrom()->findChild<QLineEdit*>()->clear();
    dlg.sequenceTo()->setValue(5);
    dlg.sequenceTo()->findChild<QLineEdit*>()->clear();
    clickOk();
    EXPECT_EQ(dlg.sequenceFrom()->value(), 1);
    EXPECT_EQ(cells(2, 1, 26), std::vector<CellLevel>(26, 1));
}

TEST_F(GeneratorDialog, CancelAndEscapeFillNothing) {
    ASSERT_TRUE(dlg.openFor(1, 1));
    QTest::mouseClick(dlg.cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
    ASSERT_TRUE(dlg.openFor(1, 1));
    QTest::keyClick(dlg.pulseFrom(), Qt::Key_Escape);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(cells(1, 1, 26), std::vector<CellLevel>(26, 2));
}

TEST_F(GeneratorDialog, TargetThatChangedTypeKeepsDialogOpen) {
    ASSERT_TRUE(dlg.openFor(1, 1));
    doc.setPinType(1, "NC");
    clickOk();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(cells(1, 1, 26), std::vector<CellLevel>(26, 2));
}

TEST_F(GeneratorDialog, RunForWaitsAndReportsTheFill) {
    QTimer::singleShot(0, &dlg, [this] { clickOk(); });
    EXPECT_TRUE(dlg.runFor(1, 3));
    EXPECT_EQ(cells(1, 1, 6), (std::vector<CellLevel>{2, 2, 1, 0, 1, 0}));
    QTimer::singleShot(0, &dlg, [this] { QTest::mouseClick(dlg.cancelButton(), Qt::LeftButton); });
    EXPECT_FALSE(dlg.runFor(1, 1));
}

TEST_F(GeneratorDialog, FunctionRowFollowsGeneratedInput) {
    doc.setPinFunction(0, 6, "!(C1)");
    QTimer::singleShot(0, &dlg, [this] { clickOk(); });
    ASSERT_TRUE(dlg.runFor(1, 1));
    RecalculateFunctionPins(doc);
    for (int t = 1; t <= 26; ++t) EXPECT_EQ(doc.getCell(0, 6, t), t % 2 == 1 ? 0 : 1) << t;
}

TEST_F(GeneratorDialog, PreviewDrawsLevelsAsWaveform) {
    PatternPreview preview(10, 22);
    preview.setPattern({1, 0, 2});
    const QImage img = preview.grab().toImage();
    const QRgb green = 0xFF008000, grey = 0xFFA0A0A4;
    // Band = widget less a 2-pixel margin top and bottom: height 18, top 2.
    const int high = 2 + 18 / 4 - 1, low = 2 + 18 / 4 + 18 / 2 + 2, middle = 2 + 18 / 2;
    EXPECT_EQ(img.pixel(1 + 5, high), green);
    EXPECT_EQ(img.pixel(1 + 15, low), green);
    EXPECT_EQ(img.pixel(1 + 25, middle), grey);
    EXPECT_NE(img.pixel(1 + 5, low), green);
    EXPECT_EQ(img.pixel(1 + 30 + 5, high), green);  // repeated from the first level
    EXPECT_EQ(img.pixel(1 + 10, (high + low) / 2), green);  // edge between cells 0 and 1
}

}  // namespace
}  // namespace kvx::functions::ui
