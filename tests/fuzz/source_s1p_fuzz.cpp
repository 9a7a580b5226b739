// A measured source on any bytes, read from a file as --source-s1p reads it,
// driving a measured load (18 ohms with 1.2 nH, 0.1 to 20 GHz) over the
// file's own span: the whole run, fits of both ends, the design and its
// figures between the two measurements, to the JSON document. Refused with
// a message or designed with finite figures, nothing else.

#include "report/number_format.h"
#include "session/run/run.h"
#include "tests/fuzz/run_checks.h"
#include "tests/fuzz/scratch_file.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>
#include <string_view>
#include <unistd.h>

using namespace tevmar;

namespace {

const analysis::OnePortData &Load()
{
    static const analysis::OnePortData load = [] {
        analysis::OnePortData data;
        for (int i = 0; i <= 200; ++i) {
            const double hz = 1e8 * std::pow(200.0, i / 200.0);
            data.frequenciesHz.push_back(hz);
            data.impedanceOhms.push_back({18, 2 * std::numbers::pi * hz * 1.2e-9});
        }
        return data;
    }();
    return load;
}

// The band a source file spans, as the boxes would hold it; the first line
// "! band F1 F2" names another.
std::pair<std::string, std::string> Band(std::string_view text, const analysis::OnePortData *data)
{
    if (text.starts_with("! band ")) {
        const std::string line(text.substr(7, text.find('\n') - 7));
        // Box texts reach the messages as typed (the front end escapes them):
        // only the file's own text must arrive escaped.
        if (std::ranges::any_of(line, [](unsigned char c) { return c < 0x20 || c == 0x7f; }))
            return {"2", "3"};
        const std::size_t space = line.find(' ');
        if (space != std::string::npos)
            return {line.substr(0, space), line.substr(space + 1)};
    }
    if (!data)
        return {"2", "3"};
    return {ShortestNumber(data->frequenciesHz.front() / 1e9),
            ShortestNumber(data->frequenciesHz.back() / 1e9)};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const std::string path = fuzz::WriteScratchFile(text);
    std::optional<analysis::OnePortData> source;
    try {
        source = session::ReadOnePortFile(path);
    } catch (const analysis::TouchstoneError &) {
        // The run refuses it as the reader does; still run it.
    }
    session::Request request;
    std::tie(request.design.f1Text, request.design.f2Text) =
        Band(text, source ? &*source : nullptr);
    request.design.networkOrder = source && source->frequenciesHz.size() % 2 ? 8 : 4;
    request.measuredLoad = session::MeasuredLoadInput{};
    request.measuredLoad->filePath = "load.s1p";
    request.measuredLoad->data = Load();
    request.measuredLoad->source = session::MeasuredSourceInput{path, {}, {}};
    request.json = true;
    const session::Outcome outcome = session::Run(request);
    fuzz::CheckOutcome(outcome);
    if (!source && outcome.status != session::ExitStatus::BadUsage)
        std::abort(); // a file the reader refuses is never designed for
    return 0;
}
