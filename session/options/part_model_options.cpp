#include "session/options/part_model_options.h"

#include "report/number_format.h"
#include "report/printable_text.h"
#include "session/options/command_options.h"
#include "units/unit_text.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <utility>

namespace tevmar::session {
namespace {

// The widest values a model may hold and still give finite figures: a Q from
// 0.001 (as --q-l), frequencies from 1 Hz to 1e9 GHz (as the sweep), and
// parasitics up to a microfarad, a millihenry and a gigaohm.
constexpr double kLowestQ = 1e-3;
constexpr double kLowestHz = 1.0;
constexpr double kHighestHz = 1e18;
constexpr double kHighestPf = 1e6;
constexpr double kHighestNh = 1e6;
constexpr double kLowestEsrOhms = 1e-6;
constexpr double kHighestEsrOhms = 1e9;

// A number followed by one of `units`, in the unit it was written in
// (`si` false) or in SI units, or why not: "what" names the piece ("the
// frequency F").
Parsed<double> WithUnit(const std::string &text, const std::string &what,
                        std::initializer_list<const units::UnitFactor *> unitList, bool si)
{
    const units::SuffixRead read = units::ReadSuffixed(text, unitList);
    std::string names;
    for (const units::UnitFactor *unit : unitList)
        names += names.empty() ? unit->name : std::string(" or ") + unit->name;
    switch (read.outcome) {
    case units::SuffixRead::Outcome::Read:
        return si ? read.Si() : read.written;
    case units::SuffixRead::Outcome::NotANumber:
        return what + " " + Quoted(text) + " is not a number followed by " + read.unit->name;
    case units::SuffixRead::Outcome::MissingUnit:
        return what + " " + Quoted(text) + " needs its unit, " + names;
    case units::SuffixRead::Outcome::NoNumberOrUnit:
        break;
    }
    return what + " " + Quoted(text) + " is not a number followed by " + names;
}

// The message for a value beyond what the model may hold.
std::string OutOfRange(const std::string &what, double value, const std::string &range)
{
    return what + " " + Figure(value) + " lies outside " + range;
}

Parsed<double> Frequency(const std::string &text)
{
    Parsed<double> hz =
        WithUnit(text, "the frequency F", {&units::kGigahertz, &units::kMegahertz}, true);
    if (const double *value = std::get_if<double>(&hz);
        value && !(*value >= kLowestHz && *value <= kHighestHz))
        return std::string("the frequency F ") + Quoted(text) + " lies outside 1 Hz to 1e9 GHz";
    return hz;
}

// Splits "a,b" at its one comma, or "a@b" at its one at-sign.
std::optional<std::pair<std::string, std::string>> SplitAt(const std::string &text, char mark)
{
    const std::size_t at = text.find(mark);
    if (at == std::string::npos || text.find(mark, at + 1) != std::string::npos)
        return std::nullopt;
    return std::pair{text.substr(0, at), text.substr(at + 1)};
}

} // namespace

Parsed<analysis::ChipInductor> ParseInductorModel(const std::string &text)
{
    const std::string form = Quoted(text) + " is not Q@F,CP (as 55@1.5GHz,0.157pF)";
    const auto comma = SplitAt(text, ',');
    const auto at = comma ? SplitAt(comma->first, '@') : std::nullopt;
    if (!at)
        return form;
    const std::optional<double> q = ParseNumber(at->first);
    if (!q)
        return form + ": the Q " + Quoted(at->first) + " is not a number";
    if (!(*q >= kLowestQ))
        return form + ": the Q must be 0.001 or more";
    const Parsed<double> hz = Frequency(at->second);
    if (const std::string *error = std::get_if<std::string>(&hz))
        return form + ": " + *error;
    const Parsed<double> cp =
        WithUnit(comma->second, "the capacitance CP", {&units::kPicofarad}, false);
    if (const std::string *error = std::get_if<std::string>(&cp))
        return form + ": " + *error;
    if (!(std::get<double>(cp) >= 0 && std::get<double>(cp) <= kHighestPf))
        return form + ": " + OutOfRange("the capacitance CP", std::get<double>(cp), "0 to 1e6 pF");
    return analysis::ChipInductor{*q, units::Frequency::FromHz(std::get<double>(hz)),
                                  units::Capacitance::FromPicofarads(std::get<double>(cp))};
}

Parsed<analysis::ChipCapacitor> ParseCapacitorModel(const std::string &text)
{
    const std::string form = Quoted(text) + " is not ESL,ESR@F (as 0.45nH,0.12@1GHz)";
    const auto comma = SplitAt(text, ',');
    const auto at = comma ? SplitAt(comma->second, '@') : std::nullopt;
    if (!at)
        return form;
    const Parsed<double> esl =
        WithUnit(comma->first, "the inductance ESL", {&units::kNanohenry}, false);
    if (const std::string *error = std::get_if<std::string>(&esl))
        return form + ": " + *error;
    if (!(std::get<double>(esl) >= 0 && std::get<double>(esl) <= kHighestNh))
        return form + ": " + OutOfRange("the inductance ESL", std::get<double>(esl), "0 to 1e6 nH");
    // Plain ohms; a trailing "ohm" or "ohms" is read as the same.
    static constexpr units::UnitFactor kOhms{"ohms", 1}, kOhm{"ohm", 1};
    const units::SuffixRead esrRead = units::ReadSuffixed(at->first, {&kOhms, &kOhm});
    const std::optional<double> esr =
        esrRead.outcome == units::SuffixRead::Outcome::Read ||
                esrRead.outcome == units::SuffixRead::Outcome::MissingUnit
            ? std::optional<double>(esrRead.written)
            : std::nullopt;
    if (!esr)
        return form + ": the resistance ESR " + Quoted(at->first) + " is not a number of ohms";
    if (!(*esr >= kLowestEsrOhms && *esr <= kHighestEsrOhms))
        return form + ": " + OutOfRange("the resistance ESR", *esr, "1e-6 to 1e9 ohms");
    const Parsed<double> hz = Frequency(at->second);
    if (const std::string *error = std::get_if<std::string>(&hz))
        return form + ": " + *error;
    return analysis::ChipCapacitor{units::Inductance::FromNanohenries(std::get<double>(esl)),
                                   units::Resistance::FromOhms(*esr),
                                   units::Frequency::FromHz(std::get<double>(hz))};
}

Parsed<double> ParsePad(const std::string &text)
{
    Parsed<double> pf = WithUnit(text, "the pad capacitance", {&units::kPicofarad}, false);
    if (const double *value = std::get_if<double>(&pf);
        value && !(*value >= 0 && *value <= kHighestPf))
        return OutOfRange("the pad capacitance", *value, "0 to 1e6 pF");
    return pf;
}

std::string InductorModelText(const analysis::ChipInductor &model)
{
    return Figure(model.q) + "@" + Figure(model.at.ghz()) + "GHz," +
           Figure(model.parallel.picofarads()) + "pF";
}

std::string CapacitorModelText(const analysis::ChipCapacitor &model)
{
    return Figure(model.esl.nanohenries()) + "nH," + Figure(model.esr.ohms()) + "@" +
           Figure(model.at.ghz()) + "GHz";
}

} // namespace tevmar::session
