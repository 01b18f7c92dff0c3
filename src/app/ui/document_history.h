#pragma once
// The history of the open test: every user action that changed the document is one step of a
// QUndoStack, kept as the values it replaced (model::ChangeLog). An action ends when the event
// loop has nothing more to do, so a menu command, a dialog's "OK" or a key press is one step;
// levels typed one after another into one row merge into one step. Opening a file or creating
// a new test starts a new history.

#include <QObject>
#include <QUndoStack>

#include "model/change_log.h"
#include "model/test_document.h"

namespace kvx::app {

class DocumentHistory : public QObject {
    Q_OBJECT
public:
    /// `limit`: the number of steps kept (0: no limit).
    DocumentHistory(model::TestDocument& doc, int limit, QObject* parent = nullptr);
    ~DocumentHistory() override;

    QUndoStack& stack() { return stack_; }
    /// Ends the current action: what it changed becomes one step.
    void commit();
    /// The document is about to be replaced (new test, a load): nothing is logged while it is.
    void suspend();
    /// The document was replaced: the history starts anew with the document as it is.
    void restart();
    /// Logging goes on after a suspend() that did not replace the document (a refused file).
    void resume();
    /// The document was saved: this state is the clean one.
    void markSaved();

    void undo();
    void redo();

signals:
    /// An undo or redo changed the document: everything that shows it is refreshed.
    void documentRestored();

private:
    model::TestDocument& doc_;
    QUndoStack stack_;
    model::ChangeLog log_;
    bool suspended_ = false;
};

}  // namespace kvx::app
