#pragma once

#include "session/response.h"

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>

namespace tevmar {

// Runs the Response window's tolerance trials on a worker thread so that the
// curves repaint at once. A newer Start stops the older run, whose result is
// then never delivered; `done` is called on the GUI thread.
class TrialRunner final : public QObject
{
  public:
    using Done = std::function<void(const analysis::YieldResult &)>;

    explicit TrialRunner(QObject *parent = nullptr);
    ~TrialRunner() override;

    void Start(const session::CalculateOutcome &design, const session::ResponseSettings &settings,
               Done done);
    // Stops the current run, if any; nothing is delivered for it.
    void Stop();
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
