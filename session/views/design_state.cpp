#include "session/views/design_state.h"

#include <utility>

namespace tevmar::session {

void DesignState::Observe(std::function<void()> listener) const
{
    listeners_.push_back(std::move(listener));
}

void DesignState::Changed() const
{
    for (const auto &listener : listeners_)
        listener();
}

void DesignState::Follow(const Request &request, const Outcome &outcome)
{
    lastSaving_ = outcome.design.saving;
    if (!outcome.design.solved()) {
        current_ = false;
    } else {
        Latest latest{request, outcome.design};
        // A measured load is kept as read, so that the design's files and
        // figures never depend on the file staying as it was.
        if (latest.request.measuredLoad && outcome.match) {
            latest.request.measuredLoad->data = outcome.match->data;
            if (latest.request.measuredLoad->source && outcome.match->source)
                latest.request.measuredLoad->source->data = outcome.match->source->data;
        }
        latest.request.reportPath.reset();
        latest_ = std::move(latest);
        current_ = true;
        reportBehind_ = outcome.design.saving == ReportSaving::NotSaved;
        ++serial_;
    }
    Changed();
}

std::optional<Request> DesignState::ExportRequest(ExportKind kind, const std::string &path,
                                                  const AnalysisSettings &settings) const
{
    if (!latest_ || !current_)
        return std::nullopt;
    Request request = latest_->request;
    request.settings = settings;
    request.files = {{kind, path, FormatOf(kind).title}};
    request.figures = request.tune = request.json = false;
    return request;
}

} // namespace tevmar::session
