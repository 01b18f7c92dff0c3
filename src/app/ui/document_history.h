#pragma once
// The history of the open test: every user action that changed the document is one step of a
// QUndoStack, kept as the values it replaced (model::ChangeLog). Actions are cut by the user's
// input, never by the speed of it: a key press, a mouse press, a wheel turn, a shortcut and a
// focus change made by the user each end the action before them, so a click with what follows
// it, a drag from press to release, a command or a dialog's "OK" is one step however fast the
// events come. Levels typed one after another into one row, and text typed into one field,
// with no other input between them, are one step. Opening a file or creating a new test starts
// a new history.

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QUndoStack>

#include "model/change_log.h"
#include "model/test_document.h"

class QWidget;

namespace kvx::app {

class DocumentHistory : public QObject {
    Q_OBJECT
public:
    /// `limit`: the number of steps kept (0: no limit).
    DocumentHistory(model::TestDocument& doc, int limit, QObject* parent = nullptr);
    ~DocumentHistory() override;

    QUndoStack& stack() { return stack_; }
    /// Puts what the current action changed so far on the stack, so that "Отменить" offers it;
    /// the action goes on, and what it changes later joins the same step.
    void commit();
    /// The current action is over: the next change starts a new step.
    void endAction();
    /// The document is about to be replaced (new test, a load): nothing is logged while it is.
    void suspend();
    /// The document was replaced: the history starts anew with the document as it is.
    void restart();
    /// Logging goes on after a suspend() that did not replace the document (a refused file).
    void resume();
    /// The document was saved: this state is the clean one.
    void markSaved();
    /// Ends the current action and names the point reached in `window`, for takeBackTo. Input
    /// in another window (a message box or a modal dialog aside) ends the use of the mark.
    int mark(QWidget* window);
    /// Takes back for good every step made since `mark` in its window (the window was
    /// cancelled): they are undone and cannot be redone. False, and nothing taken back, when
    /// there was none or the mark is no longer the window's latest or was ended by input elsewhere.
    bool takeBackTo(int mark);

    void undo();
    void redo();

signals:
    /// An undo or redo changed the document: everything that shows it is refreshed.
    void documentRestored();

protected:
    /// Watches the input of the whole program for the ends of actions.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// A run of typing that stays one step: levels typed into one diagram row (the diagram
    /// tags its changes with a merge key) or text typed into one field.
    struct Run {
        const QObject* field = nullptr;
        int key = 0;
        bool operator==(const Run&) const = default;
        bool any() const { return field || key; }
    };
    /// A press, a key or a wheel turn reached `widget`.
    void userInput(QWidget* widget, QEvent* event);
    /// The current action types into `run`: when the action before it typed into the same run
    /// and nothing came between them, both are one step.
    void joinRun(Run run);

    model::TestDocument& doc_;
    QUndoStack stack_;
    model::ChangeLog log_;
    bool suspended_ = false;

    int action_ = 1;          ///< the current action; its changes merge into one step
    int lastAction_ = 1;      ///< the highest action number given out
    int previousAction_ = 0;  ///< the action before the current one
    Run run_;                 ///< what the current action types into
    Run previousRun_;         ///< what the action before it typed into
    bool pushed_ = false;     ///< the current action has a step on the stack

    /// The last input seen: an event that its receiver leaves to the parent widgets reaches
    /// the filter again and must not count twice.
    QEvent::Type inputType_ = QEvent::None;
    QPointer<QWidget> inputWidget_;

    QPointer<QWidget> markWindow_;  ///< the window of the latest mark, while only it had input
    int markAction_ = 0;            ///< the first action after that mark
};

}  // namespace kvx::app
