#include "tool/ui/drawing_session.h"

#include <iostream>

#include "platform/ui/headless_platform.h"
#include "storage/test_file.h"

namespace kvx::tool {

std::string startDrawing(DrawingSession& session, const std::string& in) {
    if (!QGuiApplication::instance()) {
        if (const QString missing = platform::chooseHeadlessPlatform(); !missing.isEmpty()) return missing.toStdString();
        static int qtArgc = 1;
        static char name[] = "kvxtool";
        static char* qtArgv[] = {name, nullptr};
        session.app = std::make_unique<QGuiApplication>(qtArgc, qtArgv);
    }
    const storage::LoadResult r = storage::loadTestFile(session.doc, in);
    if (r.status == storage::LoadStatus::Unreadable) return r.reason;
    for (const std::string& m : r.messages) std::cerr << "kvxtool: " << m << "\n";
    session.messages = r.messages;
    if (r.status == storage::LoadStatus::PackageRejected) return "тест не загружен: " + in;
    return {};
}

}  // namespace kvx::tool
