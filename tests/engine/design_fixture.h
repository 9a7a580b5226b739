#pragma once

#include "engine/design_run.h"
#include "engine/memory_window.h"

#include <string>
#include <vector>

namespace tevmar {

// Records what the design run sends to the report file.
class RecordingSink final : public ReportSink
{
  public:
    void WriteLine(const Line &line) override { lines.push_back(line); }
    bool Finish(std::string &) override
    {
        ++finished;
        return true;
    }
    std::vector<Line> lines;
    int finished = 0;
};

// A window with the worked band and ports typed in: 1 to 2 GHz, 50 and 10 ohms.
struct WorkedWindow
{
    MemoryWindow window;
    DesignState state;
    RecordingSink sink;

    WorkedWindow(Option order = Option::N4, Option load = Option::SRL, const char *absorb = nullptr)
        : window(TypedInputs{"1", "2", "50", "10", order, load,
                             absorb ? std::optional<std::string>(absorb) : std::nullopt})
    {
    }
    DesignResult Run() { return Calc_BP_Click(window, state, sink); }
};

} // namespace tevmar
