#pragma once

// What the windows show of the latest design, kept in one place and observed:
// the latest solved design and the run that made it, whether a later run
// failed (the design shown is then not the boxes' any more), whether its
// report reached the file. The windows only read it and hear of its changes;
// the Response window's background figures and tune stay with that window,
// which cancels them as designs change.

#include "session/run/run.h"

#include <functional>
#include <optional>
#include <vector>

namespace tevmar::session {

class DesignState
{
  public:
    // `listener` is called after every change, in the order observers came.
    void Observe(std::function<void()> listener) const;

    // A run from the boxes (Calculate, or a measured-load match) finished.
    void Follow(const Request &request, const Outcome &outcome);

    bool hasDesign() const { return latest_.has_value(); }
    // The latest solved design and the request that made it; only with hasDesign().
    const CalculateOutcome &design() const { return latest_->design; }
    const Request &request() const { return latest_->request; }
    // True while the latest run made the design kept: a later run without a
    // solution makes the design shown stale.
    bool current() const { return current_; }
    // The latest solved design's report could not be saved, so the report
    // file holds an earlier design than the one shown.
    bool reportBehind() const { return reportBehind_; }
    // What the latest run did with the report file, solved or not.
    ReportSaving lastSaving() const { return lastSaving_; }
    // Counts the solved designs, so that a view knows when it is behind.
    int serial() const { return serial_; }

    // The request that writes the latest design's file of `kind` to `path`
    // under `settings`, without touching the report; empty without a current
    // design, whose files would pass an earlier design off as the boxes'.
    std::optional<Request> ExportRequest(ExportKind kind, const std::string &path,
                                         const AnalysisSettings &settings) const;

  private:
    struct Latest
    {
        Request request;
        CalculateOutcome design;
    };

    void Changed() const;

    mutable std::vector<std::function<void()>> listeners_;
    std::optional<Latest> latest_;
    bool current_ = false;
    bool reportBehind_ = false;
    ReportSaving lastSaving_ = ReportSaving::NotAsked;
    int serial_ = 0;
};

} // namespace tevmar::session
