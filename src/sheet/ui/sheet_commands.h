#pragma once
// The test sheet in the editor: "&Файл" > "Печать..." (Ctrl+P) through the system's print
// dialog, and "Экспорт" > "Лист теста (PDF)...". Both ask for a tact range first when the
// diagram of the whole test would take more than 50 pages. They do nothing while no test is
// shown.

#include <QDialog>
#include <QObject>
#include <functional>
#include <optional>
#include <string>

#include "model/test_document.h"
#include "platform/prompter.h"
#include "sheet/sheet_layout.h"
#include "sheet/ui/test_sheet.h"

class QAbstractButton;
class QAction;
class QLabel;
class QMenu;
class QPrinter;
class QProgressDialog;
class QSpinBox;

namespace kvx::diagram {
class DiagramWidget;
}

namespace kvx::sheet::ui {

inline constexpr const char* kPdfFilter = "PDF|*.pdf";

/// The question for the tacts of a long test's sheet: it says how many pages the whole test
/// would take and how many the chosen tacts take.
class TFSheetTacts : public QDialog {
    Q_OBJECT
public:
    /// `pages` gives the page count of a tact range.
    TFSheetTacts(int tactCount, long long wholePages, TactRange proposed,
                 std::function<long long(TactRange)> pages, QWidget* parent = nullptr);

    TactRange range() const;
    QLabel* wholeText() const { return whole_; }
    QLabel* chosenText() const { return chosen_; }
    QSpinBox* firstField() const { return first_; }
    QSpinBox* lastField() const { return last_; }
    /// Refused while the first tact lies after the last (the text under the fields says so).
    void accept() override;

private:
    void update();

    std::function<long long(TactRange)> pages_;
    QLabel* whole_ = nullptr;
    QLabel* chosen_ = nullptr;
    QSpinBox* first_ = nullptr;
    QSpinBox* last_ = nullptr;
    QAbstractButton* ok_ = nullptr;
};

class SheetCommands : public QObject {
    Q_OBJECT
public:
    /// `folder` is the first folder of the file dialogs; `pdfFolder` the "Dir_PDF" setting.
    SheetCommands(model::TestDocument& doc, platform::Prompter& prompter, diagram::DiagramWidget& diagram,
                  std::function<std::string()> folder, std::function<std::string()> pdfFolder,
                  QObject* parent = nullptr);

    /// "Печать..." before the submenu "Экспорт" of `fileMenu`, "Лист теста (PDF)..." at the end of it.
    void insertInto(QMenu* fileMenu);

    QAction* printAction() const { return print_; }
    QAction* exportAction() const { return export_; }

    /// Shows the tacts question; true when confirmed (modal by default; tests answer it).
    void setTactsRunner(std::function<bool(TFSheetTacts&)> runner) { runTacts_ = std::move(runner); }
    /// Shows the print dialog for a sheet of `pages` pages; true when the user prints.
    void setPrintRunner(std::function<bool(QPrinter&, long long pages)> runner) { runPrint_ = std::move(runner); }
    /// Called with every page the progress bar shows; false stops the sheet as "Отмена" does.
    void setProgressHook(std::function<bool(long long done, long long total)> hook) { progressHook_ = std::move(hook); }

public slots:
    void printSheet();
    void exportPdf();

private:
    /// The tacts of the sheet: the whole test, or those the user chose; nullopt when cancelled.
    std::optional<TactRange> chooseTacts(const PageFormat& format);
    /// The progress of a sheet's pages in `dialog`, with "Отмена".
    SheetProgress progress(QProgressDialog& dialog);

    model::TestDocument& doc_;
    platform::Prompter& prompter_;
    diagram::DiagramWidget& diagram_;
    std::function<std::string()> folder_;
    std::function<std::string()> pdfFolder_;
    std::function<bool(TFSheetTacts&)> runTacts_;
    std::function<bool(QPrinter&, long long)> runPrint_;
    std::function<bool(long long, long long)> progressHook_;
    QAction* print_ = nullptr;
    QAction* export_ = nullptr;
};

}  // namespace kvx::sheet::ui
