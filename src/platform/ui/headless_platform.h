#pragma once
// The toolkit's platform for programs that draw without a screen (kvxtool render and sheet).
// On Linux that is "offscreen". A Windows package carries "minimal" (pictures and PDF files
// with the system's fonts) and "windows" (the editor's own); the toolkit would stop with a
// modal box when the platform it is told to use is missing, so only platforms that are there
// are named.

#include <QString>
#include <QStringList>

namespace kvx::platform {

/// The platforms to name, best first, of those whose plugins lie in `pluginFolders`
/// (folders of platform plugins, such as "platforms" beside the program): the one the user chose (`chosen`, the text of
/// QT_QPA_PLATFORM, may be empty), then "minimal" with the system's fonts, then "windows".
/// On systems other than Windows: `chosen`, or "offscreen".
QStringList headlessPlatforms(const QString& chosen, const QStringList& pluginFolders);

/// Sets QT_QPA_PLATFORM for the application about to be made. Returns "" when a platform is
/// there, else the Russian reason why no drawing can be made (no application may be made).
QString chooseHeadlessPlatform();

}  // namespace kvx::platform
