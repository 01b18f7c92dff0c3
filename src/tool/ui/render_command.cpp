// kvxtool render: loads a test file as the editor does and draws its diagram with the editor's
// painting routines into a PNG or SVG picture.

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
#include "exchange/ui/diagram_picture.h"
#include "model/test_document.h"
#include "storage/test_file.h"
#include "tool/output_guard.h"
#include "tool/ui/drawing_session.h"

namespace kvx::tool {

namespace {

const char* kRenderUsage =
    "Использование: kvxtool render IN -o OUT.png|OUT.svg [--width W] [--height H] [--words] [--time]\n";

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
    diagram::DiagramView view;
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
        } else if (a == "--words") {
            view.wordLanes = true;
        } else if (a == "--time") {
            view.timeOnRuler = true;
        } else if (in.empty() && !a.empty() && a[0] != '-') {
            in = a;
        } else {
            return fail("непонятный параметр " + a + "\n" + kRenderUsage);
        }
    }
    if (in.empty() || out.empty()) return fail(std::string("не указан файл теста или рисунка\n") + kRenderUsage);
    if (const std::string refused = refusedOutput(out, in); !refused.empty()) return fail(refused);

    DrawingSession session;
    if (const std::string refused = startDrawing(session, in); !refused.empty()) return fail(refused);
    const model::TestDocument& doc = session.doc;

    // The same picture as "Экспорт" > "Рисунок..." of the whole diagram: start view values,
    // no current cell; --width and --height give the picture's size, --words adds the lanes of
    // the data words and --time puts the tacts' start times on the ruler.
    exchange::ui::PictureArea area = exchange::ui::wholeDiagram(doc, view);
    if (width) area.canvas.setWidth(*width);
    if (height) {
        if (*height <= diagram::kHeaderHeight)
            return fail("высота рисунка должна быть больше " + std::to_string(diagram::kHeaderHeight) + " точек");
        area.canvas.setHeight(*height - diagram::kHeaderHeight);
    }
    const QSize size = exchange::ui::pictureSize(area);
    if (size.width() > exchange::ui::kMaxPictureSide || size.height() > exchange::ui::kMaxPictureSide)
        return fail("рисунок " + std::to_string(size.width()) + "x" + std::to_string(size.height()) +
                    " слишком велик (не более 32767 точек по стороне); задайте --width и --height");
    const std::string error = exchange::ui::writePicture(doc, area, out);
    if (!error.empty()) return fail(error);
    return 0;
}

}  // namespace kvx::tool
