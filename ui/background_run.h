#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace tevmar {

// Runs one slow computation of the Response window on a worker thread (the
// tolerance trials, a tune) so that the curves repaint at once. A newer Start
// stops the older run, whose result is then never delivered; `done` is called
// on the GUI thread.
template <class Result> class BackgroundRun final : public QObject
{
  public:
    // The computation: given the stop flag, its result, or nothing when it
    // gave up (stopped, or nothing to compute).
    using Work = std::function<std::optional<Result>(const std::atomic<bool> &stop)>;
    using Done = std::function<void(const Result &)>;

    explicit BackgroundRun(QObject *parent = nullptr) : QObject(parent) {}
    ~BackgroundRun() override { Stop(); }

    void Start(Work work, Done done)
    {
        Stop();
        stop_ = std::make_shared<std::atomic<bool>>(false);
        running_ = true;
        const int generation = generation_;
        QPointer<BackgroundRun> self(this);
        QThreadPool::globalInstance()->start(
            [stop = stop_, generation, self, work = std::move(work), done = std::move(done)] {
                std::optional<Result> result = work(*stop);
                if (!result || *stop)
                    return;
                // Back on the GUI thread, where `self` can be checked safely.
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(),
                    [self, generation, done, result = std::move(*result)] {
                        if (!self || self->generation_ != generation)
                            return; // a newer change, or the window is gone
                        self->running_ = false;
                        self->stop_.reset();
                        ++self->delivered_;
                        done(result);
                    },
                    Qt::QueuedConnection);
            });
    }

    // Stops the current run, if any; nothing is delivered for it.
    void Stop()
    {
        if (stop_)
            *stop_ = true;
        stop_.reset();
        ++generation_;
        running_ = false;
    }

    bool running() const { return running_; }
    // How many runs have delivered a result.
    int delivered() const { return delivered_; }

  private:
    std::shared_ptr<std::atomic<bool>> stop_;
    int generation_ = 0;
    int delivered_ = 0;
    bool running_ = false;
};

} // namespace tevmar
