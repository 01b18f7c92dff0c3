#pragma once
// What the editor benchmarks share: a prompter that answers every question with No and
// every dialog with Cancel, and a main() that runs the benchmarks inside a QApplication
// (offscreen unless a platform is chosen).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>
#include <optional>

#include "platform/prompter.h"
#include "diagram/ui/diagram_widget.h"
#include "model/test_document.h"

namespace kvx::bench {

struct SilentPrompter : platform::Prompter {
    platform::Answer ask(const std::string&, platform::Icon, platform::Buttons) override { return platform::Answer::No; }
    std::optional<std::string> openFileName(const std::string&) override { return std::nullopt; }
    std::optional<std::string> saveFileName(const std::string&) override { return std::nullopt; }
    std::optional<std::uint32_t> chooseColour(std::uint32_t) override { return std::nullopt; }
};

/// DIP40 with every pin counting at its own rate, so that every row has edges; with
/// `inactiveRuns` every third run of a row is inactive.
inline void fillCounter(model::TestDocument& doc, int tacts, bool inactiveRuns) {
    doc.setPackage({model::PackageType::DIP, 40});
    doc.setTactCount(tacts);
    for (int r = 1; r <= 40; ++r) {
        doc.setPinName(r, "P" + std::to_string(r));
        model::CellLevel* cells = doc.mutableRowData(0, r);
        const int period = 1 + (r % 7);
        for (int t = 1; t <= tacts; ++t) {
            const bool inactive = inactiveRuns && (t / period + r) % 3 == 0;
            cells[t] = static_cast<model::CellLevel>(inactive ? model::kInactive : (t / period) % 2);
        }
    }
}

/// The diagram of a counter test in a 1920 x 1080 area, shown, with the current cell at
/// tact 1 of the first row.
struct DiagramWindow {
    model::TestDocument doc;
    SilentPrompter prompter;
    std::unique_ptr<diagram::DiagramWidget> widget;

    DiagramWindow(int tacts, bool inactiveRuns) {
        fillCounter(doc, tacts, inactiveRuns);
        widget = std::make_unique<diagram::DiagramWidget>(doc, prompter);
        widget->resize(1920, 1080);
        widget->show();
        widget->resetForOpenedTest();
        QApplication::processEvents();
    }
};

inline int runBenchmarksInQt(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace kvx::bench
