#include "session/run/microstrip.h"

#include "report/number_format.h"
#include "units/unit_text.h"

#include <cmath>

namespace tevmar::session {

namespace {

using analysis::lines::Microstrip;
using analysis::lines::Substrate;

constexpr double kSpeedOfLight = 299'792'458.0;
// A loss tangent above this is a lossy absorber rather than a circuit board.
constexpr double kMostPlausibleLossTangent = 0.1;

std::string Millimetres(double metres)
{
    return units::MillimetreText(units::Length::FromMetres(metres), 4);
}

std::string Ghz(double hz)
{
    return units::GhzText(units::Frequency::FromHz(hz), 6);
}

bool Finite(const format::MicrostripPoint &p)
{
    const auto finite = [](const std::optional<std::complex<double>> &s) {
        return !s || (std::isfinite(s->real()) && std::isfinite(s->imag()));
    };
    return std::isfinite(p.z0Ohms) && std::isfinite(p.epsEff) && std::isfinite(p.attenuation) &&
           finite(p.s11) && finite(p.s21);
}

// Where the formulas are used beyond their published accuracy.
std::vector<std::string> Warnings(const Microstrip &line, const std::vector<double> &frequencies)
{
    namespace l = analysis::lines;
    std::vector<std::string> warnings;
    const Substrate &s = line.substrate();
    const double u = line.WidthRatio();
    if (u < l::kLeastValidatedWidthRatio || u > l::kMostValidatedWidthRatio)
        warnings.push_back("W/h " + Figure(u, 4) + " is outside " +
                           Figure(l::kLeastValidatedWidthRatio) + " to " +
                           Figure(l::kMostValidatedWidthRatio) +
                           ", where the dispersion formulas are published; the figures are "
                           "less certain");
    if (s.relativePermittivity > l::kMostValidatedPermittivity)
        warnings.push_back("er " + Figure(s.relativePermittivity) + " is above " +
                           Figure(l::kMostValidatedPermittivity) +
                           ", where the dispersion formulas are published");
    if (s.lossTangent > kMostPlausibleLossTangent)
        warnings.push_back("tand " + Figure(s.lossTangent) +
                           " is far above any circuit board's; is it in percent?");
    double highest = 0;
    for (const double hz : frequencies)
        highest = std::max(highest, hz);
    if (s.height * highest / kSpeedOfLight > l::kMostValidatedHeightWavelengths)
        warnings.push_back("at " + Ghz(highest) + " the substrate is " +
                           Figure(s.height * highest / kSpeedOfLight, 3) +
                           " wavelengths high, above the " +
                           Figure(l::kMostValidatedHeightWavelengths) +
                           " the dispersion formulas are published for; the board may carry "
                           "higher-order modes there");
    return warnings;
}

} // namespace

std::string SubstrateProblem(const Substrate &s)
{
    if (!(s.relativePermittivity >= 1) || !(s.relativePermittivity <= kMostPermittivity))
        return "er=" + Figure(s.relativePermittivity) + "; expected 1 to " +
               Figure(kMostPermittivity) + " (1 is air)";
    if (!(s.height > 0) || !(s.height <= kMostSubstrateHeight))
        return "h=" + Millimetres(s.height) + "; expected above 0 and at most " +
               Millimetres(kMostSubstrateHeight);
    if (!(s.thickness >= 0) || !(s.thickness < s.height))
        return "t=" + Millimetres(s.thickness) + "; expected 0 or more and less than h (" +
               Millimetres(s.height) + ")";
    if (!(s.lossTangent >= 0) || !(s.lossTangent < 1))
        return "tand=" + Figure(s.lossTangent) + "; expected 0 or more and below 1";
    if (!(s.resistivity >= 0) || !(s.resistivity <= 1))
        return "rho=" + Figure(s.resistivity) +
               " ohm m; expected 0 (a perfect conductor) to 1 (copper is 1.72e-8)";
    if (!(s.roughness >= 0) || !(s.roughness <= s.height))
        return "rough=" + Millimetres(s.roughness) + "; expected 0 or more and at most h";
    return {};
}

format::MicrostripPoint MicrostripPointAt(const Microstrip &line, double hz,
                                          std::optional<double> length, double portOhms)
{
    format::MicrostripPoint p{hz, line.Z0(hz), line.EpsEff(hz), line.Attenuation(hz), {}, {}};
    if (length) {
        const analysis::lines::LineSParameters s = line.SParameters(hz, *length, portOhms);
        p.s11 = s.s11;
        p.s21 = s.s21;
    }
    return p;
}

MicrostripRun RunMicrostrip(const MicrostripInput &in)
{
    namespace l = analysis::lines;
    MicrostripRun run;
    if (std::string problem = SubstrateProblem(in.substrate); !problem.empty()) {
        run.problem = "the substrate's " + problem;
        return run;
    }
    if (in.impedanceOhms.has_value() == in.width.has_value()) {
        run.problem = "give either the impedance or the width";
        return run;
    }
    double width = 0;
    if (in.impedanceOhms) {
        const std::optional<double> found = l::WidthForImpedance(in.substrate, *in.impedanceOhms);
        if (!found) {
            const l::ImpedanceSpan span = l::ImpedanceSpanOf(in.substrate);
            run.problem = "no width on this substrate gives " + Figure(*in.impedanceOhms) +
                          " ohms; the formulas cover " + Figure(span.least, 4) + " to " +
                          Figure(span.most, 4) + " ohms";
            return run;
        }
        width = *found;
    } else {
        width = *in.width;
        const double u = width / in.substrate.height;
        if (!(u >= l::kLeastWidthRatio && u <= l::kMostWidthRatio)) {
            run.problem = "a width of " + Millimetres(width) + " on h " +
                          Millimetres(in.substrate.height) + " is W/h " + Figure(u, 4) +
                          "; the formulas cover W/h " + Figure(l::kLeastWidthRatio) + " to " +
                          Figure(l::kMostWidthRatio);
            return run;
        }
    }
    if (in.frequenciesHz.size() > kMaxLineFrequencies) {
        run.problem = "more than " + std::to_string(kMaxLineFrequencies) + " frequencies";
        return run;
    }
    for (const double hz : in.frequenciesHz)
        if (!(hz > 0 && hz <= kMostLineFrequency.hz())) {
            run.problem = "a frequency of " + units::GhzFigure(units::Frequency::FromHz(hz)) +
                          " GHz; expected above 0 and at most " + Ghz(kMostLineFrequency.hz());
            return run;
        }
    if (in.length && !(*in.length > 0 && *in.length <= kMostLineLength)) {
        run.problem = "a length of " + Millimetres(*in.length) + "; expected above 0 and at most " +
                      Figure(kMostLineLength) + " m";
        return run;
    }
    if (!(in.portOhms > 0 && std::isfinite(in.portOhms))) {
        run.problem = "the ports' impedance must be above 0 ohms";
        return run;
    }

    const Microstrip line(in.substrate, width);
    format::MicrostripReport report{in.substrate,    in.impedanceOhms,    width,
                                    line.Z0Static(), line.EpsEffStatic(), line.OpenEndExtension(),
                                    in.length,       in.portOhms,         {}};
    for (const double hz : in.frequenciesHz) {
        report.points.push_back(MicrostripPointAt(line, hz, in.length, in.portOhms));
        if (!Finite(report.points.back())) {
            run.problem = "the model gives no finite figure at " + Ghz(hz);
            return run;
        }
    }
    run.warnings = Warnings(line, in.frequenciesHz);
    run.outcome = MicrostripOutcome{line, std::move(report)};
    return run;
}

} // namespace tevmar::session
