#include "session/run/device.h"

#include "engine/lenient_number.h"
#include "report/number_format.h"
#include "report/printable_text.h"
#include "session/run/measured_match.h"
#include "units/unit_text.h"

#include <algorithm>
#include <cmath>

namespace tevmar::session {

analysis::TwoPortData ReadTwoPortFile(const std::string &path)
{
    return analysis::ReadTwoPort(ReadTouchstoneText(path, "a two-port Touchstone file"), path);
}

namespace {

analysis::DevicePoint PointAt(const analysis::TwoPortData &data, std::size_t i,
                              const analysis::DeviceLevels &levels)
{
    const double hz = data.frequenciesHz[i];
    return analysis::DeviceFiguresAt(hz, data.s[i], analysis::NoiseAt(data.noise, hz),
                                     data.referenceOhms, levels);
}

} // namespace

DeviceRun RunDevice(const DeviceInput &input, const std::string &f1Text, const std::string &f2Text)
{
    DeviceRun run;
    DeviceOutcome device;
    device.fileName = input.filePath;
    try {
        device.data = input.data ? *input.data : ReadTwoPortFile(input.filePath);
    } catch (const analysis::TouchstoneError &e) {
        run.problem = e.what();
        return run;
    }
    run.warnings = device.data.warnings;
    const std::vector<double> &f = device.data.frequenciesHz;
    double fromHz = f.front(), toHz = f.back();
    if (!f1Text.empty() || !f2Text.empty()) {
        const double a = units::Frequency::FromGHz(ReadNumber(f1Text)).hz(),
                     b = units::Frequency::FromGHz(ReadNumber(f2Text)).hz();
        fromHz = std::min(a, b);
        toHz = std::max(a, b);
        const std::string band = "the band " + f1Text + " to " + f2Text + " GHz";
        const std::string name = PrintableText(input.filePath);
        if (!(fromHz >= f.front() && toHz <= f.back())) {
            run.problem = name + ": " + band + " reaches past the data (" +
                          units::GhzFigure(units::Frequency::FromHz(f.front())) + " to " +
                          units::GhzFigure(units::Frequency::FromHz(f.back())) +
                          " GHz); expected data covering the band";
            return run;
        }
        if (std::ranges::none_of(f, [&](double hz) { return hz >= fromHz && hz <= toHz; })) {
            run.problem = name + ": no data frequency lies in " + band +
                          "; expected at least one point in it";
            return run;
        }
    }
    const auto first = std::ranges::lower_bound(f, fromHz);
    const auto last = std::ranges::upper_bound(f, toHz);
    const std::size_t from = static_cast<std::size_t>(first - f.begin());
    device.pointsInBand = static_cast<std::size_t>(std::max<std::ptrdiff_t>(last - first, 0));
    device.stride = (device.pointsInBand + kMaxDevicePoints - 1) / kMaxDevicePoints;
    device.stride = std::max<std::size_t>(device.stride, 1);
    device.points.reserve(std::min(device.pointsInBand, kMaxDevicePoints + 1));
    for (std::size_t k = 0; k < device.pointsInBand; k += device.stride)
        device.points.push_back(PointAt(device.data, from + k, input.levels));
    if (device.stride > 1) {
        if ((device.pointsInBand - 1) % device.stride != 0)
            device.points.push_back(
                PointAt(device.data, from + device.pointsInBand - 1, input.levels));
        run.warnings.push_back(
            (input.label.empty() ? "" : input.label + ": ") + std::to_string(device.pointsInBand) +
            " data frequencies in the band; the figures are given at one in every " +
            std::to_string(device.stride) + " of them and the last, " +
            std::to_string(device.points.size()) + " in all");
    }
    run.outcome = std::move(device);
    return run;
}

std::optional<DeviceCircleKind> DeviceCircleKindOf(const std::string &name)
{
    if (name == "source stability")
        return DeviceCircleKind::SourceStability;
    if (name == "load stability")
        return DeviceCircleKind::LoadStability;
    if (name == "available gain")
        return DeviceCircleKind::AvailableGain;
    if (name == "operating gain")
        return DeviceCircleKind::OperatingGain;
    if (name == "noise")
        return DeviceCircleKind::Noise;
    return std::nullopt;
}

DeviceCircleResult DeviceCircleAt(const DeviceOutcome &device, DeviceCircleKind kind,
                                  double levelDb, double frequencyHz)
{
    DeviceCircleResult result;
    const std::vector<double> &f = device.data.frequenciesHz;
    const auto at = std::ranges::find_if(
        f, [&](double hz) { return std::abs(hz - frequencyHz) <= 1e-9 * std::max(hz, 1.0); });
    if (at == f.end()) {
        result.problem = Figure(frequencyHz) + " Hz is not one of the data's frequencies (" +
                         Figure(f.front()) + " to " + Figure(f.back()) + " Hz)";
        return result;
    }
    const std::size_t i = static_cast<std::size_t>(at - f.begin());
    analysis::DeviceLevels levels;
    if (kind == DeviceCircleKind::Noise)
        levels.noiseDb = {levelDb};
    else
        levels.gainDb = {levelDb};
    const analysis::DevicePoint p =
        analysis::DeviceFiguresAt(*at, device.data.s[i], analysis::NoiseAt(device.data.noise, *at),
                                  device.data.referenceOhms, levels);
    switch (kind) {
    case DeviceCircleKind::SourceStability:
    case DeviceCircleKind::LoadStability: {
        const auto &s =
            kind == DeviceCircleKind::SourceStability ? p.sourceStability : p.loadStability;
        if (!s) {
            result.problem = "the stability circle is a straight line there";
            return result;
        }
        result.circle = s->circle;
        result.stableInside = s->stableInside;
        return result;
    }
    case DeviceCircleKind::AvailableGain:
    case DeviceCircleKind::OperatingGain:
        result.circle =
            (kind == DeviceCircleKind::AvailableGain ? p.availableGain : p.operatingGain)
                .front()
                .circle;
        if (!result.circle)
            result.problem = Figure(levelDb) + " dB is above the most gain there";
        return result;
    case DeviceCircleKind::Noise:
        result.circle = p.noiseFigure.front().circle;
        if (!result.circle)
            result.problem = p.noise ? Figure(levelDb) + " dB is below NFmin there"
                                     : "the file has no noise parameters there";
        return result;
    }
    return result;
}

analysis::DevicePoint DevicePointAt(const DeviceOutcome &device, std::size_t index,
                                    const analysis::DeviceLevels &levels)
{
    const analysis::DevicePoint &p = device.points.at(index);
    return analysis::DeviceFiguresAt(p.frequencyHz, p.s, p.noise, device.data.referenceOhms,
                                     levels);
}

analysis::DeviceLevels PictureLevels(const analysis::DevicePoint &point)
{
    analysis::DeviceLevels levels;
    if (const std::optional<double> top = point.magDb ? point.magDb : point.msgDb)
        for (const double below : {1.0, 2.0, 3.0})
            levels.gainDb.push_back(std::floor(*top) - below);
    if (point.noise)
        for (const double above : {0.25, 0.5, 1.0})
            levels.noiseDb.push_back(point.noise->nfMinDb + above);
    return levels;
}

} // namespace tevmar::session
