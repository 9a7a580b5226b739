// The two-port Touchstone reader on any bytes, read from a file as --device
// reads it: it reads a transistor or refuses the file with a TouchstoneError,
// nothing else, and no message or warning carries a control byte to the
// terminal. A device it reads has rising frequencies and finite matrices, and
// its figures and circles, as the table and the JSON document, never carry a
// NaN or an infinity.

#include "analysis/amplifier/device_figures.h"
#include "analysis/readers/touchstone_reader.h"
#include "format/device_report.h"
#include "session/run/device.h"
#include "tests/fuzz/run_checks.h"
#include "tests/fuzz/scratch_file.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <unistd.h>

using namespace tevmar;

namespace {

bool Finite(std::complex<double> value)
{
    return std::isfinite(value.real()) && std::isfinite(value.imag());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    analysis::TwoPortData device;
    try {
        device = session::ReadTwoPortFile(fuzz::WriteScratchFile(text));
    } catch (const analysis::TouchstoneError &e) {
        fuzz::RequirePrintable(e.what());
        return 0;
    }
    for (const std::string &warning : device.warnings)
        fuzz::RequirePrintable(warning);
    const std::size_t points = device.frequenciesHz.size();
    if (points == 0 || device.s.size() != points || !(device.referenceOhms > 0))
        std::abort();
    for (std::size_t i = 0; i < points; ++i) {
        const analysis::TwoPortMatrix &s = device.s[i];
        if (!Finite(s.s11) || !Finite(s.s12) || !Finite(s.s21) || !Finite(s.s22) ||
            (i > 0 && !(device.frequenciesHz[i] > device.frequenciesHz[i - 1])))
            std::abort();
    }
    for (std::size_t i = 0; i < device.noise.size(); ++i) {
        const analysis::NoisePoint &n = device.noise[i];
        if (!(n.nfMinDb >= 0) || !(std::abs(n.gammaOpt) < 1) || !(n.rnOhms > 0) ||
            (i > 0 && !(n.frequencyHz > device.noise[i - 1].frequencyHz)))
            std::abort();
    }

    const analysis::DeviceLevels levels{{0, 10, 20}, {0.5, 2, 6}};
    format::DeviceReport report{"fuzz.s2p", device.referenceOhms,
                                analysis::DeviceFigures(device, levels,
                                                        device.frequenciesHz.front(),
                                                        device.frequenciesHz.back())};
    if (report.points.size() != points)
        std::abort();
    const std::string json = format::DeviceJson(report);
    if (!nlohmann::json::accept(json))
        std::abort();
    for (const std::string &line : format::DeviceLines(report)) {
        fuzz::RequirePrintable(line);
        if (line.find("nan") != line.npos || line.find("inf") != line.npos)
            std::abort();
    }
    return 0;
}
