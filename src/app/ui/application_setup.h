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

/// The organisation and program names ("KVX", "KVX_Edit").
void setApplicationNames();

}  // namespace kvx::app
