#pragma once
// How the commands of the parameter dialogs run a modal dialog: exec() in the program;
// tests put in a runner that fills the dialog and presses its buttons.

#include <QDialog>
#include <functional>

namespace kvx::params::ui {

using ModalRunner = std::function<int(QDialog&)>;

/// The runner of the program: the dialog's own modal loop.
inline int execModal(QDialog& dialog) { return dialog.exec(); }

}  // namespace kvx::params::ui
