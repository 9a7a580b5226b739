#pragma once

#include "report/report_sink.h"

#include <filesystem>
#include <string>

namespace tevmar {

// The report file, "tevmar.prt" in the working directory unless told otherwise.
// Lines end with CR LF, the last one included. The text is written to a
// temporary file beside the report and renamed over it only once complete, so
// a failed or interrupted run never leaves a half-written or stale-looking report.
class ReportFile final : public ReportSink
{
  public:
    static constexpr const char *kDefaultName = "tevmar.prt";

    explicit ReportFile(std::filesystem::path path = kDefaultName);

    void WriteLine(const Line &line) override;
    bool Finish(std::string &error) override;

    const std::string &text() const { return text_; }

  private:
    std::filesystem::path path_;
    std::string text_;
};

// Writes `contents` to `path` through a temporary file in the same directory
// and a rename. Returns false with a reason when the file could not be replaced;
// the old file then stays as it was and no temporary file is left behind.
bool ReplaceFileAtomically(const std::filesystem::path &path, const std::string &contents,
                           std::string &error);

} // namespace tevmar
