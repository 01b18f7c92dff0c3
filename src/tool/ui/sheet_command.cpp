// kvxtool sheet: loads a test file as the editor does and writes its test sheet as PDF with
// the editor's own sheet drawing.

#include <QGuiApplication>
#include <iostream>
#include <memory>
#include <string>

#include "model/test_document.h"
#include "params/comment_file.h"
#include "sheet/sheet_layout.h"
#include "sheet/ui/test_sheet.h"
#include "storage/same_file.h"
#include "storage/test_file.h"
#include "tool/ui/drawing_session.h"
#include "tool/sheet_command.h"

namespace kvx::tool {

namespace {

const char* kUsage = "Использование: kvxtool sheet IN -o OUT.pdf [--tacts A-B] [--page A4|A3] [--landscape]\n";

int fail(const std::string& message) {
    std::cerr << "kvxtool: " << message << "\n";
    return 2;
}

}  // namespace

int runSheet(int argc, char** argv) {
    std::string in, out, tacts;
    sheet::PageFormat format;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "-o" && hasValue) {
            out = argv[++i];
        } else if (a == "--tacts" && hasValue) {
            tacts = argv[++i];
        } else if (a == "--page" && hasValue) {
            const auto paper = sheet::parsePaper(argv[++i]);
            if (!paper) return fail(std::string("неизвестный формат листа ") + argv[i] + " (A4 или A3)\n" + kUsage);
            format.paper = *paper;
        } else if (a == "--landscape") {
            format.landscape = true;
        } else if (in.empty() && !a.empty() && a[0] != '-') {
            in = a;
        } else {
            return fail("непонятный параметр " + a + "\n" + kUsage);
        }
    }
    if (in.empty() || out.empty()) return fail(std::string("не указан файл теста или листа\n") + kUsage);
    // Never over the test or its comment file, whatever name leads to them.
    if (const std::string refused = storage::refuseOverwrite(
            out, {{in, "файл теста"}, {params::commentFilePath(in), "файл комментария теста"}});
        !refused.empty())
        return fail(refused);

    DrawingSession session;
    if (const std::string refused = startDrawing(session, in); !refused.empty()) return fail(refused);
    const model::TestDocument& doc = session.doc;

    sheet::ui::SheetOptions options;
    if (!tacts.empty()) {
        const sheet::RangeParse range = sheet::parseTactRange(tacts, doc.tactCount());
        if (!range.range) return fail(range.error);
        options.tacts = *range.range;
    }
    const sheet::ui::TestSheet sheet = sheet::ui::layoutFor(doc, options, format);
    if (sheet.pageCount() > sheet::kMaxSheetPages) {
        const int fit = sheet.diagramPages().tactsWithin(sheet::kMaxSheetPages - sheet.textPageCount());
        return fail(sheet::tooManyPagesError(sheet.pageCount(), sheet.tacts(), fit, "--tacts "));
    }
    const std::string error = sheet::ui::writeSheetPdf(out, doc, options, format);
    if (!error.empty()) return fail(error);
    // A test the reader had to mend is written as read, and said so, as dump and resave do.
    return session.messages.empty() ? 0 : 1;
}

}  // namespace kvx::tool
