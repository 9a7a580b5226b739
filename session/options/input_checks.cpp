#include "session/options/input_checks.h"

#include "engine/design.h"
#include "report/number_format.h"

#include <algorithm>
#include <cmath>

namespace tevmar::session {

namespace {

bool Positive(double value)
{
    return std::isfinite(value) && value > 0;
}

std::string Ohms(double value)
{
    return Figure(value) + " ohms";
}

const char *AbsorbedUnit(const DesignInputs &inputs)
{
    return IsInductiveLoad(inputs.loadType) ? " nH" : " pF";
}

void AbsorbWarnings(const DesignInputs &inputs, const InputValues &typed,
                    std::vector<std::string> &warnings)
{
    const double value = typed.absorbedValue;
    if (!inputs.absorb || !std::isfinite(value) || value == 0)
        return;
    if (value < 0) {
        warnings.push_back("the absorbed value " + Figure(value) + AbsorbedUnit(inputs) +
                           " is negative; nothing is absorbed");
        return;
    }
    const DesignResult result = RunDesign(inputs);
    if (result.solved && !result.absorbed)
        warnings.push_back("the absorbed value " + Figure(value) + AbsorbedUnit(inputs) +
                           " is too small to matter over this band; nothing is absorbed");
}

} // namespace

std::vector<std::string> DesignInputWarnings(const DesignInputs &inputs)
{
    std::vector<std::string> warnings;
    const InputValues typed = ReadInputValues(inputs);
    AbsorbWarnings(inputs, typed, warnings);
    const double f1 = typed.f1Ghz;
    const double f2 = typed.f2Ghz;
    if (Positive(f1) && Positive(f2) && f1 > f2)
        warnings.push_back("the band edges are swapped (F1 " + Figure(f1) + " GHz above F2 " +
                           Figure(f2) + " GHz); the design is for " + Figure(f2) + " to " +
                           Figure(f1) + " GHz, the report keeps them as typed");
    const double highest = std::max(f1, f2);
    if (std::isfinite(highest) && highest > kHighestPlausibleGhz)
        warnings.push_back("a band edge of " + Figure(highest) + " GHz, above " +
                           Figure(kHighestPlausibleGhz) + " GHz (MHz typed as GHz?)");
    return warnings;
}

std::string NoSolutionReason(const DesignInputs &inputs, const DesignResult &result)
{
    if (result.solved)
        return {};
    const double f1 = result.typed.f1Ghz;
    const double f2 = result.typed.f2Ghz;
    if (!Positive(f1) || !Positive(f2))
        return "the band needs two edges above 0 GHz; F1 reads " + Figure(f1) + " GHz, F2 " +
               Figure(f2) + " GHz";
    if (f1 == f2)
        return "the band edges are equal (" + Figure(f1) + " GHz); a band needs two";
    const double zhigh = result.typed.zhighOhms;
    const double zlow = result.typed.zlowOhms;
    for (const auto &[name, ohms] : {std::pair{"Zhigh", zhigh}, std::pair{"Zlow", zlow}}) {
        if (!std::isfinite(ohms))
            return std::string(name) + " is not a finite impedance";
        if (ohms < 0)
            return std::string("a negative impedance: ") + name + " reads " + Ohms(ohms);
        if (ohms == 0)
            return std::string(name) + " reads 0 ohms; a port needs a resistance";
    }
    if (zhigh == zlow)
        return "Zhigh and Zlow are equal (" + Ohms(zhigh) +
               "); the network transforms one resistance into another, higher one";
    if (zhigh < zlow)
        return "swapped ports: Zhigh (" + Ohms(zhigh) + ") is below Zlow (" + Ohms(zlow) +
               "); Zhigh is the high-impedance port";
    if (result.typed.absorbedValue > 0.001) {
        DesignInputs plain = inputs;
        plain.absorb = false;
        if (RunDesign(plain).solved) {
            // Name another order only where one absorbs this very load.
            std::string orders;
            for (const int order : {4, 8, 12}) {
                DesignInputs other = inputs;
                other.networkOrder = order;
                if (order != inputs.networkOrder && RunDesign(other).solved)
                    orders += (orders.empty() ? "order " : " or ") + std::to_string(order);
            }
            return "a load Q of " + Figure(result.LoadQ) +
                   " that the synthesis cannot absorb over this band (band Q " +
                   Figure(result.band.Qt) + ") at order " + std::to_string(inputs.networkOrder) +
                   (orders.empty() ? "; a smaller reactance or a narrower band may solve"
                                   : "; " + orders + " absorbs it");
        }
    }
    return "no Chebyshev prototype of order " + std::to_string(inputs.networkOrder) +
           " transforms the impedance ratio " + Figure(zhigh / zlow) + " over this band (band Q " +
           Figure(result.band.Qt) + ")";
}

} // namespace tevmar::session
