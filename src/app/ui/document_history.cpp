#include "app/ui/document_history.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>

namespace kvx::app {

namespace {

/// One step: the changes are applied already when it is pushed.
class Step : public QUndoCommand {
public:
    Step(model::TestDocument& doc, model::ChangeLog log, DocumentHistory& history)
        : doc_(doc), log_(std::move(log)), history_(history) {}

    void undo() override {
        log_.undo(doc_);
        emit history_.documentRestored();
    }
    void redo() override {
        if (std::exchange(firstRedo_, false)) return;
        log_.redo(doc_);
        emit history_.documentRestored();
    }
    int id() const override { return log_.mergeKey() != 0 ? log_.mergeKey() : -1; }
    bool mergeWith(const QUndoCommand* other) override {
        auto* later = dynamic_cast<const Step*>(other);
        if (!later || later->log_.mergeKey() != log_.mergeKey()) return false;
        log_.append(std::move(const_cast<Step*>(later)->log_));
        return true;
    }

private:
    model::TestDocument& doc_;
    model::ChangeLog log_;
    DocumentHistory& history_;
    bool firstRedo_ = true;
};

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
    if (auto* dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &DocumentHistory::commit);
}

DocumentHistory::~DocumentHistory() {
    if (doc_.changeLog() == &log_) doc_.setChangeLog(nullptr);
}

void DocumentHistory::commit() {
    if (suspended_ || log_.empty()) return;
    log_.seal();
    model::ChangeLog done = std::move(log_);
    log_ = model::ChangeLog{};
    doc_.setChangeLog(&log_);
    if (done.changesNothing(doc_)) return;
    stack_.push(new Step(doc_, std::move(done), *this));
}

void DocumentHistory::resume() {
    suspended_ = false;
    doc_.setChangeLog(&log_);
}

void DocumentHistory::suspend() {
    commit();
    suspended_ = true;
    doc_.setChangeLog(nullptr);
}

void DocumentHistory::restart() {
    suspended_ = false;
    log_ = model::ChangeLog{};
    stack_.clear();
    doc_.setChangeLog(&log_);
}

void DocumentHistory::markSaved() {
    commit();
    stack_.setClean();
}

void DocumentHistory::undo() {
    commit();
    doc_.setChangeLog(nullptr);
    stack_.undo();
    doc_.setChangeLog(&log_);
}

void DocumentHistory::redo() {
    commit();
    doc_.setChangeLog(nullptr);
    stack_.redo();
    doc_.setChangeLog(&log_);
}

}  // namespace kvx::app
