#pragma once
// The exchange commands of the "&Файл" menu: "Экспорт" > "VCD...", "WaveJSON...", "Рисунок..."
// and "Импорт" > "VCD...". They work on the main window's document and diagram and do nothing
// while no test is shown.

#include <QObject>
#include <functional>
#include <string>

#include "model/test_document.h"
#include "platform/prompter.h"

class QAction;
class QMenu;

namespace kvx::diagram {
class DiagramWidget;
}

namespace kvx::exchange::ui {

class TFVcdImport;

inline constexpr const char* kVcdFilter = "VCD|*.vcd|Все файлы|*";
inline constexpr const char* kWaveJsonFilter = "WaveJSON|*.json";
inline constexpr const char* kPictureFilter = "PNG|*.png|SVG|*.svg";

class ExchangeCommands : public QObject {
    Q_OBJECT
public:
    /// `folder` gives the first folder of the file dialogs.
    ExchangeCommands(model::TestDocument& doc, platform::Prompter& prompter, diagram::DiagramWidget& diagram,
                     std::function<std::string()> folder, QObject* parent = nullptr);

    /// Inserts the two submenus, followed by a separator, into `fileMenu` before `before`
    /// (the first recent file), so that they stand apart from "&Выход".
    void insertInto(QMenu* fileMenu, QAction* before);

    QAction* exportVcdAction() const { return exportVcd_; }
    QAction* exportWaveJsonAction() const { return exportWaveJson_; }
    QAction* exportPictureAction() const { return exportPicture_; }
    QAction* importVcdAction() const { return importVcd_; }

    /// Shows the mapping dialog and says whether it was confirmed (modal by default; tests fill it).
    void setDialogRunner(std::function<bool(TFVcdImport&)> runner) { runDialog_ = std::move(runner); }

public slots:
    void exportVcd();
    void exportWaveJson();
    void exportPicture();
    void importVcd();

signals:
    /// An import changed the document; the diagram has been redrawn.
    void imported();

private:
    bool shown() const;
    /// The save dialog for another tool's file and the replace question; empty when cancelled.
    std::string chooseTarget(const char* filter, const char* extension);

    model::TestDocument& doc_;
    platform::Prompter& prompter_;
    diagram::DiagramWidget& diagram_;
    std::function<std::string()> folder_;
    std::function<bool(TFVcdImport&)> runDialog_;
    QAction* exportVcd_ = nullptr;
    QAction* exportWaveJson_ = nullptr;
    QAction* exportPicture_ = nullptr;
    QAction* importVcd_ = nullptr;
};

}  // namespace kvx::exchange::ui
