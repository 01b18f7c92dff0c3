#include "app/ui/command_line.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "app/ui/tbf.h"

namespace kvx::app {

QStringList commandLineFiles(const QStringList& arguments) {
    QStringList files;
    bool options = true;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        QString a = arguments[i];
        if (options && a == QStringLiteral("--")) {
            options = false;
            continue;
        }
        if (options && a.startsWith('-')) continue;
        if (a.isEmpty()) continue;
        // Some file managers pass a URL even for a local file.
        if (a.startsWith(QStringLiteral("file://"))) a = QUrl(a).toLocalFile();
        files << QDir::toNativeSeparators(QFileInfo(a).absoluteFilePath());
    }
    return files;
}

void openCommandLineFiles(TBF& window, const QStringList& arguments) {
    for (const QString& file : commandLineFiles(arguments))
        if (window.openPassedFile(file) == LoadOutcome::NotSaved) break;
}

}  // namespace kvx::app
