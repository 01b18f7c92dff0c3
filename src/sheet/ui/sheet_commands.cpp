#include "sheet/ui/sheet_commands.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "diagram/ui/diagram_widget.h"
#include "params/comment_file.h"
#include "sheet/ui/test_sheet.h"
#include "storage/same_file.h"

namespace kvx::sheet::ui {

namespace {

const char* const kReplaceQuestion = "Заменить существующий файл?";

QString pagesQString(long long n) { return QString::fromStdString(pagesText(n)); }

/// The file name of the sheet: the test file's name with ".pdf" (the test name for a test
/// that has no file yet), in "Dir_PDF" when it is set, else beside the test.
std::string proposedPath(const model::TestDocument& doc, const std::string& pdfFolder, const std::string& folder) {
    QString base;
    QString dir = QString::fromStdString(pdfFolder);
    if (!doc.fileName().empty()) {
        const QFileInfo test(QString::fromStdString(doc.fileName()));
        base = test.completeBaseName();
        if (dir.isEmpty()) dir = test.absolutePath();
    } else {
        base = QString::fromStdString(doc.testName());
        for (QChar& c : base)
            if (QStringLiteral("/\\:*?\"<>|").contains(c) || c.unicode() < 32) c = QLatin1Char('_');
    }
    if (dir.isEmpty()) dir = QString::fromStdString(folder);
    if (base.isEmpty()) base = QStringLiteral("test");
    return (dir.isEmpty() ? base : dir + QLatin1Char('/') + base).toStdString() + ".pdf";
}

}  // namespace

TFSheetTacts::TFSheetTacts(int tactCount, long long wholePages, TactRange proposed,
                           std::function<long long(TactRange)> pages, QWidget* parent)
    : QDialog(parent), pages_(std::move(pages)) {
    setObjectName(QStringLiteral("FSheetTacts"));
    setWindowTitle(QStringLiteral("Лист теста"));
    whole_ = new QLabel(QStringLiteral("Диаграмма всего теста (%1 тактов) займёт на листе %2.\nВыберите такты для листа:")
                            .arg(tactCount)
                            .arg(pagesQString(wholePages)),
                        this);
    first_ = new QSpinBox(this);
    last_ = new QSpinBox(this);
    for (QSpinBox* s : {first_, last_}) {
        s->setRange(1, std::max(1, tactCount));
        s->setAccelerated(true);
    }
    first_->setObjectName(QStringLiteral("firstTact"));
    last_->setObjectName(QStringLiteral("lastTact"));
    first_->setValue(proposed.first);
    last_->setValue(proposed.last);
    chosen_ = new QLabel(this);
    chosen_->setObjectName(QStringLiteral("chosenPages"));
    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("С такта"), this), 0, 0);
    fields->addWidget(first_, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("по такт"), this), 0, 2);
    fields->addWidget(last_, 0, 3);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(whole_);
    layout->addLayout(fields);
    layout->addWidget(chosen_);
    layout->addWidget(buttons);
    // Each field keeps what is typed into it; a range out of order is refused on OK.
    connect(first_, &QSpinBox::valueChanged, this, &TFSheetTacts::update);
    connect(last_, &QSpinBox::valueChanged, this, &TFSheetTacts::update);
    ok_ = buttons->buttons().front();
    update();
}

void TFSheetTacts::accept() {
    if (!tactOrderError(range()).empty()) return;
    QDialog::accept();
}

TactRange TFSheetTacts::range() const { return {first_->value(), last_->value()}; }

void TFSheetTacts::update() {
    const std::string wrong = tactOrderError(range());
    if (ok_) ok_->setEnabled(wrong.empty());
    chosen_->setText(wrong.empty() ? QStringLiteral("Выбранные такты займут %1.").arg(pagesQString(pages_(range())))
                                   : QString::fromStdString(wrong));
}

SheetCommands::SheetCommands(model::TestDocument& doc, platform::Prompter& prompter, diagram::DiagramWidget& diagram,
                             std::function<std::string()> folder, std::function<std::string()> pdfFolder,
                             QObject* parent)
    : QObject(parent),
      doc_(doc),
      prompter_(prompter),
      diagram_(diagram),
      folder_(std::move(folder)),
      pdfFolder_(std::move(pdfFolder)) {
    runTacts_ = [](TFSheetTacts& dialog) { return dialog.exec() == QDialog::Accepted; };
    runPrint_ = [this](QPrinter& printer, long long pages) {
        QPrintDialog dialog(&printer, qobject_cast<QWidget*>(this->parent()));
        dialog.setMinMax(1, static_cast<int>(std::min<long long>(pages, 1'000'000)));
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
        return dialog.exec() == QDialog::Accepted;
    };
    print_ = new QAction(QStringLiteral("Печать..."), this);
    print_->setObjectName(QStringLiteral("printSheet"));
    print_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(print_, &QAction::triggered, this, &SheetCommands::printSheet);
    export_ = new QAction(QStringLiteral("Лист теста (PDF)..."), this);
    export_->setObjectName(QStringLiteral("exportSheet"));
    connect(export_, &QAction::triggered, this, &SheetCommands::exportPdf);
}

void SheetCommands::insertInto(QMenu* fileMenu) {
    auto* exportMenu = fileMenu->findChild<QMenu*>(QStringLiteral("exportMenu"));
    if (exportMenu) {
        fileMenu->insertAction(exportMenu->menuAction(), print_);
        exportMenu->addAction(export_);
    } else {
        fileMenu->addAction(print_);
        fileMenu->addAction(export_);
    }
}

std::optional<TactRange> SheetCommands::chooseTacts(const PageFormat& format) {
    SheetOptions options;
    options.view = diagram_.view();
    const TestSheet whole = layoutFor(doc_, options, format);
    TactRange range = whole.tacts();
    if (whole.diagramPageCount() > kAskRangePages) {
        const int fit = std::max(1, whole.diagramPages().tactsWithin(kAskRangePages));
        TFSheetTacts dialog(doc_.tactCount(), whole.pageCount(), {1, fit},
                            [&whole](TactRange r) { return whole.pagesFor(r); }, qobject_cast<QWidget*>(parent()));
        if (!runTacts_(dialog)) return std::nullopt;
        range = dialog.range();
        if (const std::string wrong = tactOrderError(range); !wrong.empty()) {
            prompter_.error(wrong);
            return std::nullopt;
        }
    }
    // The same cap as kvxtool's, with the same advice.
    const long long pages = whole.pagesFor(range);
    if (pages > kMaxSheetPages) {
        SheetOptions part = options;
        part.tacts = range;
        const TestSheet sheet = layoutFor(doc_, part, format);
        std::string message =
            tooManyPagesError(pages, range, sheet.diagramPages().tactsWithin(kMaxSheetPages - sheet.textPageCount()), "");
        message.replace(0, std::string("лист").size(), "Лист");
        prompter_.error(message);
        return std::nullopt;
    }
    return range;
}

SheetProgress SheetCommands::progress(QProgressDialog& dialog) {
    dialog.setWindowTitle(QStringLiteral("Лист теста"));
    dialog.setCancelButtonText(QStringLiteral("Отмена"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(300);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    return [this, &dialog](long long done, long long total) {
        dialog.setMaximum(static_cast<int>(std::min<long long>(total, 1'000'000)));
        dialog.setLabelText(QStringLiteral("Страница %1 из %2").arg(done + 1).arg(total));
        dialog.setValue(static_cast<int>(done));  // a modal progress lets the window repaint
        if (progressHook_ && !progressHook_(done, total)) dialog.cancel();
        return !dialog.wasCanceled();
    };
}

void SheetCommands::printSheet() {
    if (!diagram_.diagramShown()) return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
    printer.setDocName(QString::fromStdString(doc_.testName()));
    printer.setCreator(QStringLiteral("Редактор KVX"));
#ifndef Q_OS_WIN
    // Printed to a file, the sheet is proposed the name and folder of "Лист теста (PDF)...";
    // the printer stays the system's own until the user picks the file. (The Windows print
    // dialog asks for its file itself, and would take a set name as "print to a file".)
    printer.setOutputFileName(QString::fromStdString(proposedPath(doc_, pdfFolder_(), folder_())));
    if (!QPrinterInfo::defaultPrinter().isNull()) printer.setOutputFormat(QPrinter::NativeFormat);
#endif
    const auto tacts = chooseTacts(PageFormat{});
    if (!tacts) return;
    SheetOptions options;
    options.view = diagram_.view();
    options.tacts = *tacts;
    const long long before = TestSheet(doc_, options, contentSize(printer)).pageCount();
    if (!runPrint_(printer, before)) return;
    // The dialog may have changed the paper: the sheet is laid out for what it chose.
    const TestSheet sheet(doc_, options, contentSize(printer));
    long long first = 1, last = sheet.pageCount();
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = printer.fromPage();
        last = std::max<long long>(first, printer.toPage());
    }
    QProgressDialog bar(qobject_cast<QWidget*>(parent()));
    const std::string error = paintSheet(printer, sheet, first, last, progress(bar));
    if (error == kSheetCancelled) {
        printer.abort();
        return;
    }
    if (!error.empty()) prompter_.error(error);
}

void SheetCommands::exportPdf() {
    if (!diagram_.diagramShown()) return;
    const auto tacts = chooseTacts(PageFormat{});
    if (!tacts) return;
    const auto path = prompter_.saveOtherFileName(proposedPath(doc_, pdfFolder_(), folder_()), kPdfFilter, "pdf");
    if (!path || path->empty()) return;
    // Never over the open test or its comment file, whatever name leads to them.
    if (!doc_.fileName().empty()) {
        const std::string refused = storage::refuseOverwrite(
            *path, {{doc_.fileName(), "файл открытого теста"},
                    {params::commentFilePath(doc_.fileName()), "файл комментария открытого теста"}});
        if (!refused.empty()) {
            prompter_.error(refused);
            return;
        }
    }
    if (QFileInfo::exists(QString::fromStdString(*path)) &&
        prompter_.ask(kReplaceQuestion, platform::Icon::Question, platform::Buttons::YesNo) != platform::Answer::Yes)
        return;
    SheetOptions options;
    options.view = diagram_.view();
    options.tacts = *tacts;
    QProgressDialog bar(qobject_cast<QWidget*>(parent()));
    const std::string error = writeSheetPdf(*path, doc_, options, PageFormat{}, progress(bar));
    if (!error.empty() && error != kSheetCancelled) prompter_.error(error);
}

}  // namespace kvx::sheet::ui
