#pragma once
// Application-wide set-up shared by the editor and its widget tests: Qt's Russian
// translations (standard buttons read "Да", "Нет", "Отмена"), the Russian locale with its
// decimal comma, and the compiled-in pictures.

class QCoreApplication;

namespace kvx::app {

/// Loads qtbase_ru.qm from Qt's translations folder into the application and makes Russian
/// the default locale. Returns false when the translation file is not installed (the
/// program then runs with Qt's English button texts).
bool installRussianInterface(QCoreApplication& app);

/// Registers the pictures compiled into the UI library (splash and about box).
void initResources();

/// The organisation and program names ("KVX", "KVX_Edit"), and keepToolkitRecordsOutOfTheRegistry().
void setApplicationNames();

/// On Windows: what the toolkit's own dialogs remember (folders of the file dialog, custom
/// colours) goes to an INI file in the program's per-user folder, so that every registry key
/// the editor writes is one of the family's (Software\KVX_Main, Software\KVX_Editor, ...).
/// Elsewhere nothing changes.
void keepToolkitRecordsOutOfTheRegistry();

}  // namespace kvx::app
