#pragma once
// The "Правка" menu of the main window, its tool band and its context-menu items: undo and
// redo of the document's history, and the blocks of cells of the diagram (copy, cut, paste,
// paste with inserted tacts, delete).

#include <QObject>

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;

namespace kvx::diagram {
class DiagramWidget;
}

namespace kvx::app {

class DocumentHistory;

struct EditActions {
    QAction* undo = nullptr;         ///< "Отменить", Ctrl+Z
    QAction* redo = nullptr;         ///< "Повторить", Ctrl+Y and Ctrl+Shift+Z
    QAction* copy = nullptr;         ///< "Копировать", Ctrl+C
    QAction* cut = nullptr;          ///< "Вырезать", Ctrl+X
    QAction* paste = nullptr;        ///< "Вставить", Ctrl+V
    QAction* pasteInsert = nullptr;  ///< "Вставить со сдвигом", Ctrl+Shift+V
    QAction* remove = nullptr;       ///< "Удалить" (Del in the diagram)
};

class EditCommands : public QObject {
    Q_OBJECT
public:
    /// Creates the actions, puts the menu behind the first menu of the window's menu bar, adds
    /// a tool band "Правка" and the items of the diagram's context menu.
    EditCommands(QMainWindow& window, diagram::DiagramWidget& diagram, DocumentHistory& history);

    const EditActions& actions() const { return actions_; }
    QMenu* menu() const { return menu_; }
    QToolBar* band() const { return band_; }

private:
    EditActions actions_;
    QMenu* menu_ = nullptr;
    QToolBar* band_ = nullptr;
};

}  // namespace kvx::app
