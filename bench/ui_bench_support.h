#pragma once
// What the editor benchmarks share: a prompter that answers every question with No and
// every dialog with Cancel, and a main() that runs the benchmarks inside a QApplication
// (offscreen unless a platform is chosen).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <optional>

#include "app/prompter.h"

namespace kvx::bench {

struct SilentPrompter : app::Prompter {
    app::Answer ask(const std::string&, app::Icon, app::Buttons) override { return app::Answer::No; }
    std::optional<std::string> openFileName(const std::string&) override { return std::nullopt; }
    std::optional<std::string> saveFileName(const std::string&) override { return std::nullopt; }
    std::optional<std::uint32_t> chooseColour(std::uint32_t) override { return std::nullopt; }
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
