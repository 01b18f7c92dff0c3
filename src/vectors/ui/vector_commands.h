#pragma once
// "&Файл" > "Импорт" > "Векторы..." and "Экспорт" > "Векторы...": a test from the vectors of a
// chip, and the shown test as a vector file, a database entry or JEDEC vectors.

#include <QObject>
#include <functional>
#include <string>

#include "model/test_document.h"
#include "platform/prompter.h"
#include "platform/settings_store.h"

class QAction;
class QMenu;
class QWidget;

namespace kvx::vectors::ui {

class VectorImportDialog;

inline constexpr const char* kVectorSettingsKey = "Software\\KVX_Editor\\Vectors";
inline constexpr const char* kLastSourceName = "LastFile";
inline constexpr const char* kExportFilter = "Файл векторов|*.vec|База векторов (XML)|*.xml|JEDEC|*.jed";
inline constexpr const char* kNotCarriedOver = "Перенесено не всё:";
inline constexpr const char* kAppendQuestion =
    "Файл уже есть. \"Да\" добавит микросхему в эту базу векторов, \"Нет\" заменит файл новой базой.";

class VectorCommands : public QObject {
    Q_OBJECT
public:
    /// `shown` says whether a test is shown; `replace` asks the save question and, when the
    /// user agrees, calls its argument to fill the document as a new test (false: not done).
    VectorCommands(model::TestDocument& doc, platform::Prompter& prompter, platform::SettingsStore& settings,
                   std::function<std::string()> folder, std::function<bool()> shown,
                   std::function<bool(const std::function<void()>&)> replace, QWidget* window);

    /// Adds "Векторы..." to the submenus "Импорт" and "Экспорт" of `fileMenu`.
    void insertInto(QMenu* fileMenu);
    QAction* importAction() const { return import_; }
    QAction* exportAction() const { return export_; }
    /// Shows the dialog and says whether it was confirmed (modal by default; tests fill it).
    void setDialogRunner(std::function<bool(VectorImportDialog&)> runner) { runDialog_ = std::move(runner); }

public slots:
    void importVectors();
    void exportVectors();

private:
    model::TestDocument& doc_;
    platform::Prompter& prompter_;
    platform::SettingsStore& settings_;
    std::function<std::string()> folder_;
    std::function<bool()> shown_;
    std::function<bool(const std::function<void()>&)> replace_;
    std::function<bool(VectorImportDialog&)> runDialog_;
    QWidget* window_;
    QAction* import_ = nullptr;
    QAction* export_ = nullptr;
};

/// The shown test written to `path` as its extension says (.xml a database, `append` to the
/// existing one; .jed JEDEC; else a vector file). An empty text on success, else a Russian
/// message; `notes` gets what could not be carried over.
std::string writeVectors(const model::TestDocument& doc, const std::string& path, bool append,
                         std::vector<std::string>& notes);

}  // namespace kvx::vectors::ui
