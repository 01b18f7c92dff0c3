#include "app/ui/edit_commands.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include "app/ui/document_history.h"
#include "app/ui/tool_icons.h"
#include "diagram/ui/diagram_widget.h"

namespace kvx::app {

EditCommands::EditCommands(QMainWindow& window, diagram::DiagramWidget& diagram, DocumentHistory& history)
    : QObject(&window) {
    auto make = [&](const QString& text, QList<QKeySequence> keys) {
        auto* a = new QAction(text, &window);
        a->setShortcuts(keys);
        return a;
    };
    auto& A = actions_;
    A.undo = make(QStringLiteral("Отменить"), {QKeySequence(Qt::CTRL | Qt::Key_Z)});
    A.redo = make(QStringLiteral("Повторить"),
                  {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    A.copy = make(QStringLiteral("Копировать"), {QKeySequence(Qt::CTRL | Qt::Key_C)});
    A.cut = make(QStringLiteral("Вырезать"), {QKeySequence(Qt::CTRL | Qt::Key_X)});
    A.paste = make(QStringLiteral("Вставить"), {QKeySequence(Qt::CTRL | Qt::Key_V)});
    A.pasteInsert = make(QStringLiteral("Вставить со сдвигом"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V)});
    // Del is the diagram's own key (a block, or the current cell and on), so the item only names it.
    A.remove = make(QStringLiteral("Удалить\tDel"), {});
    for (QAction* a : {A.undo, A.redo, A.copy, A.cut, A.paste, A.pasteInsert}) {
        a->setShortcutContext(Qt::WindowShortcut);
        window.addAction(a);
    }

    A.undo->setIcon(toolIcon(ToolIcon::Undo));
    A.redo->setIcon(toolIcon(ToolIcon::Redo));
    A.cut->setIcon(toolIcon(ToolIcon::Cut));
    A.copy->setIcon(toolIcon(ToolIcon::Copy));
    A.paste->setIcon(toolIcon(ToolIcon::Paste));

    A.undo->setEnabled(false);
    A.redo->setEnabled(false);
    QUndoStack& stack = history.stack();
    connect(&stack, &QUndoStack::canUndoChanged, A.undo, &QAction::setEnabled);
    connect(&stack, &QUndoStack::canRedoChanged, A.redo, &QAction::setEnabled);
    connect(A.undo, &QAction::triggered, &history, &DocumentHistory::undo);
    connect(A.redo, &QAction::triggered, &history, &DocumentHistory::redo);
    connect(A.copy, &QAction::triggered, &diagram, &diagram::DiagramWidget::copyBlock);
    connect(A.cut, &QAction::triggered, &diagram, &diagram::DiagramWidget::cutBlock);
    connect(A.paste, &QAction::triggered, &diagram, &diagram::DiagramWidget::pasteBlock);
    connect(A.pasteInsert, &QAction::triggered, &diagram, &diagram::DiagramWidget::pasteBlockInserting);
    connect(A.remove, &QAction::triggered, &diagram, &diagram::DiagramWidget::deleteBlock);

    menu_ = new QMenu(QStringLiteral("Правка"), &window);
    menu_->setObjectName(QStringLiteral("editMenu"));
    menu_->addAction(A.undo);
    menu_->addAction(A.redo);
    menu_->addSeparator();
    for (QAction* a : {A.cut, A.copy, A.paste, A.pasteInsert, A.remove}) menu_->addAction(a);
    const QList<QAction*> menus = window.menuBar()->actions();
    if (menus.size() > 1) window.menuBar()->insertMenu(menus[1], menu_);
    else window.menuBar()->addMenu(menu_);

    band_ = new QToolBar(QStringLiteral("Правка"), &window);
    band_->setObjectName(QStringLiteral("editBand"));
    for (QAction* a : {A.undo, A.redo, A.cut, A.copy, A.paste}) band_->addAction(a);
    window.addToolBar(Qt::TopToolBarArea, band_);

    QMenu* context = diagram.contextEditMenu();
    for (QAction* a : {A.undo, A.redo}) context->addAction(a);
    context->addSeparator();
    for (QAction* a : {A.cut, A.copy, A.paste, A.pasteInsert, A.remove}) context->addAction(a);
}

}  // namespace kvx::app
