#pragma once
// Pictures of the tool buttons, drawn in code so that the program needs no icon files.

#include <QIcon>

namespace kvx::app {

enum class ToolIcon {
    NewFile, Open, Save,
    ApplyTactCount, InsertTact, DeleteTact, Generator, RowLow, RowHigh, RowInactive,
    ZoomOut, ZoomIn, ZoomStandard,
    PackageParameters, TestParameters, Algorithm,
    Function, DataWords, Table,
    Undo, Redo, Cut, Copy, Paste,
};

/// The picture of one tool button.
QIcon toolIcon(ToolIcon kind);

}  // namespace kvx::app
