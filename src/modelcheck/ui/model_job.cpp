#include "modelcheck/ui/model_job.h"

#include <QDateTime>

namespace kvx::modelcheck::ui {

ModelJob::ModelJob(QObject* parent) : QObject(parent) {
    timer_.setInterval(40);
    connect(&timer_, &QTimer::timeout, this, &ModelJob::poll);
}

ModelJob::~ModelJob() {
    if (thread_.joinable()) {
        control_.cancel();
        thread_.join();
    }
}

bool ModelJob::start(std::function<void(const Context&)> work) {
    if (thread_.joinable()) return false;
    control_.reset();
    done_ = 0;
    all_ = 0;
    ended_ = false;
    shownDone_ = shownAll_ = -1;
    startedMs_ = QDateTime::currentMSecsSinceEpoch();
    thread_ = std::thread([this, work = std::move(work)] {
        work(Context{control_, done_, all_});
        ended_.store(true, std::memory_order_release);
    });
    timer_.start();
    return true;
}

void ModelJob::cancel() {
    if (thread_.joinable()) control_.cancel();
}

double ModelJob::seconds() const {
    return startedMs_ ? static_cast<double>(QDateTime::currentMSecsSinceEpoch() - startedMs_) / 1000.0 : 0.0;
}

void ModelJob::poll() {
    if (done_.load() != shownDone_ || all_.load() != shownAll_) {
        shownDone_ = done_.load();
        shownAll_ = all_.load();
        emit progressed(shownDone_, shownAll_);
    }
    if (!ended_.load(std::memory_order_acquire)) return;
    timer_.stop();
    thread_.join();
    emit finished();
}

}  // namespace kvx::modelcheck::ui
