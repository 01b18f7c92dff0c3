#pragma once
// A main window on scripted services, in a temporary program folder.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <memory>
#include <sstream>

#include "../../platform/memory_settings_store.h"
#include "../../platform/recording_shell.h"
#include "../../platform/scripted_prompter.h"
#include "app/settings.h"
#include "app/ui/tbf.h"
#include "diagram/ui/diagram_widget.h"
#include "storage/test_file.h"

namespace kvx::testing {

class TbfFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    void TearDown() override { window.reset(); }

    app::TBF& tbf() {
        if (!window) {
            window = std::make_unique<app::TBF>(
                app::ShellServices{prompter, settings, shell, {folder(), "KVX_Edit"}});
            // The package, parameters and description dialogs are cancelled unless a test
            // answers them itself ("Новый файл" then leaves the cleared 8-pin test).
            window->setModalRunner(cancelDialog);
        }
        return *window;
    }
    /// Runs a modal dialog and closes it as "Отмена" does.
    static int cancelDialog(QDialog& dialog) {
        QTimer::singleShot(0, &dialog, &QDialog::reject);
        return dialog.exec();
    }
    model::TestDocument& doc() { return tbf().document(); }

    std::string folder() const { return dir.path().toStdString(); }
    std::string path(const std::string& name) const { return dir.filePath(QString::fromStdString(name)).toStdString(); }

    /// Writes a test file whose pin 1 is named `pinName` and whose tact 1 of row 1 is 1.
    std::string writeTest(const std::string& name, const std::string& pinName, int pins = 8) {
        model::TestDocument source;
        source.clearDocument();
        model::Package p;
        p.pinCount = pins;
        source.setPackage(p);
        source.setPinName(1, pinName);
        source.setCell(0, 1, 1, model::kHigh);
        const std::string file = path(name);
        EXPECT_TRUE(storage::saveTestFile(source, file).ok);
        return file;
    }
    static std::string readAll(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void writeBytes(const std::string& file, const std::string& bytes) {
        std::ofstream out(file, std::ios::binary);
        out << bytes;
    }
    /// The window is shown at a size that fits the whole 8-pin diagram, with a new test in it.
    void showNewTest() {
        tbf().resize(1200, 700);
        tbf().show();
        tbf().newFile();
        QApplication::processEvents();
    }
    /// A left click into the middle of tact column c, screen row k of the diagram.
    void clickCell(int c, int k) {
        diagram::DiagramWidget& area = *tbf().diagramArea();
        const auto& v = area.view();
        QTest::mouseClick(area.canvas(), Qt::LeftButton, {},
                          QPoint(diagram::kPinColumnRight + (c - 1) * v.cellWidth + v.cellWidth / 2,
                                 (k - 1) * v.rowHeight + v.rowHeight / 2));
    }
    /// The test is shown and carries an unsaved change in row 2, tact 3.
    void showChangedTest() {
        tbf().newFile();
        doc().setCell(0, 2, 3, model::kLow);
        ASSERT_FALSE(doc().saved());
    }
    void activate() {
        QEvent activation(QEvent::WindowActivate);
        QApplication::sendEvent(&tbf(), &activation);
    }
    /// Sends a close request as the window's close button does; true when the window closed.
    bool requestClose() { return tbf().close(); }
    std::string title() { return tbf().windowTitle().toStdString(); }

    QTemporaryDir dir;
    ScriptedPrompter prompter;
    MemorySettingsStore settings;
    RecordingShell shell;
    std::unique_ptr<app::TBF> window;
};

}  // namespace kvx::testing
