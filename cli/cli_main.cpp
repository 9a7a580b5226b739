#include "cli/cli_main.h"

#include "cli/analysis_options.h"
#include "cli/design_command.h"
#include "report/printable_text.h"
#include "session/input_checks.h"
#include "session/safe_file.h"

#include <algorithm>
#include <optional>
#include <ostream>

#ifndef TEVMAR_VERSION
#error "TEVMAR_VERSION must be defined by the build"
#endif

namespace tevmar::cli {

namespace {

// --report: where the report is saved. Standard output carries the design, so
// "-" is refused rather than taken as a file of that name.
std::function<std::string(const std::string &)> ReportPath(std::optional<std::string> &target)
{
    return [&target](const std::string &value) -> std::string {
        if (value.empty() || HasLineBreak(value))
            return "needs a file name";
        if (value == kStandardOutputPath)
            return "the report cannot go to standard output (write ./- for a file named \"-\")";
        target = value;
        return {};
    };
}

// Every option of the program, in the order --help lists them.
OptionTable AllOptions(CommandLine &c, std::optional<std::string> &reportPath)
{
    OptionTable table = DesignOptions(c.design, c.warnings);
    // Note which of the options a measured load replaces were given, so that
    // mixing the two ways of naming the load is refused.
    for (OptionSpec &spec : table)
        if (std::ranges::find(kReplacedByMeasuredLoad, spec.name) !=
            std::end(kReplacedByMeasuredLoad))
            spec.apply = [&c, name = spec.name, apply = spec.apply](const std::string &value) {
                if (c.replacedOption.empty())
                    c.replacedOption = name;
                return apply(value);
            };
    const OptionTable measuredTable = MeasuredLoadOptions(c.measured);
    table.insert(table.end(), measuredTable.begin(), measuredTable.end());
    const OptionTable analysisTable = AnalysisOptionTable(c.analysis);
    table.insert(table.end(), analysisTable.begin(), analysisTable.end());
    table.push_back({"--report", "PATH", "save the report there (default ./tevmar.prt)",
                     ReportPath(reportPath)});
    table.push_back({"--help", "", "show this help and exit", SetFlag(c.help)});
    table.push_back({"--version", "", "show the version and exit", SetFlag(c.version)});
    return table;
}

// A measured load comes with its source resistance and in place of the port
// impedances and the load model; --source and --load-kind need the file.
std::string CheckMeasuredLoad(const CommandLine &c)
{
    const MeasuredLoadArguments &m = c.measured;
    if (!m.filePath) {
        if (m.sourceOhms || m.loadKind || m.sourcePath)
            return std::string(m.sourceOhms ? "--source"
                               : m.loadKind ? "--load-kind"
                                            : "--source-s1p") +
                   " applies to --load-s1p; give it";
        return {};
    }
    if (m.sourceKind && !m.sourcePath)
        return "--source-kind applies to --source-s1p; give it";
    if (!c.replacedOption.empty())
        return "--load-s1p replaces --zhigh, --zlow, --load and --absorb; " + c.replacedOption +
               " was given too";
    if (m.sourceOhms && m.sourcePath)
        return "--source-s1p replaces --source; give one of them";
    if (!m.sourceOhms && !m.sourcePath)
        return "--load-s1p needs --source, the source resistance in ohms, or --source-s1p";
    return {};
}

// No output may be a file the run reads: the measurement it was made from
// would be replaced. A further input is one more entry here.
std::string CheckOutputsAgainstInputs(const CommandLine &c)
{
    std::vector<session::NamedPath> inputs;
    if (c.measured.filePath)
        inputs.push_back({"--load-s1p", *c.measured.filePath});
    if (c.measured.sourcePath)
        inputs.push_back({"--source-s1p", *c.measured.sourcePath});
    std::vector<session::NamedPath> outputs{{"--report", c.reportPath}};
    for (const FileOption &file : kFileOptions)
        if (const std::optional<std::string> &path = c.analysis.*file.path;
            path && *path != kStandardOutputPath)
            outputs.push_back({file.option, *path});
    return session::OutputOverInput(outputs, inputs);
}

// The JSON document carries the box texts and the measured file's name and
// the report's path (in a report error); JSON text is UTF-8, so anything else
// is refused before the run rather than written changed.
std::string CheckJsonText(const CommandLine &c)
{
    if (!c.analysis.json)
        return {};
    const DesignInputs &d = c.design;
    const std::pair<const char *, std::string> texts[] = {
        {"--f1", d.f1Text},
        {"--f2", d.f2Text},
        {"--zhigh", d.zhighText},
        {"--zlow", d.zlowText},
        {"--absorb", d.absorbText},
        {"--load-s1p", c.measured.filePath.value_or("")},
        {"--source-s1p", c.measured.sourcePath.value_or("")},
        {"--report", c.reportPath.string()}};
    for (const auto &[option, text] : texts)
        if (!IsValidUtf8(text))
            return std::string(option) + ": " + Quoted(text) +
                   " is not UTF-8 text, which --json cannot carry";
    return {};
}

} // namespace

// The run the command line asks for.
session::Request RequestOf(const CommandLine &c)
{
    session::Request request;
    request.design = c.design;
    if (c.measured.filePath) {
        request.measuredLoad = session::MeasuredLoadInput{};
        request.measuredLoad->filePath = *c.measured.filePath;
        if (c.measured.sourceOhms)
            request.measuredLoad->sourceOhms = *c.measured.sourceOhms;
        request.measuredLoad->kind = c.measured.loadKind;
        if (c.measured.sourcePath)
            request.measuredLoad->source =
                session::MeasuredSourceInput{*c.measured.sourcePath, {}, c.measured.sourceKind};
    }
    AddAnalysis(c.analysis, request);
    request.reportPath = c.reportPath;
    return request;
}

std::string UsageText()
{
    CommandLine unused;
    std::optional<std::string> reportPath;
    return "Usage: tevmar-cli --f1 TEXT --f2 TEXT --zhigh TEXT --zlow TEXT [--order 4|8|12]\n"
           "                  [--load series-rl|series-rc|shunt-rl|shunt-rc] [--absorb TEXT]\n"
           "                  [analysis options]\n"
           "       tevmar-cli --f1 TEXT --f2 TEXT --load-s1p FILE.s1p\n"
           "                  --source OHMS | --source-s1p FILE.s1p [--source-kind TYPE]\n"
           "                  [--order 4|8|12] [--load-kind TYPE] [analysis options]\n"
           "\n"
           "Designs a Chebyshev bandpass impedance-matching network as the window's\n"
           "Calculate command does: saves the report (\"tevmar.prt\" in the current\n"
           "directory unless --report names another path) and prints the window's result\n"
           "lines on standard output.\n"
           "\n"
           "Options:\n" +
           OptionListText(AllOptions(unused, reportPath)) +
           "\n"
           "Each TEXT is taken as typed into the window's box: its leading number counts,\n"
           "with \".\" as the decimal point, and the band and port texts appear verbatim in\n"
           "the report. An option left out is an empty box. Without --absorb nothing is\n"
           "absorbed.\n"
           "\n"
           "A measured load: --load-s1p reads a network analyser's one-port file\n"
           "(Touchstone 1.1 or 2.0) and fits its impedance at the points inside the band\n"
           "as each load kind (series R+L, series R+C, R parallel L, R parallel C; at\n"
           "least 3 points). The kind of least rms relative error whose resistance lies\n"
           "on the right side of --source (a series kind below it, a shunt kind above)\n"
           "is designed for, unless --load-kind names one; the fit follows the pane\n"
           "lines. Every figure, the tuning included, is into the measured data (linear\n"
           "between its points, held at its end values beyond them); the Bode-Fano\n"
           "limit and the files describe the fitted model.\n"
           "\n"
           "A measured source: --source-s1p reads the source's one-port file the same\n"
           "way and fits it as each kind (the best, or --source-kind); the design is for\n"
           "its fitted resistance, the tuner (--tune) handles its reactance, and every\n"
           "figure is between the two measurements: the reflection is the power-wave\n"
           "one, |Zin - Zs*| / |Zin + Zs|. The files describe the network alone, each\n"
           "port referred to the fitted resistance at its end.\n"
           "\n" +
           AnalysisUsageText() +
           "\n"
           "Exit status: 0 designed and saved, 1 no solution (\"  SOLUTION OUT OF RANGE\";\n"
           "standard error says why), 2 bad usage, nothing written (an output that is the\n"
           "--load-s1p or --source-s1p file, or one that cannot be read or fitted, too),\n"
           "3 report not saved, 4 standard output could not be written, 5 an analysis file\n"
           "could not be written, 6 no textbook design but --tune wrote the tuned network.\n";
}

CommandLine ParseCommandLine(const std::vector<std::string> &args,
                             const std::filesystem::path &defaultReportPath)
{
    CommandLine c;
    std::optional<std::string> reportPath;
    c.problem = ParseArguments(args, AllOptions(c, reportPath));
    c.reportPath = reportPath ? std::filesystem::path(*reportPath) : defaultReportPath;
    if (c.problem.empty() && !c.help && !c.version)
        c.problem = CheckMeasuredLoad(c);
    if (c.problem.empty() && !c.help && !c.version)
        c.problem = CheckAnalysisRequest(c.analysis, c.reportPath);
    if (c.problem.empty() && !c.help && !c.version)
        c.problem = CheckOutputsAgainstInputs(c);
    if (c.problem.empty() && !c.help && !c.version)
        c.problem = CheckJsonText(c);
    return c;
}

int RunCli(const std::vector<std::string> &args, std::ostream &out, std::ostream &err,
           const std::filesystem::path &defaultReportPath)
{
    const CommandLine c = ParseCommandLine(args, defaultReportPath);
    if (!c.problem.empty()) {
        err << "tevmar-cli: " << PrintableText(c.problem) << " (see \"tevmar-cli --help\")\n";
        return kExitBadUsage;
    }
    if (c.help || c.version) {
        out << (c.help ? UsageText() : std::string(TEVMAR_VERSION) + "\n");
        out.flush();
        return out ? kExitDesigned : kExitOutputFailed;
    }
    for (const std::string &warning : c.warnings)
        err << "tevmar-cli: warning: " << PrintableText(warning) << '\n';
    for (const std::string &warning : session::DesignInputWarnings(c.design))
        err << "tevmar-cli: warning: " << warning << '\n';
    return WriteOutcome(session::Run(RequestOf(c)), out, err);
}

} // namespace tevmar::cli
