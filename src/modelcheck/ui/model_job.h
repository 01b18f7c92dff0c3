#pragma once
// A run on the model (a fill, a grading) on a worker thread while the window goes on: the
// work gets a RunControl, so that "Отмена" stops the simulator, and counts its progress; the
// window learns of both through a timer, so no Qt object is touched from the worker.

#include <QObject>
#include <QTimer>
#include <atomic>
#include <functional>
#include <thread>

#include "modelcheck/process.h"

namespace kvx::modelcheck::ui {

class ModelJob : public QObject {
    Q_OBJECT
public:
    /// What the worker is told: the control to hand to the core and where to count progress.
    struct Context {
        RunControl& control;
        std::atomic<int>& done;
        std::atomic<int>& all;
    };
    explicit ModelJob(QObject* parent = nullptr);
    /// Cancels a running work and waits for it.
    ~ModelJob() override;

    /// Runs `work` on a worker thread; false while another work runs.
    bool start(std::function<void(const Context&)> work);
    /// Stops the simulator of the running work; finished() follows when the work returns.
    void cancel();
    bool running() const { return thread_.joinable(); }
    bool cancelled() const { return control_.cancelled(); }
    int done() const { return done_.load(); }
    int all() const { return all_.load(); }
    /// Seconds since the work started.
    double seconds() const;

signals:
    /// The counts of the running work changed (checked every few tens of milliseconds).
    void progressed(int done, int all);
    /// The work returned; what it wrote may be read now.
    void finished();

private:
    void poll();

    RunControl control_;
    std::atomic<int> done_{0};
    std::atomic<int> all_{0};
    std::atomic<bool> ended_{false};
    std::thread thread_;
    QTimer timer_;
    int shownDone_ = -1, shownAll_ = -1;
    qint64 startedMs_ = 0;
};

}  // namespace kvx::modelcheck::ui
