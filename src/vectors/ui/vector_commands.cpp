#include "vectors/ui/vector_commands.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

#include "storage/file_replace.h"
#include "storage/same_file.h"
#include "vectors/ui/vector_database.h"
#include "vectors/ui/vector_import_dialog.h"
#include "vectors/vectors.h"

namespace kvx::vectors::ui {

namespace {

std::string joined(const std::string& head, const std::vector<std::string>& lines) {
    std::string s = head;
    for (const auto& l : lines) s += "\n" + l;
    return s;
}

std::string lowerExtension(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).suffix().toLower().toStdString();
}

}  // namespace

std::string writeVectors(const model::TestDocument& doc, const std::string& path, bool append,
                         std::vector<std::string>& notes) {
    const std::string refused = storage::refuseOverwrite(
        path, {{doc.fileName(), "файл теста"}, {doc.descriptionFile(), "файл описания теста"}});
    if (!refused.empty()) return refused;
    const auto exported = exportChip(doc, doc.testName());
    const std::string ext = lowerExtension(path);
    std::string text;
    if (ext == "xml") {
        std::string error;
        std::optional<std::string> existing;
        if (append) {
            existing = readSourceFile(path, error);
            if (!existing || !parseDatabase(*existing, error)) return "Файл " + path + ": " + error;
        }
        const auto db = databaseText(exported.chip, existing ? &*existing : nullptr, error);
        if (!db) return "Файл " + path + ": " + error;
        text = *db;
    } else {
        text = ext == "jed" ? jedecText(exported.chip) : vectorFileText(exported.chip);
    }
    const auto written = storage::replaceFile(path, text);
    if (!written) return storage::withReason("Не удалось записать файл " + path, written);
    notes = exported.notes;
    return {};
}

VectorCommands::VectorCommands(model::TestDocument& doc, platform::Prompter& prompter,
                               platform::SettingsStore& settings, std::function<std::string()> folder,
                               std::function<bool()> shown, std::function<bool(const std::function<void()>&)> replace,
                               QWidget* window)
    : QObject(window),
      doc_(doc),
      prompter_(prompter),
      settings_(settings),
      folder_(std::move(folder)),
      shown_(std::move(shown)),
      replace_(std::move(replace)),
      runDialog_([](VectorImportDialog& d) { return d.exec() == QDialog::Accepted; }),
      window_(window) {
    import_ = new QAction(QStringLiteral("Векторы..."), this);
    import_->setObjectName(QStringLiteral("importVectors"));
    export_ = new QAction(QStringLiteral("Векторы..."), this);
    export_->setObjectName(QStringLiteral("exportVectors"));
    connect(import_, &QAction::triggered, this, &VectorCommands::importVectors);
    connect(export_, &QAction::triggered, this, &VectorCommands::exportVectors);
}

void VectorCommands::insertInto(QMenu* fileMenu) {
    if (auto* menu = fileMenu->findChild<QMenu*>(QStringLiteral("importMenu"))) menu->addAction(import_);
    if (auto* menu = fileMenu->findChild<QMenu*>(QStringLiteral("exportMenu"))) {
        // Beside the other exchange formats, before the test sheet.
        QAction* before = nullptr;
        for (QAction* a : menu->actions())
            if (a->objectName().contains(QStringLiteral("heet")) || a->text().contains(QStringLiteral("PDF"))) before = a;
        menu->insertAction(before, export_);
    }
}

void VectorCommands::importVectors() {
    VectorImportDialog dialog(prompter_, folder_(), window_);
    const std::string last = settings_.value(kVectorSettingsKey, kLastSourceName);
    if (!last.empty() && QFileInfo::exists(QString::fromStdString(last))) dialog.openSource(last);
    if (!runDialog_(dialog)) return;
    const Chip* chip = dialog.currentChip();
    if (!chip) return;
    settings_.setValue(kVectorSettingsKey, kLastSourceName, dialog.sourcePath());
    ImportOutcome outcome;
    const bool soic = dialog.soic();
    if (!replace_([&] { outcome = importChip(doc_, *chip, soic); })) return;
    if (!outcome.ok) prompter_.error(outcome.error);
    else if (!outcome.notes.empty())
        prompter_.ask(joined(kNotCarriedOver, outcome.notes), platform::Icon::Information, platform::Buttons::Ok);
}

void VectorCommands::exportVectors() {
    if (!shown_()) return;
    const auto path = prompter_.saveOtherFileName(folder_(), kExportFilter, "vec");
    if (!path || path->empty()) return;
    bool append = false;
    if (QFileInfo::exists(QString::fromStdString(*path))) {
        if (lowerExtension(*path) == "xml") {
            const auto a = prompter_.ask(kAppendQuestion, platform::Icon::Question, platform::Buttons::YesNoCancel);
            if (a == platform::Answer::Cancel) return;
            append = a == platform::Answer::Yes;
        } else if (prompter_.ask("Заменить существующий файл?", platform::Icon::Question, platform::Buttons::YesNo) !=
                   platform::Answer::Yes) {
            return;
        }
    }
    std::vector<std::string> notes;
    const std::string error = writeVectors(doc_, *path, append, notes);
    if (!error.empty()) prompter_.error(error);
    else if (!notes.empty())
        prompter_.ask(joined(kNotCarriedOver, notes), platform::Icon::Information, platform::Buttons::Ok);
}

}  // namespace kvx::vectors::ui
