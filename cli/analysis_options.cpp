#include "cli/analysis_options.h"

#include "analysis/analysis_text.h"
#include "analysis/design_inputs.h"
#include "analysis/export_csv.h"
#include "analysis/export_json.h"
#include "analysis/export_spice.h"
#include "analysis/export_touchstone.h"
#include "analysis/network_analysis.h"
#include "engine/design_run.h"
#include "report/report_file.h"

#include <charconv>
#include <cmath>
#include <ostream>
#include <stdexcept>

namespace tevmar::cli {

namespace {

using Handler = std::function<std::string(const std::string &)>;

template <typename T> std::optional<T> ParseWhole(const std::string &text)
{
    T value{};
    const char *end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc{} || stop != end)
        return std::nullopt;
    return value;
}

// A number written out in full ("50", "0.5", "1e3"), unlike the window's
// lenient boxes: a typing slip in an analysis option must not pass as 0.
std::optional<double> ParseNumber(const std::string &text)
{
    const std::optional<double> value = ParseWhole<double>(text);
    return value && std::isfinite(*value) ? value : std::nullopt;
}

Handler Positive(std::optional<double> &target)
{
    return [&target](const std::string &value) -> std::string {
        const std::optional<double> number = ParseNumber(value);
        if (!number || *number <= 0)
            return "\"" + value + "\" is not a positive number";
        target = number;
        return {};
    };
}

Handler Count(std::optional<int> &target, int most)
{
    return [&target, most](const std::string &value) -> std::string {
        const std::optional<int> number = ParseWhole<int>(value);
        if (!number || *number < 1 || *number > most)
            return "\"" + value + "\" is not a whole number from 1 to " + std::to_string(most);
        target = number;
        return {};
    };
}

Handler Tolerance(std::optional<double> &target)
{
    return [&target](const std::string &value) -> std::string {
        const std::optional<double> number = ParseNumber(value);
        if (!number || *number < 0 || *number >= 100)
            return "\"" + value + "\" is not a percentage from 0 up to (not including) 100";
        target = number;
        return {};
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

Handler Series(std::optional<analysis::ESeries> &target)
{
    return [&target](const std::string &value) -> std::string {
        target = analysis::ParseSeries(value);
        return target ? "" : "\"" + value + "\" is not one of E12, E24, E48, E96";
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

constexpr int kDefaultPoints = 401;
constexpr int kDefaultTrials = 1000;
constexpr double kDefaultTolerancePercent = 5.0;
constexpr std::uint64_t kDefaultSeed = 1;

} // namespace

OptionTable AnalysisOptionTable(AnalysisRequest &r)
{
    return {
        {"--json", "", "write the design and its analysis as JSON instead of the pane lines",
         SetFlag(r.json)},
        {"--sweep", "FILE.csv", "save a CSV sweep: |S11| dB, VSWR and insertion loss per network",
         FileName(r.sweepPath)},
        {"--points", "N", "points of the sweep (default 401)", Count(r.points, 1'000'000)},
        {"--from", "GHZ", "sweep start (default half the lower band edge)", Positive(r.fromGhz)},
        {"--to", "GHZ", "sweep stop (default twice the upper band edge)", Positive(r.toGhz)},
        {"--log", "", "logarithmic frequency steps (the default)", SetFlag(r.log)},
        {"--lin", "", "linear frequency steps", SetFlag(r.lin)},
        {"--touchstone", "FILE.s2p", "save the network alone as Touchstone 1.1 S-parameters",
         FileName(r.touchstonePath)},
        {"--touchstone-r", "OHMS", "Touchstone reference resistance (default 50)",
         Positive(r.touchstoneOhms)},
        {"--spice", "FILE.cir", "save a SPICE subcircuit and an ngspice test bench",
         FileName(r.spicePath)},
        {"--eseries", "E12|E24|E48|E96", "snap every element to the standard series",
         Series(r.eseries)},
        {"--q-l", "Q", "inductor Q at the centre frequency", Positive(r.inductorQ)},
        {"--q-c", "Q", "capacitor Q at the centre frequency", Positive(r.capacitorQ)},
        {"--monte-carlo", "N", "tolerance trials (default 1000)",
         Count(r.trials, analysis::kMaxTrials)},
        {"--tolerance", "PERCENT", "element tolerance, +- percent (default 5)",
         Tolerance(r.tolerancePercent)},
        {"--seed", "S", "seed of the tolerance trials (default 1)", Seed(r.seed)},
    };
}

std::string AnalysisUsageText()
{
    return "Analysis of the designed network (the report and its lines stay as they are):\n"
           "the network is built from the element values at full precision and as printed\n"
           "and checked against the design's own |S11| over the band; with --eseries,\n"
           "--q-l, --q-c or the tolerance options the figures follow the pane lines.\n"
           "Any of --monte-carlo, --tolerance and --seed runs the tolerance trials: each\n"
           "element uniform within +-PERCENT, a trial passing when its in-band VSWR stays\n"
           "below the design's maximum VSWR x 1.1. --points, --from, --to, --log and --lin\n"
           "shape the sweep of --sweep and --touchstone; the --spice test bench sweeps the\n"
           "band. A design without solution writes none of these files.\n";
}

std::string CheckAnalysisRequest(const AnalysisRequest &r, const std::filesystem::path &reportPath)
{
    if (r.log && r.lin)
        return "--log and --lin exclude each other";
    if (!r.SweepFile()) {
        const std::pair<bool, const char *> sweepOptions[] = {{r.points.has_value(), "--points"},
                                                              {r.fromGhz.has_value(), "--from"},
                                                              {r.toGhz.has_value(), "--to"},
                                                              {r.log, "--log"},
                                                              {r.lin, "--lin"}};
        for (const auto &[given, name] : sweepOptions)
            if (given)
                return std::string(name) + " shapes the sweep of --sweep or --touchstone; give one";
    }
    if (r.touchstoneOhms && !r.touchstonePath)
        return "--touchstone-r applies to --touchstone only; give it";

    const auto same = [](const std::filesystem::path &a, const std::filesystem::path &b) {
        std::error_code ignored;
        return std::filesystem::weakly_canonical(std::filesystem::absolute(a), ignored) ==
               std::filesystem::weakly_canonical(std::filesystem::absolute(b), ignored);
    };
    const std::pair<const std::optional<std::string> *, const char *> files[] = {
        {&r.sweepPath, "--sweep"}, {&r.touchstonePath, "--touchstone"}, {&r.spicePath, "--spice"}};
    for (std::size_t i = 0; i < std::size(files); ++i) {
        if (!*files[i].first)
            continue;
        const std::filesystem::path path = **files[i].first;
        if (same(path, reportPath))
            return std::string(files[i].second) + ": \"" + path.string() + "\" is the report file";
        for (std::size_t j = 0; j < i; ++j)
            if (*files[j].first && same(path, **files[j].first))
                return std::string(files[i].second) + ": \"" + path.string() +
                       "\" is already the file of " + files[j].second;
    }
    return {};
}

namespace {

// The sweep of --sweep and --touchstone over the design's band, or the
// problem with it, naming the option at fault.
std::string SweepPlanFor(const AnalysisRequest &r, const analysis::Band &band,
                         analysis::SweepPlan &plan)
{
    plan = analysis::DefaultSweep(band);
    if (r.fromGhz)
        plan.startHz = *r.fromGhz * 1e9;
    if (r.toGhz)
        plan.stopHz = *r.toGhz * 1e9;
    plan.points = r.points.value_or(kDefaultPoints);
    plan.logarithmic = !r.lin;
    const std::string culprit = r.fromGhz ? "--from" : r.toGhz ? "--to" : "--points";
    if (plan.startHz > plan.stopHz) {
        const std::string from = analysis::Figure(plan.startHz / 1e9) + " GHz";
        const std::string to = analysis::Figure(plan.stopHz / 1e9) + " GHz";
        if (r.fromGhz && r.toGhz)
            return "--from: " + from + " lies above --to, " + to;
        if (r.fromGhz)
            return "--from: " + from + " lies above the sweep's stop, " + to +
                   " (twice the upper band edge)";
        return "--to: " + to + " lies below the sweep's start, " + from +
               " (half the lower band edge)";
    }
    if (plan.points == 1 && plan.startHz != plan.stopHz)
        return "--points: a sweep of 1 point needs --from and --to equal";
    if (const std::string problem = analysis::SweepPlanError(plan); !problem.empty())
        return culprit + ": " + problem;
    return {};
}

analysis::AnalysisOptions LibraryOptions(const AnalysisRequest &r)
{
    analysis::AnalysisOptions o;
    o.eseries = r.eseries;
    o.inductorQ = r.inductorQ;
    o.capacitorQ = r.capacitorQ;
    if (r.MonteCarlo())
        o.monteCarlo = analysis::YieldOptions{r.trials.value_or(kDefaultTrials),
                                              r.tolerancePercent.value_or(kDefaultTolerancePercent),
                                              r.seed.value_or(kDefaultSeed)};
    return o;
}

struct OutputFile
{
    const char *option;
    std::string path;
    std::string text;
};

std::vector<OutputFile> RenderFiles(const AnalysisRequest &r, const analysis::NetworkAnalysis &a,
                                    const analysis::SweepPlan &plan)
{
    std::vector<OutputFile> files;
    std::vector<double> frequencies;
    if (r.SweepFile())
        frequencies = analysis::SweepFrequencies(plan);
    if (r.sweepPath) {
        std::vector<analysis::CsvNetwork> networks{{"full", a.full, {}},
                                                   {"printed", a.printed, {}}};
        if (a.standardValues)
            networks.push_back({"snapped", a.standardValues->ladder, {}});
        if (a.finiteQ)
            networks.push_back({"full_with_q", a.full, a.finiteQ->losses});
        files.push_back({"--sweep", *r.sweepPath, analysis::SweepCsv(networks, frequencies)});
    }
    if (r.touchstonePath)
        files.push_back({"--touchstone", *r.touchstonePath,
                         analysis::TouchstoneText(
                             a.full, frequencies,
                             r.touchstoneOhms.value_or(analysis::kDefaultTouchstoneOhms))});
    if (r.spicePath)
        files.push_back({"--spice", *r.spicePath, analysis::SpiceNetlist(a.full, a.band)});
    return files;
}

// The design and its figures on standard output, the pane lines or `json`;
// returns the design's exit status.
int WriteDesign(const DesignOutcome &outcome, const AnalysisRequest &r, const std::string &json,
                const analysis::NetworkAnalysis &a, std::ostream &out, std::ostream &err)
{
    if (!r.json) {
        const int code = WriteOutcome(outcome, out, err);
        if (r.Figures()) {
            out << '\n';
            for (const std::string &line : analysis::AnalysisLines(a))
                out << line << '\n';
            out.flush();
        }
        return code == kExitDesigned && !out ? kExitOutputFailed : code;
    }
    out << json;
    out.flush();
    if (!out)
        err << "tevmar-cli: cannot write the design to standard output\n";
    if (outcome.result.status == DesignStatus::ReportNotSaved) {
        err << outcome.errorText << '\n' << "tevmar-cli: " << outcome.result.reportError << '\n';
        return kExitReportNotSaved;
    }
    return out ? kExitDesigned : kExitOutputFailed;
}

} // namespace

int RunDesignWithAnalysis(const DesignRequest &design, const AnalysisRequest &r,
                          const std::filesystem::path &reportPath, std::ostream &out,
                          std::ostream &err)
{
    // A sweep that does not fit the band is bad usage, found before the report
    // is touched: a trial run without report gives the band.
    analysis::SweepPlan plan;
    if (r.SweepFile()) {
        MemoryWindow trialWindow(design);
        DesignState trialState;
        NullReportSink noReport;
        if (Calc_BP_Click(trialWindow, trialState, noReport).status != DesignStatus::OutOfRange) {
            if (const std::string problem = SweepPlanFor(r, analysis::BandOf(trialState), plan);
                !problem.empty()) {
                err << "tevmar-cli: " << problem << " (see \"tevmar-cli --help\")\n";
                return kExitBadUsage;
            }
        }
    }

    const analysis::DesignInputs inputs = analysis::CaptureInputs(MemoryWindow(design));
    const DesignOutcome outcome = RunDesign(design, reportPath);
    if (outcome.result.status == DesignStatus::OutOfRange) {
        if (r.json)
            out << analysis::DesignJson(inputs, outcome.result, outcome.state, nullptr);
        return WriteOutcome(outcome, out, err);
    }

    // Everything is computed before anything is written, so that a failure
    // here leaves the design on standard output and no file half done.
    analysis::NetworkAnalysis a;
    std::vector<OutputFile> files;
    std::string json;
    try {
        a = analysis::AnalyseDesign(outcome.result, outcome.state, LibraryOptions(r));
        files = RenderFiles(r, a, plan);
        if (r.json)
            json = analysis::DesignJson(inputs, outcome.result, outcome.state, &a);
    } catch (const std::exception &e) {
        WriteOutcome(outcome, out, err);
        err << "tevmar-cli: the analysis failed: " << e.what() << '\n';
        return kExitFileNotSaved;
    }
    if (!a.selfCheck.agrees)
        err << "tevmar-cli: warning: the network built from the full-precision values does not "
               "reproduce the design's |S11| over the band\n";
    const int code = WriteDesign(outcome, r, json, a, out, err);

    bool saved = true;
    for (const OutputFile &file : files) {
        std::string error;
        if (!ReplaceFileAtomically(file.path, file.text, error)) {
            err << "tevmar-cli: " << file.option << ": " << error << '\n';
            saved = false;
        }
    }
    return code != kExitDesigned || saved ? code : kExitFileNotSaved;
}

} // namespace tevmar::cli
