#pragma once

#include "report/line.h"

#include <string>

namespace tevmar {

// Where the design run sends its report file lines. The run writes every line
// first and then calls Finish, so a sink can make the report appear all at
// once or not at all.
class ReportSink
{
  public:
    virtual ~ReportSink() = default;
    virtual void WriteLine(const Line &line) = 0;
    // Makes the written lines the saved report. Returns false, with a reason
    // in `error`, when they could not be saved; the previous report then stays.
    virtual bool Finish(std::string &error) = 0;
};

// Discards the report; for runs that only want the figures.
class NullReportSink final : public ReportSink
{
  public:
    void WriteLine(const Line &) override {}
    bool Finish(std::string &) override { return true; }
};

} // namespace tevmar
