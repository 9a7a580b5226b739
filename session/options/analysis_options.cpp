#include "session/options/analysis_options.h"

#include "analysis/lines/microstrip.h"
#include "report/number_format.h"
#include "report/printable_text.h"
#include "session/io/safe_file.h"
#include "session/options/part_model_options.h"
#include "session/types.h"
#include "units/quantity.h"
#include "units/unit_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <ostream>
#include <stdexcept>
#include <tuple>

namespace tevmar::session {

namespace {

using Handler = std::function<std::string(const std::string &)>;

constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();

// The checks of the options that take numbers, shared by their readers of
// text and of typed values: each stores the number when it fits and
// otherwise says why, quoting the value as it was given. A number that is
// not finite never fits: no setting of a run is infinite.

std::string CountInto(std::optional<int> &target, double number, int most, const std::string &text)
{
    if (!(number >= 1 && number <= most && number == std::floor(number)))
        return "\"" + text + "\" is not a whole number from 1 to " + std::to_string(most);
    target = static_cast<int>(number);
    return {};
}

Handler Count(std::optional<int> &target, int most)
{
    return [&target, most](const std::string &value) -> std::string {
        const std::optional<int> number = ParseWhole<int>(value);
        return CountInto(target, number ? *number : kNotANumber, most, value);
    };
}

std::string ToleranceInto(std::optional<double> &target, double number, const std::string &text)
{
    if (!(number >= 0 && number < 100))
        return "\"" + text + "\" is not a percentage from 0 up to (not including) 100";
    target = number;
    return {};
}

Handler Tolerance(std::optional<double> &target)
{
    return [&target](const std::string &value) -> std::string {
        return ToleranceInto(target, ParseNumber(value).value_or(kNotANumber), value);
    };
}

Handler Seed(std::optional<std::uint64_t> &target)
{
    return [&target](const std::string &value) -> std::string {
        const std::optional<std::uint64_t> number = ParseWhole<std::uint64_t>(value);
        if (!number)
            return "\"" + value + "\" is not a whole number from 0 to 18446744073709551615";
        target = number;
        return {};
    };
}

Handler Series(std::optional<ESeries> &target)
{
    return [&target](const std::string &value) -> std::string {
        target = ParseSeries(value);
        return target ? "" : "\"" + value + "\" is not one of E12, E24, E48, E96";
    };
}

std::string YieldLimitInto(std::optional<double> &target, double number, const std::string &text)
{
    if (!std::isfinite(number) || !YieldVswrProblem(number).empty())
        return "\"" + text + "\" is not a VSWR above 1";
    target = number;
    return {};
}

Handler YieldLimit(std::optional<double> &target)
{
    return [&target](const std::string &value) -> std::string {
        return YieldLimitInto(target, ParseNumber(value).value_or(kNotANumber), value);
    };
}

Handler QModelChoice(std::optional<QModel> &target)
{
    return [&target](const std::string &value) -> std::string {
        target = QModelFromWord(value);
        return target ? "" : "\"" + value + "\" is not one of centre, constant";
    };
}

// A number the run can compute with: at least `lowest`, at most `highest`.
std::string InRangeInto(std::optional<double> &target, double number, double lowest, double highest,
                        const std::string &what, const std::string &text)
{
    if (!std::isfinite(number) || number < lowest || number > highest)
        return Quoted(text) + " is not " + what;
    target = number;
    return {};
}

Handler StoreInRange(std::optional<double> &target, double lowest, double highest,
                     const std::string &what)
{
    return [&target, lowest, highest, what](const std::string &value) -> std::string {
        return InRangeInto(target, ParseNumber(value).value_or(kNotANumber), lowest, highest, what,
                           value);
    };
}

// The kind of line the candidates may use: ideal TEM lines, or strips on
// the --substrate board.
Handler LineKind(bool &target, bool &microstrip)
{
    return [&target, &microstrip](const std::string &value) -> std::string {
        if (value != "ideal" && value != "microstrip")
            return "\"" + value +
                   "\" is not a kind of line this build offers (ideal or microstrip)";
        target = true;
        microstrip = value == "microstrip";
        return {};
    };
}

// "MIN:MAX" widths with their unit, "0.15:5mm" or "0.15mm:5mm": a bare
// first number takes the second's unit.
Handler WidthRange(std::optional<std::pair<double, double>> &target)
{
    return [&target](const std::string &value) -> std::string {
        const std::size_t colon = value.find(':');
        const std::string expected =
            "\"" + value + "\" is not MIN:MAX widths with their unit, such as 0.15:5mm";
        if (colon == std::string::npos)
            return expected;
        const std::string highText = value.substr(colon + 1);
        std::string lowText = value.substr(0, colon);
        const units::UnitRead<units::Length> high = units::ReadLength(highText);
        if (!high.value)
            return expected + " (" + high.problem + ")";
        if (ParseNumber(lowText))
            lowText += std::string(units::detail::SplitNumber(highText).unit);
        const units::UnitRead<units::Length> low = units::ReadLength(lowText);
        if (!low.value)
            return expected + " (" + low.problem + ")";
        if (!(low.value->metres() > 0) || !(high.value->metres() > low.value->metres()))
            return expected + ", the first above 0 and below the second";
        target = std::pair{low.value->metres(), high.value->metres()};
        return {};
    };
}

// A positive length with its unit, "0.05mm".
Handler PositiveLength(std::optional<double> &target)
{
    return [&target](const std::string &value) -> std::string {
        const units::UnitRead<units::Length> read = units::ReadLength(value);
        if (!read.value)
            return read.problem;
        if (!(read.value->metres() > 0) || !std::isfinite(read.value->metres()))
            return "\"" + value + "\" is not a length above 0, such as 0.05mm";
        target = read.value->metres();
        return {};
    };
}

// MIN and MAX, two positive numbers, the first below the second.
std::string RangeInto(std::optional<std::pair<double, double>> &target, double low, double high,
                      const char *unit, const std::string &text)
{
    if (!(low >= kLowestRangeLimit) || !(high <= kHighestRangeLimit) || !(high > low))
        return "\"" + text + "\" is not MIN:MAX in " + unit +
               ", two numbers from 1e-06 to 1e+09, the first below the second";
    target = std::pair{low, high};
    return {};
}

// "MIN:MAX" as text.
Handler PartRange(std::optional<std::pair<double, double>> &target, const char *unit)
{
    return [&target, unit](const std::string &value) -> std::string {
        const std::size_t colon = value.find(':');
        const std::optional<double> low =
            colon == std::string::npos ? std::nullopt : ParseNumber(value.substr(0, colon));
        const std::optional<double> high =
            colon == std::string::npos ? std::nullopt : ParseNumber(value.substr(colon + 1));
        return RangeInto(target, low.value_or(kNotANumber), high.value_or(kNotANumber), unit,
                         value);
    };
}

// A typed value's number, or NaN (which no check lets pass) for a pair.
double NumberOf(const TypedValue &value)
{
    const TypedNumber *number = std::get_if<TypedNumber>(&value);
    return number ? number->value : kNotANumber;
}

// A typed value's pair, or NaNs for a single number.
std::pair<double, double> PairOf(const TypedValue &value)
{
    const auto *pair = std::get_if<std::pair<TypedNumber, TypedNumber>>(&value);
    return pair ? std::pair{pair->first.value, pair->second.value}
                : std::pair{kNotANumber, kNotANumber};
}

// A model's text through its parser, stored when it reads.
template <class T, class Parse> Handler ModelText(std::optional<T> &target, Parse parse)
{
    return [&target, parse](const std::string &value) -> std::string {
        auto parsed = parse(value);
        if (std::string *error = std::get_if<std::string>(&parsed))
            return *error;
        target = std::get<T>(parsed);
        return {};
    };
}

Handler FileName(std::optional<std::string> &target)
{
    return [&target](const std::string &value) -> std::string {
        if (value.empty() || HasLineBreak(value))
            return "needs a file name";
        target = value;
        return {};
    };
}

const std::string kSweepRange = "a frequency from 1e-9 GHz (1 Hz) to 1e9 GHz";
const std::string kQRange = "a Q of 0.001 or more";
const std::string kTouchstoneOhmsRange = "a resistance from 1e-6 to 1e9 ohms";
const std::string kLineZ0Range = "an impedance from 1 to 10000 ohms";
constexpr double kInfinity = std::numeric_limits<double>::infinity();

} // namespace

OptionTable AnalysisOptionTable(AnalysisRequest &r)
{
    return {
        {"--json", "", "write the design and its analysis as JSON instead of the pane lines",
         SetFlag(r.json)},
        {"--sweep", "FILE.csv", "save a CSV sweep: |S11| dB, VSWR and insertion loss per network",
         FileName(r.sweepPath)},
        {"--points", "N",
         "points of the sweep in all, at most " + std::to_string(kMaxSweepPoints) + " (default " +
             std::to_string(kDefaultSweepPoints) + ")",
         Count(r.points, kMaxSweepPoints)},
        {"--from", "GHZ", "sweep start (default half the lower band edge)",
         StoreInRange(r.fromGhz, kLowestSweepGhz, kHighestSweepGhz, kSweepRange)},
        {"--to", "GHZ", "sweep stop (default twice the upper band edge)",
         StoreInRange(r.toGhz, kLowestSweepGhz, kHighestSweepGhz, kSweepRange)},
        {"--log", "",
         "logarithmic frequency steps (the default); over the default range half the points "
         "lie evenly spaced in the band",
         SetFlag(r.log)},
        {"--lin", "", "linear frequency steps", SetFlag(r.lin)},
        {"--touchstone", "FILE.s2p",
         "save the network alone as Touchstone 1.1, both ports to one resistance",
         FileName(r.touchstonePath)},
        {"--touchstone-r", "OHMS", "that resistance of --touchstone (default 50)",
         StoreInRange(r.touchstoneOhms, kLowestTouchstoneOhms, kHighestTouchstoneOhms,
                      kTouchstoneOhmsRange)},
        {"--touchstone-v2", "FILE.s2p",
         "save the network alone as Touchstone 2.0, each port to its termination",
         FileName(r.touchstoneV2Path)},
        {"--spice", "FILE.cir", "save a SPICE subcircuit and an ngspice test bench",
         FileName(r.spicePath)},
        {"--eseries", "E12|E24|E48|E96", "snap every element to the standard series",
         Series(r.eseries)},
        {"--q-l", "Q", "inductor Q at the centre frequency",
         StoreInRange(r.inductorQ, kLowestComponentQ, kInfinity, kQRange)},
        {"--q-c", "Q", "capacitor Q at the centre frequency",
         StoreInRange(r.capacitorQ, kLowestComponentQ, kInfinity, kQRange)},
        {"--q-model", "centre|constant",
         "Q fixed at the centre frequency or the same at every frequency (default centre)",
         QModelChoice(r.qModel)},
        {"--l-model", "Q@F,CP",
         "every inductor a chip inductor: Q at F (its loss rising as sqrt f) and CP across it, "
         "as 55@1.5GHz,0.157pF",
         ModelText(r.inductorChip, ParseInductorModel)},
        {"--c-model", "ESL,ESR@F",
         "every capacitor a chip capacitor: ESL and ESR (ohms, at F, rising as sqrt f) in "
         "series, as 0.45nH,0.12@1GHz",
         ModelText(r.capacitorChip, ParseCapacitorModel)},
        {"--pad", "C", "a pad's capacitance to ground at every node of the ladder, as 0.05pF",
         ModelText(r.padPf, ParsePad)},
        {"--srf-margin", "PERCENT",
         "a chip model's or kit part's resonance lies at least this far above the band's top "
         "(default " +
             Figure(analysis::kDefaultSrfMarginPercent) +
             "; 0: a kit part's anywhere above the band, a chip model's " +
             Figure(analysis::kLeastChipModelMarginPercent) + " % above it)",
         StoreInRange(r.srfMarginPercent, 0, analysis::kHighestSrfMarginPercent,
                      "a percentage from 0 to " + Figure(analysis::kHighestSrfMarginPercent))},
        {"--monte-carlo", "N",
         "tolerance trials, at most " + std::to_string(kMaxTrials) + " (default " +
             std::to_string(kDefaultTrials) + ")",
         Count(r.trials, kMaxTrials)},
        {"--tolerance", "PERCENT",
         "element tolerance, +- percent (default " + Figure(kDefaultTolerancePercent) + ")",
         Tolerance(r.tolerancePercent)},
        {"--seed", "S",
         "seed of the tolerance trials (default " + std::to_string(kDefaultSeed) + ")",
         Seed(r.seed)},
        {"--yield-vswr", "X",
         "trials pass below this in-band VSWR (default the design's maximum x " +
             Figure(kDefaultYieldVswrFactor) + ")",
         YieldLimit(r.yieldVswr)},
        {"--tune", "", "re-tune the values for the least in-band |S11|, the load held as typed",
         SetFlag(r.tune)},
        {"--candidates", "",
         "tune every ladder of up to four parts and the lowpass, highpass and bandpass ladders "
         "into the load and rank them",
         SetFlag(r.candidates)},
        {"--pick", "K", "the files carry candidate K (1 is the best)", Count(r.pick, 1000)},
        {"--parts", "DIR",
         "build the candidates, the tuned network or an amplifier's two networks from the "
         "measured chip parts (.s2p) in this folder",
         FileName(r.partsFolder)},
        {"--bom", "FILE.csv",
         "save the bill of materials of the network (or the amplifier's networks) built from "
         "--parts",
         FileName(r.bomPath)},
        {"--l-range", "MIN:MAX", "inductances --tune may choose, nH (default 0.1:10000)",
         PartRange(r.inductorRangeNh, "nH")},
        {"--c-range", "MIN:MAX", "capacitances --tune may choose, pF (default 0.1:100000)",
         PartRange(r.capacitorRangePf, "pF")},
        {"--lines", "ideal|microstrip",
         "--candidates adds networks of ideal TEM line, or of microstrip on --substrate: stubs, "
         "transformers, lines with parts",
         LineKind(r.lines, r.microstripLines)},
        {"--width-range", "MIN:MAX",
         "with --lines microstrip: the strips' widths (default 0.15:5mm)",
         WidthRange(r.widthRange)},
        {"--length-step", "LENGTH",
         "with --lines microstrip: the grid of the strips' drawn lengths (default 0.05mm)",
         PositiveLength(r.lengthStep)},
        {"--layout", "FILE.csv",
         "with --lines microstrip: save each line's width and drawn length of the network the "
         "files carry",
         FileName(r.layoutPath)},
        {"--z0-range", "MIN:MAX", "the lines' characteristic impedance, ohms (default 20:120)",
         PartRange(r.z0RangeOhms, "ohms")},
        {"--line-z0", "Z", "every line's characteristic impedance held at Z ohms",
         StoreInRange(r.lineZ0Ohms, 1, 1e4, kLineZ0Range)},
    };
}

TypedOptionTable AnalysisTypedOptionTable(AnalysisRequest &r)
{
    const auto count = [](std::optional<int> &target, int most) {
        return [&target, most](const TypedValue &value) {
            return CountInto(target, NumberOf(value), most, TypedValueText(value));
        };
    };
    const auto inRange = [](std::optional<double> &target, double lowest, double highest,
                            const std::string &what) {
        return [&target, lowest, highest, what](const TypedValue &value) {
            return InRangeInto(target, NumberOf(value), lowest, highest, what,
                               TypedValueText(value));
        };
    };
    const auto range = [](std::optional<std::pair<double, double>> &target, const char *unit) {
        return [&target, unit](const TypedValue &value) {
            const auto [low, high] = PairOf(value);
            return RangeInto(target, low, high, unit, TypedValueText(value));
        };
    };
    return {
        {"--points", count(r.points, kMaxSweepPoints)},
        {"--from", inRange(r.fromGhz, kLowestSweepGhz, kHighestSweepGhz, kSweepRange)},
        {"--to", inRange(r.toGhz, kLowestSweepGhz, kHighestSweepGhz, kSweepRange)},
        {"--touchstone-r", inRange(r.touchstoneOhms, kLowestTouchstoneOhms, kHighestTouchstoneOhms,
                                   kTouchstoneOhmsRange)},
        {"--q-l", inRange(r.inductorQ, kLowestComponentQ, kInfinity, kQRange)},
        {"--q-c", inRange(r.capacitorQ, kLowestComponentQ, kInfinity, kQRange)},
        {"--monte-carlo", count(r.trials, kMaxTrials)},
        {"--tolerance",
         [&r](const TypedValue &value) {
             return ToleranceInto(r.tolerancePercent, NumberOf(value), TypedValueText(value));
         }},
        {"--yield-vswr",
         [&r](const TypedValue &value) {
             return YieldLimitInto(r.yieldVswr, NumberOf(value), TypedValueText(value));
         }},
        {"--pick", count(r.pick, 1000)},
        {"--l-range", range(r.inductorRangeNh, "nH")},
        {"--c-range", range(r.capacitorRangePf, "pF")},
        {"--z0-range", range(r.z0RangeOhms, "ohms")},
        {"--line-z0", inRange(r.lineZ0Ohms, 1, 1e4, kLineZ0Range)},
        // The range's text is written only for a refusal: a table is built
        // for every call of a script.
        {"--srf-margin",
         [&r](const TypedValue &value) {
             const double number = NumberOf(value);
             if (std::isfinite(number) && number >= 0 &&
                 number <= analysis::kHighestSrfMarginPercent) {
                 r.srfMarginPercent = number;
                 return std::string();
             }
             return InRangeInto(r.srfMarginPercent, number, 0, analysis::kHighestSrfMarginPercent,
                                "a percentage from 0 to " +
                                    Figure(analysis::kHighestSrfMarginPercent),
                                TypedValueText(value));
         }},
    };
}

std::string AnalysisUsageText()
{
    return "Analysis of the designed network (the report and its lines stay as they are):\n"
           "the network is built from the element values at full precision and as printed\n"
           "and checked against the design's own |S11| over the band; with --eseries,\n"
           "--q-l, --q-c or the tolerance options the figures follow the pane lines.\n"
           "--q-l, --q-c, --l-model, --c-model and --pad describe the parts as built\n"
           "(a pad's capacitance to ground at each node: the two ports' and each junction\n"
           "between series parts); with any of them every figure after the check (standard\n"
           "values, trials, --tune, --candidates, the files) is for the network as built,\n"
           "tuned for the least in-band transducer loss, and the JSON gains \"asBuilt\".\n"
           "Any of --monte-carlo, --tolerance, --seed and --yield-vswr runs the tolerance\n"
           "trials: each part uniform within +-PERCENT, a trial passing when its in-band\n"
           "VSWR stays below --yield-vswr. --points, --from, --to, --log and --lin shape the\n"
           "sweep of --sweep, --touchstone and --touchstone-v2; the --spice test bench\n"
           "sweeps the band. A design without solution writes none of these files.\n"
           "\n"
           "Ports: port 1 is the high-impedance end (--zhigh), port 2 the low-impedance end\n"
           "(--zlow). An absorbed load's reactance is the load's own: for a series RL or RC\n"
           "load it is in series with the --zlow resistance at port 2, for a shunt RL or RC\n"
           "load across the --zhigh resistance at port 1. Every figure and the CSV are for\n"
           "the network with that true load; standard values, Q and tolerances apply to the\n"
           "network's parts only. The Touchstone files and the SPICE subcircuit hold the\n"
           "network alone; the SPICE test bench attaches the load. --touchstone refers both\n"
           "ports to --touchstone-r (renormalise to read the match); --touchstone-v2 refers\n"
           "port 1 to --zhigh and port 2 to --zlow.\n"
           "A file named \"-\" goes to standard output in place of the pane lines and\n"
           "figures (one such file at most, and not with --json).\n"
           "\n"
           "--tune keeps the parts and their places and searches their values for the\n"
           "least in-band |S11| into the true load; the JSON gains a \"tuned\" part and\n"
           "--sweep, --touchstone, --touchstone-v2 and --spice carry the tuned network,\n"
           "still without the load. With --eseries it is tuned again on standard values:\n"
           "the Touchstone and SPICE files hold that network, the CSV both. Where the\n"
           "synthesis cannot absorb the load, it tunes the design for the nearest value\n"
           "of lower load Q that solves (smaller for series RL and shunt RC loads, larger\n"
           "for series RC and shunt RL) with the true load, writes that network and exits\n"
           "6; the report stays untouched. Where no such value solves, nothing is tuned\n"
           "(exit 1). Each tuned part stays within --l-range or --c-range (by default\n"
           "0.1 nH to 10 uH and 0.1 pF to 100 nF, what chip parts span); a part that ends\n"
           "at a limit is named in the lines and marked \"atLimit\" in the JSON.\n"
           "\n"
           "--candidates tunes, into the true load and within the part ranges, the\n"
           "bandpass ladder at orders 4, 8 and 12 and lowpass (series L, shunt C) and\n"
           "highpass (series C, shunt L) ladders of 2 to 6 parts, the first part in series\n"
           "or across, and lists them best first after the pane lines (the JSON gains\n"
           "\"candidates\", parts from the source's side). --pick K makes candidate K the\n"
           "network of --sweep, --touchstone, --touchstone-v2 and --spice. Where the\n"
           "synthesis has no design the table is still written (exit 6).\n"
           "\n"
           "--parts DIR builds each candidate from a kit of measured chip parts: the .s2p\n"
           "files in DIR (each part in series between two fixture ports) and an optional\n"
           "parts.csv (part,kind,value,file; value in nH or pF). Without parts.csv a\n"
           "file's stem is its part number and its kind and value come from its lowest\n"
           "frequencies. Each ideal part is snapped to the kit part of the nearest value,\n"
           "then neighbouring kit values are searched for the least in-band transducer\n"
           "loss with the parts' data; the candidates are ranked by that loss, and the\n"
           "files carry the best (or --pick K). With --tune the tuned network is built\n"
           "the same way and the files carry it. --bom FILE.csv lists the parts of the\n"
           "network the files carry. With --amplifier both networks are built of the kit's\n"
           "parts and every figure and check is made again with their data.\n"
           "\n"
           "--srf-margin PERCENT keeps every part clear of its resonance: a kit part (or a\n"
           "chip model's value) serves the band only where its self-resonance (inductor)\n"
           "or series resonance (capacitor) lies at least PERCENT above the band's top\n"
           "(default 25). A chip model's value keeps at least 5 %, as a value resonating\n"
           "at the band's top is a pole; a kit part has no such floor: 0 admits any kit\n"
           "part that keeps its kind over the band, and chip models 5 % above it. A\n"
           "part within 10 % of that limit, in a candidate or the tuned network, is\n"
           "marked \"near the limit\".\n";
}

namespace {

// Both ends given: what the design's band cannot change is checked at once.
std::string CheckSweepEnds(const AnalysisRequest &r, const OptionNaming &n)
{
    if (!r.fromGhz || !r.toGhz)
        return {};
    const int points = r.points.value_or(kDefaultSweepPoints);
    if (*r.fromGhz > *r.toGhz)
        return n("--from") + ": " + Figure(*r.fromGhz) + " GHz lies above " + n("--to") + ", " +
               Figure(*r.toGhz) + " GHz";
    if (*r.fromGhz == *r.toGhz && points > 1)
        return n("--from") + " and " + n("--to") + " are equal; a sweep of " +
               std::to_string(points) + " points needs " + n("--from") + " below " + n("--to");
    return {};
}

// --lines microstrip and the options of its strips.
std::string CheckBoardLines(const AnalysisRequest &r, const OptionNaming &n)
{
    const std::string microstrip = n("--lines") + " microstrip";
    const std::pair<bool, const char *> stripOptions[] = {
        {r.widthRange.has_value(), "--width-range"},
        {r.lengthStep.has_value(), "--length-step"},
        {r.layoutPath.has_value(), "--layout"}};
    if (!r.microstripLines) {
        for (const auto &[given, name] : stripOptions)
            if (given)
                return n(name) + " applies to " + microstrip + "; give it";
        return {};
    }
    if (!r.substrate)
        return microstrip + " needs " + n("--substrate") + ", the board (er=4.4,h=1.6mm)";
    if (r.z0RangeOhms)
        return n("--z0-range") + ": a strip's Z0 follows its width; give " + n("--width-range") +
               " with " + microstrip;
    if (r.widthRange) {
        const double h = r.substrate->height;
        const double least = analysis::lines::kLeastWidthRatio * h;
        const double most = analysis::lines::kMostWidthRatio * h;
        const auto mm = [](double metres) {
            return Figure(units::Length::FromMetres(metres).millimetres());
        };
        if (r.widthRange->first < least || r.widthRange->second > most)
            return n("--width-range") + ": " + mm(r.widthRange->first) + " to " +
                   mm(r.widthRange->second) + " mm reaches outside the widths the " +
                   "board's microstrip formulas cover, " + mm(least) + " to " + mm(most) + " mm";
    }
    if (r.lineZ0Ohms) {
        const analysis::lines::ImpedanceSpan span = analysis::lines::ImpedanceSpanOf(*r.substrate);
        if (*r.lineZ0Ohms < span.least || *r.lineZ0Ohms > span.most)
            return n("--line-z0") + ": no strip on the board has " + Figure(*r.lineZ0Ohms) +
                   " ohms";
    }
    return {};
}

} // namespace

std::string CheckAnalysisRequest(const AnalysisRequest &r, const std::filesystem::path &reportPath,
                                 const OptionNaming &n, bool severalBands)
{
    if (r.log && r.lin)
        return n("--log") + " and " + n("--lin") + " exclude each other";
    if (!r.SweepFile()) {
        const std::pair<bool, const char *> sweepOptions[] = {{r.points.has_value(), "--points"},
                                                              {r.fromGhz.has_value(), "--from"},
                                                              {r.toGhz.has_value(), "--to"},
                                                              {r.log, "--log"},
                                                              {r.lin, "--lin"}};
        for (const auto &[given, name] : sweepOptions)
            if (given)
                return n(name) + " shapes the sweep of " + n("--sweep") + ", " + n("--touchstone") +
                       " or " + n("--touchstone-v2") + "; give one";
    }
    if (std::string problem = CheckSweepEnds(r, n); !problem.empty())
        return problem;
    if (r.touchstoneOhms && !r.touchstonePath)
        return n("--touchstone-r") + " applies to " + n("--touchstone") + " only; give it";
    if (r.qModel && !r.inductorQ && !r.capacitorQ)
        return n("--q-model") + " applies to " + n("--q-l") + " and " + n("--q-c") + "; give one";
    if (r.partsFolder && !r.candidates && !severalBands && !r.tune && !r.amplifier)
        return n("--parts") + " applies to " + n("--candidates") + ", " + n("--tune") + " and " +
               n("--amplifier") + "; give one";
    // Only chip models and measured parts resonate; ideal parts and a Q have
    // no resonance the margin could keep clear.
    if (r.srfMarginPercent && !r.inductorChip && !r.capacitorChip && !r.partsFolder)
        return n("--srf-margin") + " applies to " + n("--l-model") + ", " + n("--c-model") +
               " and " + n("--parts") + "; give one";
    if (r.bomPath && !r.partsFolder)
        return n("--bom") + " lists the parts of a kit; give " + n("--parts");
    if (r.inductorQ && r.inductorChip)
        return n("--l-model") + " gives the inductors' Q; not with " + n("--q-l");
    if (r.capacitorQ && r.capacitorChip)
        return n("--c-model") + " gives the capacitors' loss; not with " + n("--q-c");
    if (r.lines && !r.candidates)
        return n("--lines") + " applies to " + n("--candidates") + "; give it";
    if ((r.z0RangeOhms || r.lineZ0Ohms) && !r.lines)
        return n(r.z0RangeOhms ? "--z0-range" : "--line-z0") + " applies to " + n("--lines") +
               "; give it";
    if (r.z0RangeOhms && r.lineZ0Ohms)
        return n("--line-z0") + " holds every line's Z0; not with " + n("--z0-range");
    if (std::string problem = CheckBoardLines(r, n); !problem.empty())
        return problem;
    if ((r.inductorRangeNh || r.capacitorRangePf) && !r.tune && !r.candidates)
        return n(r.inductorRangeNh ? "--l-range" : "--c-range") + " applies to " + n("--tune") +
               " and " + n("--candidates") + "; give one";

    const FileOption *onStandardOutput = nullptr;
    for (std::size_t i = 0; i < std::size(kFileOptions); ++i) {
        const FileOption &file = kFileOptions[i];
        if (!(r.*file.path))
            continue;
        const std::filesystem::path path = *(r.*file.path);
        if (path == kStandardOutputPath) {
            if (r.json)
                return n(file.option) + " -: " + n("--json") + " already writes standard output";
            if (onStandardOutput != nullptr)
                return n(file.option) + " -: " + n(onStandardOutput->option) +
                       " already writes standard output";
            onStandardOutput = &file;
            continue;
        }
        if (SameFile(path, reportPath))
            return n(file.option) + ": \"" + path.string() + "\" is the report file";
        for (std::size_t j = 0; j < i; ++j) {
            const std::optional<std::string> &earlier = r.*kFileOptions[j].path;
            if (earlier && *earlier != kStandardOutputPath && SameFile(path, *earlier))
                return n(file.option) + ": \"" + path.string() + "\" is already the file of " +
                       n(kFileOptions[j].option);
        }
    }
    return {};
}

AnalysisSettings SettingsOf(const AnalysisRequest &r)
{
    AnalysisSettings settings;
    settings.sweep.fromGhz = r.fromGhz;
    settings.sweep.toGhz = r.toGhz;
    settings.sweep.points = r.points.value_or(kDefaultSweepPoints);
    settings.sweep.logarithmic = !r.lin;
    settings.eseries = r.eseries;
    settings.inductorQ = r.inductorQ;
    settings.capacitorQ = r.capacitorQ;
    settings.qModel = r.qModel.value_or(QModel::Centre);
    settings.inductorChip = r.inductorChip;
    settings.capacitorChip = r.capacitorChip;
    settings.padPf = r.padPf.value_or(0);
    settings.srfMarginPercent = r.srfMarginPercent.value_or(analysis::kDefaultSrfMarginPercent);
    if (r.MonteCarlo())
        settings.tolerance =
            ToleranceSettings{r.trials.value_or(kDefaultTrials),
                              r.tolerancePercent.value_or(kDefaultTolerancePercent),
                              r.seed.value_or(kDefaultSeed), r.yieldVswr};
    return settings;
}

PartRanges TuneRangesOf(const AnalysisRequest &r)
{
    PartRanges ranges;
    if (r.inductorRangeNh)
        std::tie(ranges.inductorLowNh, ranges.inductorHighNh) = *r.inductorRangeNh;
    if (r.capacitorRangePf)
        std::tie(ranges.capacitorLowPf, ranges.capacitorHighPf) = *r.capacitorRangePf;
    ranges.lines = r.lines;
    if (r.z0RangeOhms)
        std::tie(ranges.lineLowZ0Ohms, ranges.lineHighZ0Ohms) = *r.z0RangeOhms;
    ranges.fixedLineZ0Ohms = r.lineZ0Ohms;
    if (r.microstripLines && r.substrate) {
        // By default the widths an ordinary board etches, within what the
        // formulas cover on this board.
        const double h = r.substrate->height;
        const auto [low, high] = r.widthRange.value_or(
            std::pair{std::max(kDefaultLeastWidth, analysis::lines::kLeastWidthRatio * h),
                      std::min(kDefaultMostWidth, analysis::lines::kMostWidthRatio * h)});
        ranges.board = r.substrate;
        ranges.lineLowWidth = low;
        ranges.lineHighWidth = high;
        ranges.lineLengthStep = r.lengthStep.value_or(kDefaultLengthStep);
        // The impedances those widths give, where a line's start is drawn.
        ranges.lineLowZ0Ohms = analysis::lines::StaticImpedance(*r.substrate, high);
        ranges.lineHighZ0Ohms = analysis::lines::StaticImpedance(*r.substrate, low);
    }
    return ranges;
}

void AddAnalysis(const AnalysisRequest &r, Request &request)
{
    request.settings = SettingsOf(r);
    request.settings.tuneRanges = TuneRangesOf(r);
    request.figures = r.Figures();
    request.tune = r.tune;
    request.candidates = r.candidates;
    request.pick = r.pick;
    request.partsFolder = r.partsFolder;
    request.json = r.json;
    for (const FileOption &file : kFileOptions)
        if (const std::optional<std::string> &path = r.*file.path)
            request.files.push_back({file.kind, *path, request.naming(file.option)});
    request.touchstoneOhms = r.touchstoneOhms.value_or(format::kDefaultTouchstoneOhms);
}

} // namespace tevmar::session
