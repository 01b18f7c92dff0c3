#pragma once
// "KVX_Edit FILE...": the test files named on the command line (a file manager passes the file
// that was opened with the editor) are loaded in the new editor, each like a file passed by
// another program, so that unsaved changes are asked about first.

#include <QStringList>

namespace kvx::app {

class TBF;

/// The file paths among the program's arguments (the first argument, the program, and options
/// beginning with '-' are left out; "--" ends the options), made absolute.
QStringList commandLineFiles(const QStringList& arguments);

/// Loads the command line's files into `window` in turn; stops when a save the user asked for
/// did not happen. (One file is first offered to an editor that already runs, at start-up.)
void openCommandLineFiles(TBF& window, const QStringList& arguments);

}  // namespace kvx::app
