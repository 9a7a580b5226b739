#include "ui/trial_runner.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

namespace tevmar {

TrialRunner::TrialRunner(QObject *parent) : QObject(parent) {}

TrialRunner::~TrialRunner()
{
    Stop();
}

void TrialRunner::Stop()
{
    if (stop_)
        *stop_ = true;
    stop_.reset();
    ++generation_;
    running_ = false;
}

void TrialRunner::Start(const session::CalculateOutcome &design,
                        const session::ResponseSettings &settings, Done done)
{
    Stop();
    stop_ = std::make_shared<std::atomic<bool>>(false);
    running_ = true;
    const int generation = generation_;
    QPointer<TrialRunner> self(this);
    QThreadPool::globalInstance()->start(
        [stop = stop_, design, settings, generation, self, done = std::move(done)] {
            auto result = session::RunResponseTrials(*stop, design, settings);
            if (!result || *stop)
                return;
            // Back on the GUI thread, where `self` can be checked safely.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, generation, done, yield = *result] {
                    if (!self || self->generation_ != generation)
                        return; // a newer change, or the window is gone
                    self->running_ = false;
                    self->stop_.reset();
                    ++self->delivered_;
                    done(yield);
                },
                Qt::QueuedConnection);
        });
}

} // namespace tevmar
