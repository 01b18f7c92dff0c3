#include "app/ui/document_history.h"

#include <QAbstractEventDispatcher>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QThread>
#include <utility>

namespace kvx::app {

namespace {

/// One step: the changes are applied already when it is pushed. The pieces of one action
/// carry the action's number as their id, so the stack merges them into one step.
class Step : public QUndoCommand {
public:
    Step(model::TestDocument& doc, model::ChangeLog log, int action)
        : doc_(doc), log_(std::move(log)), action_(action) {}

    void undo() override { log_.undo(doc_); }
    void redo() override {
        if (std::exchange(firstRedo_, false)) return;
        log_.redo(doc_);
    }
    int id() const override { return action_; }
    bool mergeWith(const QUndoCommand* other) override {
        auto* later = dynamic_cast<const Step*>(other);
        if (!later || later->action_ != action_) return false;
        log_.append(std::move(const_cast<Step*>(later)->log_));
        // An action that ends where it began (a dialog's fields typed into and then cancelled)
        // leaves no step behind.
        setObsolete(log_.changesNothing(doc_));
        return true;
    }

private:
    model::TestDocument& doc_;
    model::ChangeLog log_;
    int action_;
    bool firstRedo_ = true;
};

/// Drops the steps that can be redone: pushed, it takes their place; a second one pushed
/// after it takes itself away again, and the stack tells everyone that redo is gone.
class DropRedo : public QUndoCommand {
public:
    int id() const override { return -2; }  // action numbers are positive
    bool mergeWith(const QUndoCommand* other) override {
        if (other->id() != id()) return false;
        setObsolete(true);
        return true;
    }
};

/// A widget of a message box or of a dialog shown modally.
bool withinModalWindow(const QWidget* widget) {
    const QWidget* window = widget->window();
    return window && (qobject_cast<const QMessageBox*>(window) || window->isModal());
}

/// `widget` lies in `window` or in one of its popups (the list of a drop-down box).
bool belongsTo(const QWidget* widget, const QWidget* window) {
    for (const QWidget* w = widget; w; w = w->parentWidget())
        if (w == window) return true;
    return false;
}

/// A field the user types text into: keys that type or delete characters there go on one run.
bool typesIntoField(const QWidget* widget, const QKeyEvent* key) {
    if (!qobject_cast<const QLineEdit*>(widget) && !qobject_cast<const QAbstractSpinBox*>(widget)) return false;
    if (key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete) return true;
    const QString text = key->text();
    return !text.isEmpty() && text.at(0).isPrint();
}

}  // namespace

DocumentHistory::DocumentHistory(model::TestDocument& doc, int limit, QObject* parent)
    : QObject(parent), doc_(doc) {
    if (limit > 0) stack_.setUndoLimit(limit);
    doc_.setChangeLog(&log_);
    // Undoing back to the saved state makes the test saved again.
    connect(&stack_, &QUndoStack::indexChanged, this, [this] {
        if (stack_.isClean()) doc_.setSaved(true);
        else if (stack_.count() > 0) doc_.markChanged();
    });
    // Whenever the program waits for input, what the current action changed so far is on the
    // stack, so "Отменить" offers it at once; the action itself ends only with the next input.
    if (auto* dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &DocumentHistory::commit);
    if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

DocumentHistory::~DocumentHistory() {
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
    if (doc_.changeLog() == &log_) doc_.setChangeLog(nullptr);
}

bool DocumentHistory::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
            if (watched->isWidgetType()) userInput(static_cast<QWidget*>(watched), event);
            break;
        case QEvent::KeyRelease:
        case QEvent::MouseButtonRelease:
            inputWidget_.clear();  // the next press is new input
            break;
        case QEvent::ShortcutOverride:
            // The shortcut map looks at the commands after this: "Отменить" must offer what
            // was changed just before.
            commit();
            break;
        case QEvent::Shortcut:
            if (markWindow_ && !belongsTo(QApplication::activeWindow(), markWindow_)) markWindow_.clear();
            endAction();
            break;
        case QEvent::FocusIn:
            // A focus change by the user; the program's own moves of the focus are no input.
            if (watched->isWidgetType() && static_cast<QFocusEvent*>(event)->reason() != Qt::OtherFocusReason &&
                !withinModalWindow(static_cast<QWidget*>(watched)))
                endAction();
            break;
        default:
            break;
    }
    return false;
}

void DocumentHistory::userInput(QWidget* widget, QEvent* event) {
    // An event that a widget leaves to its parents is still the same input.
    if (event->type() == inputType_ && inputWidget_ && widget->isAncestorOf(inputWidget_)) return;
    // A modifier pressed on its own (Shift for a capital letter) is part of the key that follows.
    if (event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
            case Qt::Key_Shift:
            case Qt::Key_Control:
            case Qt::Key_Alt:
            case Qt::Key_AltGr:
            case Qt::Key_Meta:
            case Qt::Key_CapsLock: return;
            default: break;
        }
    }
    inputType_ = event->type();
    inputWidget_ = widget;
    if (markWindow_ && !belongsTo(widget, markWindow_) && !withinModalWindow(widget)) markWindow_.clear();
    // The answer to a question, and everything done in a modal dialog up to its "OK" or
    // "Отмена", is part of the command that opened it.
    if (withinModalWindow(widget)) return;
    endAction();
    if (event->type() == QEvent::KeyPress && typesIntoField(widget, static_cast<QKeyEvent*>(event)))
        joinRun({widget, 0});
}

void DocumentHistory::joinRun(Run run) {
    if (!run_.any() && !pushed_ && run == previousRun_) action_ = previousAction_;
    run_ = run;
}

void DocumentHistory::commit() {
    if (suspended_) return;
    // The diagram tags levels typed into a row; the tag tells which run the action types into.
    if (const int key = log_.mergeKey(); key != 0) {
        joinRun({nullptr, key});
        log_.setMergeKey(0);
    }
    if (log_.empty()) return;
    log_.seal();
    model::ChangeLog done = std::move(log_);
    log_ = model::ChangeLog{};
    doc_.setChangeLog(&log_);
    if (done.changesNothing(doc_)) return;
    stack_.push(new Step(doc_, std::move(done), action_));
    pushed_ = true;
}

void DocumentHistory::endAction() {
    commit();
    previousAction_ = action_;
    previousRun_ = run_;
    action_ = ++lastAction_;
    run_ = {};
    pushed_ = false;
}

void DocumentHistory::resume() {
    suspended_ = false;
    doc_.setChangeLog(&log_);
}

void DocumentHistory::suspend() {
    endAction();
    suspended_ = true;
    doc_.setChangeLog(nullptr);
}

void DocumentHistory::restart() {
    suspended_ = false;
    log_ = model::ChangeLog{};
    stack_.clear();
    doc_.setChangeLog(&log_);
    endAction();
    previousRun_ = {};
}

void DocumentHistory::markSaved() {
    endAction();
    stack_.setClean();
}

int DocumentHistory::mark(QWidget* window) {
    endAction();
    markWindow_ = window;
    markAction_ = action_;
    return action_;
}

bool DocumentHistory::takeBackTo(int mark) {
    endAction();
    // Only the steps of the mark's own window: after input elsewhere they may be the user's
    // work in another window.
    if (!markWindow_ || mark != markAction_) return false;
    previousRun_ = {};
    // Steps carry the number of their action, and actions are numbered in their order.
    bool any = false;
    doc_.setChangeLog(nullptr);
    while (stack_.canUndo() && stack_.command(stack_.index() - 1)->id() >= mark) {
        stack_.undo();
        any = true;
    }
    if (any) {
        stack_.push(new DropRedo);
        stack_.push(new DropRedo);
    }
    doc_.setChangeLog(&log_);
    return any;
}

void DocumentHistory::undo() {
    endAction();
    previousRun_ = {};  // typing does not go on into a step that was taken back
    if (!stack_.canUndo()) return;
    doc_.setChangeLog(nullptr);
    stack_.undo();
    doc_.setChangeLog(&log_);
    emit documentRestored();
}

void DocumentHistory::redo() {
    endAction();
    previousRun_ = {};
    if (!stack_.canRedo()) return;
    doc_.setChangeLog(nullptr);
    stack_.redo();
    doc_.setChangeLog(&log_);
    emit documentRestored();
}

}  // namespace kvx::app
