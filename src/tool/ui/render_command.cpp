// kvxtool render: loads a test file as the editor does and draws its diagram canvas with the
// editor's painting routine into a PNG picture.

#include "tool/render_command.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "diagram/diagram_view.h"
#include "diagram/ui/diagram_painter.h"
#include "model/test_document.h"
#include "storage/test_file.h"

namespace kvx::tool {

namespace {

constexpr int kMaxPictureSide = 32767;

const char* kRenderUsage = "Использование: kvxtool render IN -o OUT.png [--width W] [--height H]\n";

int fail(const std::string& message) {
    std::cerr << "kvxtool: " << message << "\n";
    return 2;
}

std::optional<int> parseSize(const std::string& text) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9') return std::nullopt;
    const int v = std::stoi(text);
    if (v < 1) return std::nullopt;
    return v;
}

}  // namespace

int runRender(int argc, char** argv) {
    int first = 1;
    if (argc > 1 && std::string(argv[1]) == "render") first = 2;
    std::string in, out;
    std::optional<int> width, height;
    for (int i = first; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](const char* what) -> std::optional<std::string> {
            if (i + 1 >= argc) return std::nullopt;
            (void)what;
            return std::string(argv[++i]);
        };
        if (a == "-o") {
            auto v = value("-o");
            if (!v) return fail(std::string("после -o нужен файл рисунка\n") + kRenderUsage);
            out = *v;
        } else if (a == "--width" || a == "--height") {
            auto v = value(a.c_str());
            auto n = v ? parseSize(*v) : std::nullopt;
            if (!n) return fail("неверный размер " + a + (v ? " " + *v : std::string()) + "\n" + kRenderUsage);
            (a == "--width" ? width : height) = *n;
        } else if (in.empty() && !a.empty() && a[0] != '-') {
            in = a;
        } else {
            return fail("непонятный параметр " + a + "\n" + kRenderUsage);
        }
    }
    if (in.empty() || out.empty()) return fail(std::string("не указан файл теста или рисунка\n") + kRenderUsage);

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QGuiApplication> app;
    if (!QGuiApplication::instance()) {
        static int qtArgc = 1;
        static char name[] = "kvxtool";
        static char* qtArgv[] = {name, nullptr};
        app = std::make_unique<QGuiApplication>(qtArgc, qtArgv);
    }

    model::TestDocument doc;
    const storage::LoadResult r = storage::loadTestFile(doc, in);
    if (r.status == storage::LoadStatus::Unreadable) return fail(r.reason);
    for (const std::string& m : r.messages) std::cerr << "kvxtool: " << m << "\n";
    if (r.status == storage::LoadStatus::PackageRejected) return fail("тест не загружен: " + in);

    const diagram::DiagramView view;  // start values: first tact 1, no cell selected
    const long long defaultWidth = diagram::kFirstCellX + static_cast<long long>(doc.tactCount()) * view.cellWidth + 1;
    const long long defaultHeight = static_cast<long long>(diagram::displayRowTotal(doc)) * view.rowHeight + 1;
    const long long w = width ? *width : defaultWidth;
    const long long h = height ? *height : defaultHeight;
    if (w > kMaxPictureSide || h > kMaxPictureSide)
        return fail("рисунок " + std::to_string(w) + "x" + std::to_string(h) +
                    " слишком велик (не более 32767 точек по стороне); задайте --width и --height");

    QImage image(static_cast<int>(w), static_cast<int>(h), QImage::Format_RGB32);
    if (image.isNull()) return fail("не хватает памяти для рисунка");
    {
        QPainter p(&image);
        diagram::paintDiagram(p, doc, view, image.size());
    }
    if (!image.save(QString::fromStdString(out), "PNG")) return fail("не удалось записать рисунок " + out);
    return 0;
}

}  // namespace kvx::tool
