#include "exchange/ui/exchange_commands.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QWidget>

#include "diagram/ui/diagram_widget.h"
#include "exchange/ui/diagram_picture.h"
#include "exchange/ui/vcd_import_dialog.h"
#include "exchange/vcd_import.h"
#include "exchange/vcd_writer.h"
#include "exchange/wavejson_writer.h"

namespace kvx::exchange::ui {

namespace {

const char* const kReplaceQuestion = "Заменить существующий файл?";
const char* const kWholeQuestion = "Сохранить всю диаграмму? (Нет — только видимую часть)";
const char* const kNoSignals = "Не выбран ни один сигнал файла VCD";
const char* const kBadTact = "Длительность такта не понятна: укажите число и единицу, например 2 мкс или 500 нс";

}  // namespace

ExchangeCommands::ExchangeCommands(model::TestDocument& doc, platform::Prompter& prompter,
                                   diagram::DiagramWidget& diagram, std::function<std::string()> folder,
                                   QObject* parent)
    : QObject(parent), doc_(doc), prompter_(prompter), diagram_(diagram), folder_(std::move(folder)) {
    runDialog_ = [](TFVcdImport& dialog) { return dialog.exec() == QDialog::Accepted; };
    auto make = [this](const QString& text, const QString& name, void (ExchangeCommands::*slot)()) {
        auto* a = new QAction(text, this);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    exportVcd_ = make(QStringLiteral("VCD..."), QStringLiteral("exportVcd"), &ExchangeCommands::exportVcd);
    exportWaveJson_ =
        make(QStringLiteral("WaveJSON..."), QStringLiteral("exportWaveJson"), &ExchangeCommands::exportWaveJson);
    exportPicture_ =
        make(QStringLiteral("Рисунок..."), QStringLiteral("exportPicture"), &ExchangeCommands::exportPicture);
    importVcd_ = make(QStringLiteral("VCD..."), QStringLiteral("importVcd"), &ExchangeCommands::importVcd);
}

void ExchangeCommands::insertInto(QMenu* fileMenu, QAction* before) {
    auto* exportMenu = new QMenu(QStringLiteral("Экспорт"), fileMenu);
    exportMenu->setObjectName(QStringLiteral("exportMenu"));
    exportMenu->addAction(exportVcd_);
    exportMenu->addAction(exportWaveJson_);
    exportMenu->addAction(exportPicture_);
    auto* importMenu = new QMenu(QStringLiteral("Импорт"), fileMenu);
    importMenu->setObjectName(QStringLiteral("importMenu"));
    importMenu->addAction(importVcd_);
    fileMenu->insertMenu(before, exportMenu);
    fileMenu->insertMenu(before, importMenu);
    fileMenu->insertSeparator(before);
}

bool ExchangeCommands::shown() const { return diagram_.diagramShown(); }

std::string ExchangeCommands::chooseTarget(const char* filter, const char* extension) {
    const auto path = prompter_.saveOtherFileName(folder_(), filter, extension);
    if (!path || path->empty()) return {};
    if (QFileInfo::exists(QString::fromStdString(*path)) &&
        prompter_.ask(kReplaceQuestion, platform::Icon::Question, platform::Buttons::YesNo) != platform::Answer::Yes)
        return {};
    return *path;
}

void ExchangeCommands::exportVcd() {
    if (!shown()) return;
    const std::string path = chooseTarget(kVcdFilter, "vcd");
    if (path.empty()) return;
    const std::string error = saveVcd(doc_, path, defaultVcdOptions());
    if (!error.empty()) prompter_.error(error);
}

void ExchangeCommands::exportWaveJson() {
    if (!shown()) return;
    const std::string path = chooseTarget(kWaveJsonFilter, "json");
    if (path.empty()) return;
    const std::string error = saveWaveJson(doc_, path);
    if (!error.empty()) prompter_.error(error);
}

void ExchangeCommands::exportPicture() {
    if (!shown()) return;
    const std::string path = chooseTarget(kPictureFilter, "png");
    if (path.empty()) return;
    const platform::Answer whole = prompter_.ask(kWholeQuestion, platform::Icon::Question, platform::Buttons::YesNoCancel);
    if (whole == platform::Answer::Cancel) return;
    const PictureArea area = whole == platform::Answer::Yes ? wholeDiagram(doc_, diagram_.view()) : visiblePart(diagram_);
    const std::string error = writePicture(doc_, area, path);
    if (!error.empty()) prompter_.error(error);
}

void ExchangeCommands::importVcd() {
    if (!shown()) return;
    const auto path = prompter_.openOtherFileName(folder_(), kVcdFilter);
    if (!path || path->empty()) return;
    std::string error;
    const auto header = readVcdHeader(*path, error);
    if (!header) {
        prompter_.error(error);
        return;
    }
    auto* parent = qobject_cast<QWidget*>(this->parent());
    TFVcdImport dialog(doc_, std::make_shared<const VcdHeader>(std::move(*header)), parent);
    for (;;) {
        if (!runDialog_(dialog)) return;
        const auto entries = dialog.entries();
        const auto options = dialog.options();
        if (const std::string unknown = dialog.unknownSignal(); !unknown.empty()) {
            prompter_.error(unknown);
        } else if (entries.empty()) {
            prompter_.error(kNoSignals);
        } else if (options.tactFs == 0) {
            prompter_.error(kBadTact);
        } else {
            const ImportResult r = importVcdFile(doc_, *path, entries, options);
            if (r.ok) break;
            if (!r.errorShown) prompter_.error(r.error);
            return;  // the file or the map is wrong: the test is as it was
        }
    }
    diagram_.refresh();
    emit imported();
}

}  // namespace kvx::exchange::ui
