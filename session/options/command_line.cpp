#include "session/options/command_line.h"

#include "report/number_format.h"
#include "report/printable_text.h"
#include "session/io/safe_file.h"
#include "session/options/analysis_options.h"
#include "session/options/design_options.h"
#include "session/options/input_checks.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <ostream>
#include <tuple>
#include <variant>

namespace tevmar::session {

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
    OptionTable table = DesignOptions(c.design, c.warnings, c.naming);
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
    const OptionTable bandTable = BandOptions(c.bands);
    table.insert(table.begin() + 2, bandTable.begin(), bandTable.end());
    const OptionTable measuredTable = MeasuredLoadOptions(c.measured);
    table.insert(table.end(), measuredTable.begin(), measuredTable.end());
    const OptionTable analysisTable = AnalysisOptionTable(c.analysis);
    table.insert(table.end(), analysisTable.begin(), analysisTable.end());
    const OptionTable deviceTable = DeviceOptions(c.device);
    table.insert(table.end(), deviceTable.begin(), deviceTable.end());
    const OptionTable lineTable = LineOptions(c.lines);
    table.insert(table.end(), lineTable.begin(), lineTable.end());
    table.push_back({"--report", "PATH", "save the report there (default ./tevmar.prt)",
                     ReportPath(reportPath)});
    table.push_back({"--help", "", "show this help and exit", SetFlag(c.help)});
    table.push_back({"--version", "", "show the version and exit", SetFlag(c.version)});
    // Note every option given, for the modes that take only some of them.
    for (OptionSpec &spec : table)
        spec.apply = [&c, name = spec.name, apply = spec.apply](const std::string &value) {
            c.given.push_back(name);
            return apply(value);
        };
    return table;
}

// An amplifier is the device's mode with a band and the terminations.
std::string CheckAmplifier(const CommandLine &c)
{
    const OptionNaming &n = c.naming;
    if (!c.device.filePath)
        return n("--amplifier") + " needs " + n("--device") + ", the transistor's two-port file";
    for (const std::string &name : c.given)
        if (std::ranges::find(kAmplifierOptions, name) == std::end(kAmplifierOptions))
            return n(name) + " does not apply to " + n("--amplifier");
    const bool f1 = std::ranges::find(c.given, "--f1") != c.given.end();
    const bool f2 = std::ranges::find(c.given, "--f2") != c.given.end();
    if (!f1 || !f2)
        return n("--amplifier") + ": give the band with " + n("--f1") + " and " + n("--f2");
    if (c.measured.sourceOhms && c.measured.sourcePath)
        return n("--source-s1p") + " replaces " + n("--source") + "; give one of them";
    if (c.device.loadOhms && c.measured.filePath)
        return n("--load-s1p") + " replaces " + n("--load-ohms") + "; give one of them";
    for (const auto &[option, ohms] : {std::pair{"--source", c.measured.sourceOhms},
                                       std::pair{"--load-ohms", c.device.loadOhms}})
        if (ohms && !(*ohms >= kLeastTerminationOhms && *ohms <= kMostTerminationOhms))
            return n(option) + ": " + Figure(*ohms) + " ohms; expected " +
                   Figure(kLeastTerminationOhms) + " to " + Figure(kMostTerminationOhms) + " ohms";
    return {};
}

// A transistor's figures are a mode of their own: the band may choose the
// points, nothing of a design applies.
std::string CheckDevice(const CommandLine &c)
{
    const DeviceArguments &d = c.device;
    const OptionNaming &n = c.naming;
    if (!d.amplifier && (d.goal || d.loadOhms || d.stabilityMargin || d.stabilise))
        return n(d.goal              ? "--goal"
                 : d.loadOhms        ? "--load-ohms"
                 : d.stabilityMargin ? "--stability-margin"
                                     : "--stabilise") +
               " applies to " + n("--amplifier") + "; give it";
    if (d.amplifier)
        return CheckAmplifier(c);
    if (!d.filePath) {
        if (d.gainDb || d.noiseDb)
            return n(d.gainDb ? "--gain-circles" : "--noise-circles") + " applies to " +
                   n("--device") + "; give it";
        return {};
    }
    for (const std::string &name : c.given)
        if (std::ranges::find(kDeviceOptions, name) == std::end(kDeviceOptions))
            return n(name) + " does not apply to " + n("--device") +
                   ", which shows the transistor's figures";
    const bool f1 = std::ranges::find(c.given, "--f1") != c.given.end();
    const bool f2 = std::ranges::find(c.given, "--f2") != c.given.end();
    if (f1 != f2)
        return n("--device") + ": give both " + n("--f1") + " and " + n("--f2") +
               " for the points in a band, or neither for all";
    return {};
}

// A measured load comes with its source resistance and in place of the port
// impedances and the load model; --source and --load-kind need the file.
std::string CheckMeasuredLoad(const CommandLine &c)
{
    const MeasuredLoadArguments &m = c.measured;
    const OptionNaming &n = c.naming;
    if (c.device.amplifier)
        return {}; // --source is the amplifier's source resistance
    if (m.filePath && m.loadCircuit)
        return n("--load-circuit") + " replaces " + n("--load-s1p") + "; give one of them";
    if (m.sourcePath && m.sourceCircuit)
        return n("--source-circuit") + " replaces " + n("--source-s1p") + "; give one of them";
    const std::string load = n(m.loadCircuit ? "--load-circuit" : "--load-s1p");
    const std::string source = n(m.sourceCircuit ? "--source-circuit" : "--source-s1p");
    if (!m.HasLoad()) {
        if (m.sourceOhms || m.loadKind || m.HasSource())
            return n(m.sourceOhms ? "--source"
                     : m.loadKind ? "--load-kind"
                                  : (m.sourceCircuit ? "--source-circuit" : "--source-s1p")) +
                   " applies to " + n("--load-s1p") + "; give it";
        return {};
    }
    if (m.sourceKind && !m.HasSource())
        return n("--source-kind") + " applies to " + n("--source-s1p") + "; give it";
    if (!c.replacedOption.empty())
        return load + " replaces " + n("--zhigh") + ", " + n("--zlow") + ", " + n("--load") +
               " and " + n("--absorb") + "; " + n(c.replacedOption) + " was given too";
    if (m.sourceOhms && m.HasSource())
        return source + " replaces " + n("--source") + "; give one of them";
    if (!m.sourceOhms && !m.HasSource())
        return load + " needs " + n("--source") + ", the source resistance in ohms, or " +
               n("--source-s1p");
    return {};
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
        {"--device", c.device.filePath.value_or("")},
        {"--report", c.reportPath.string()}};
    for (const auto &[option, text] : texts)
        if (!IsValidUtf8(text))
            return c.naming(option) + ": " + Quoted(text) + " is not UTF-8 text, which " +
                   c.naming("--json") + " cannot carry";
    return {};
}

} // namespace

// The run the command line asks for.
Request RequestOf(const CommandLine &c)
{
    Request request;
    request.naming = c.naming;
    request.design = c.design;
    // The bands: one plain passband is the boxes' band; several (or limits,
    // weights, rejection) a goal, the boxes spanning the passbands.
    if (!c.bands.bands.empty()) {
        const auto lowest = std::ranges::min_element(
            c.bands.bands, {}, [](const BandText &b) { return b.band.band.lowHz; });
        const auto highest = std::ranges::max_element(
            c.bands.bands, {}, [](const BandText &b) { return b.band.band.highHz; });
        request.design.f1Text = lowest->f1Text;
        request.design.f2Text = highest->f2Text;
        if (!c.bands.Plain())
            request.goal = c.bands.GoalOf();
    }
    if (c.measured.HasLoad()) {
        request.measuredLoad = MeasuredLoadInput{};
        request.measuredLoad->filePath =
            c.measured.filePath.value_or(c.measured.loadCircuit.value_or(""));
        request.measuredLoad->circuit = c.measured.loadCircuit.has_value();
        request.measuredLoad->label =
            c.naming(c.measured.loadCircuit ? "--load-circuit" : "--load-s1p");
        if (c.measured.sourceOhms)
            request.measuredLoad->sourceOhms = *c.measured.sourceOhms;
        request.measuredLoad->kind = c.measured.loadKind;
        if (c.measured.sourcePath)
            request.measuredLoad->source = MeasuredSourceInput{
                *c.measured.sourcePath, {}, c.measured.sourceKind, c.naming("--source-s1p")};
        if (c.measured.sourceCircuit) {
            request.measuredLoad->source = MeasuredSourceInput{
                *c.measured.sourceCircuit, {}, c.measured.sourceKind, c.naming("--source-circuit")};
            request.measuredLoad->source->circuit = true;
        }
    }
    AddAnalysis(c.analysis, request);
    request.reportPath = c.reportPath;
    // The report is of the textbook design, of one band: against several
    // bands only the candidates run.
    if (!request.goal.empty()) {
        request.candidates = true;
        request.reportPath.reset();
    }
    if (c.lines.impedanceOhms || c.lines.width) {
        request.microstrip = MicrostripInputOf(c.lines);
        request.reportPath.reset(); // no design, no report
    } else if (c.device.filePath && c.device.amplifier) {
        request.amplifier = AmplifierInput{};
        request.amplifier->filePath = *c.device.filePath;
        request.amplifier->goal = c.device.goal.value_or(AmplifierGoal::Gain);
        request.amplifier->sourceOhms = c.measured.sourceOhms.value_or(50);
        request.amplifier->loadOhms = c.device.loadOhms.value_or(50);
        request.amplifier->label = c.naming("--device");
        request.amplifier->sourceS1p = c.measured.sourcePath;
        request.amplifier->loadS1p = c.measured.filePath;
        request.amplifier->sourceLabel = c.naming("--source-s1p");
        request.amplifier->loadLabel = c.naming("--load-s1p");
        analysis::LossModel &built = request.amplifier->built;
        built.inductorQ = c.analysis.inductorQ;
        built.capacitorQ = c.analysis.capacitorQ;
        built.model = c.analysis.qModel.value_or(analysis::QModel::Centre);
        built.inductorChip = c.analysis.inductorChip;
        built.capacitorChip = c.analysis.capacitorChip;
        built.padPf = c.analysis.padPf.value_or(0);
        built.srfMarginPercent =
            c.analysis.srfMarginPercent.value_or(analysis::kDefaultSrfMarginPercent);
        request.amplifier->stabilityMargin = c.device.stabilityMargin.value_or(0.9);
        request.amplifier->tolerancePercent = c.analysis.tolerancePercent.value_or(0);
        request.amplifier->partsFolder = c.analysis.partsFolder;
        request.amplifier->partsLabel = c.naming("--parts");
        request.amplifier->stabilise = c.device.stabilise;
        request.reportPath.reset(); // no design, no report
    } else if (c.device.filePath) {
        request.device = DeviceInput{};
        request.device->filePath = *c.device.filePath;
        request.device->label = c.naming("--device");
        request.device->levels.gainDb = c.device.gainDb.value_or(std::vector<double>{});
        request.device->levels.noiseDb = c.device.noiseDb.value_or(std::vector<double>{});
        request.reportPath.reset(); // no design, no report
    }
    return request;
}

namespace {

// The options as given, read by `apply` into `c` (through the table's
// handlers, or into `c` itself), then checked against each other.
template <class Apply>
CommandLine ReadOptions(Apply apply, const std::filesystem::path &defaultReportPath,
                        const OptionNaming &naming)
{
    CommandLine c;
    c.naming = naming;
    std::optional<std::string> reportPath;
    c.problem = apply(AllOptions(c, reportPath), c);
    c.reportPath = reportPath ? std::filesystem::path(*reportPath) : defaultReportPath;
    if (c.problem.empty() && !c.help && !c.version)
        c.problem = CheckLineArguments(c.lines, c.given, naming);
    if (c.problem.empty() && !c.help && !c.version)
        c.problem = CheckBands(c.bands, c.given, naming);
    if (c.problem.empty() && !c.help && !c.version)
        c.problem = CheckDevice(c);
    if (c.problem.empty() && !c.help && !c.version)
        c.problem = CheckMeasuredLoad(c);
    c.analysis.amplifier = c.device.amplifier;
    // The board of --lines microstrip is the one --substrate describes.
    if (c.analysis.microstripLines)
        c.analysis.substrate = c.lines.substrate;
    else if (c.problem.empty() && c.lines.substrate && !c.lines.impedanceOhms && !c.lines.width)
        c.problem = naming("--substrate") + " applies to " + naming("--microstrip") + " and " +
                    naming("--lines") + " microstrip; give one";
    if (c.problem.empty() && !c.help && !c.version)
        c.problem = CheckAnalysisRequest(c.analysis, c.reportPath, naming,
                                         !c.bands.bands.empty() && !c.bands.Plain());
    if (c.problem.empty() && !c.help && !c.version)
        c.problem = CheckJsonText(c);
    return c;
}

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string> &args,
                             const std::filesystem::path &defaultReportPath,
                             const OptionNaming &naming)
{
    return ReadOptions([&](const OptionTable &table,
                           CommandLine &) { return ParseArguments(args, table, naming); },
                       defaultReportPath, naming);
}

CommandLine ParseNamedValues(const std::vector<NamedValue> &values,
                             const std::filesystem::path &defaultReportPath,
                             const OptionNaming &naming)
{
    return ReadOptions([&](const OptionTable &table,
                           CommandLine &) { return ApplyNamedValues(values, table, naming); },
                       defaultReportPath, naming);
}

namespace {

// The typed readers of the options outside the analysis: the network order,
// the source and load resistances, the amplifier's stability margin. Each
// refuses a value as its text would be refused.
TypedOptionTable CallTypedOptionTable(CommandLine &c)
{
    const auto numberOf = [](const TypedValue &value) {
        const TypedNumber *number = std::get_if<TypedNumber>(&value);
        return number ? number->value : std::numeric_limits<double>::quiet_NaN();
    };
    const auto positive = [numberOf](std::optional<double> &target) {
        return [&target, numberOf](const TypedValue &value) -> std::string {
            const double number = numberOf(value);
            if (!std::isfinite(number) || number <= 0)
                return "\"" + TypedValueText(value) + "\" is not a positive number";
            target = number;
            return {};
        };
    };
    return {
        {"--order",
         [&c, numberOf](const TypedValue &value) -> std::string {
             const double number = numberOf(value);
             for (const int order : {4, 8, 12})
                 if (number == order) {
                     c.design.networkOrder = order;
                     return {};
                 }
             return "\"" + TypedValueText(value) + "\" is not one of 4, 8, 12";
         }},
        {"--source", positive(c.measured.sourceOhms)},
        {"--load-ohms", positive(c.device.loadOhms)},
        {"--stability-margin",
         [&c, numberOf](const TypedValue &value) -> std::string {
             const double number = numberOf(value);
             if (!(std::isfinite(number) && number > 0 && number < 1))
                 return "\"" + TypedValueText(value) + "\" is not a margin above 0 and below 1";
             c.device.stabilityMargin = number;
             return {};
         }},
    };
}

// Every typed reader: the analysis options' and the call's.
TypedOptionTable TypedOptions(CommandLine &c)
{
    TypedOptionTable table = AnalysisTypedOptionTable(c.analysis);
    const TypedOptionTable call = CallTypedOptionTable(c);
    table.insert(table.end(), call.begin(), call.end());
    return table;
}

// The typed values applied to their options' typed readers, each noted as
// given as its text would be; with `texts`, a value of an option that reads
// only text is read as its text (TypedValueText) by that table's reader.
// Returns the first problem, named as `naming` names the option, or an empty
// string.
std::string ApplyTypedValues(const std::vector<TypedNamedValue> &typed, CommandLine &c,
                             const OptionNaming &naming, const OptionTable *texts = nullptr)
{
    if (typed.empty())
        return {};
    const TypedOptionTable table = TypedOptions(c);
    for (const TypedNamedValue &value : typed) {
        const auto spec = std::ranges::find_if(
            table, [&](const TypedOptionSpec &s) { return naming(s.name) == value.name; });
        const auto text = spec != table.end() || !texts
                              ? OptionTable::const_iterator{}
                              : std::ranges::find_if(*texts, [&](const OptionSpec &s) {
                                    return naming(s.name) == value.name;
                                });
        if (spec == table.end() && (!texts || text == texts->end()))
            return "unknown option \"" + value.name + "\"";
        const std::string &option = spec != table.end() ? spec->name : text->name;
        if (std::ranges::find(c.given, option) != c.given.end())
            return value.name + " given more than once";
        if (spec == table.end()) {
            // The text reader notes the option as given itself.
            if (text->valueName.empty())
                return value.name + " takes no value";
            if (std::string problem = text->apply(TypedValueText(value.value)); !problem.empty())
                return value.name + ": " + problem;
            continue;
        }
        c.given.push_back(option);
        if (std::string problem = spec->apply(value.value); !problem.empty())
            return value.name + ": " + problem;
    }
    return {};
}

// The bands the call gives as numbers, checked and stored as --band and
// --reject store theirs, and noted as given so that CheckBands sees them
// (naming them by the call's own parameters).
std::string ApplyBandValues(const KeywordCall &call, CommandLine &c, const OptionNaming &naming)
{
    for (const auto &[values, reject, name, option] :
         {std::tuple{&call.bands, false, &call.bandsName, "--band"},
          std::tuple{&call.rejects, true, &call.rejectName, "--reject"}}) {
        // The call's names stand for the bands unless the text options gave them.
        if (std::ranges::find(c.given, option) == c.given.end())
            (reject ? c.bands.rejectName : c.bands.bandsName) = *name;
        if (!*values)
            continue;
        if (std::ranges::find(c.given, option) != c.given.end())
            return *name + ": " + naming(option) + " was given too";
        if ((*values)->empty())
            return *name + ": give at least one band";
        c.given.push_back(option);
        if (std::string problem = AddBandValues(**values, reject, c.bands); !problem.empty())
            return *name + ": " + problem;
    }
    return {};
}

// The call's own fields as the settings they fill, noted as given so that the
// checks between options see them: the mode and its file first, as a command
// line would start with them.
std::vector<NamedValue> CallValues(const KeywordCall &call, const OptionNaming &naming)
{
    std::vector<NamedValue> values;
    if (call.devicePath)
        values.push_back({naming("--device"), *call.devicePath});
    if (call.amplifier)
        values.push_back({naming("--amplifier"), std::nullopt});
    if (call.json)
        values.push_back({naming("--json"), std::nullopt});
    return values;
}

// The circle levels, checked and stored as --gain-circles and
// --noise-circles store theirs.
std::string ApplyLevels(const KeywordCall &call, CommandLine &c, const OptionNaming &naming)
{
    for (const auto &[option, levels, lowest, target] :
         {std::tuple{"--gain-circles", &call.gainDb, kLowestGainLevelDb, &c.device.gainDb},
          std::tuple{"--noise-circles", &call.noiseDb, kLowestNoiseLevelDb, &c.device.noiseDb}}) {
        if (!*levels)
            continue;
        c.given.push_back(option);
        if (std::string problem = CheckLevels(**levels, lowest); !problem.empty())
            return naming(option) + ": " + problem;
        *target = **levels;
    }
    return {};
}

// The call's own settings, each into the option it stands for, in the order
// of the functions' parameters: a number through the option's typed reader,
// or as its text (TypedValueText) where the option reads only text; a text
// or a path through the option's own reader. Each is noted as given (the
// same option among the keywords too is refused as given twice), and a
// problem names it as `naming` names the option.
std::string ApplySettings(const CallSettings &s, const OptionTable &table, CommandLine &c,
                          const OptionNaming &naming)
{
    const auto text = [](const std::optional<std::string> &value) {
        return value ? std::optional<CallValue>(*value) : std::nullopt;
    };
    const std::pair<const char *, std::optional<CallValue>> settings[] = {
        {"--f1", s.f1},
        {"--f2", s.f2},
        {"--zhigh", s.zhigh},
        {"--zlow", s.zlow},
        {"--order", s.order},
        {"--load", s.load},
        {"--absorb", s.absorb},
        {"--load-s1p", text(s.loadS1p)},
        {"--goal", text(s.goal)},
        {"--source", s.source},
        {"--load-kind", s.loadKind},
        {"--load-ohms", s.loadOhms},
        {"--stability-margin", s.stabilityMargin},
        {"--tolerance", s.tolerance},
        {"--q-l", s.inductorQ},
        {"--q-c", s.capacitorQ},
        {"--q-model", s.qModel},
        {"--l-model", s.inductorModel},
        {"--c-model", s.capacitorModel},
        {"--pad", s.pad},
        {"--source-s1p", text(s.sourceS1p)},
        {"--parts", text(s.parts)},
    };
    std::optional<TypedOptionTable> typedTable; // built when a number first needs it
    for (const auto &setting : settings) {
        const std::string_view option = setting.first;
        const std::optional<CallValue> &value = setting.second;
        if (!value)
            continue;
        const std::string name = naming(option);
        if (std::ranges::find(c.given, option) != c.given.end())
            return name + " given more than once";
        const TypedNumber *number = std::get_if<TypedNumber>(&*value);
        if (number) {
            if (!typedTable)
                typedTable = TypedOptions(c);
            const auto typed = std::ranges::find_if(
                *typedTable, [&](const TypedOptionSpec &spec) { return spec.name == option; });
            if (typed != typedTable->end()) {
                c.given.emplace_back(option);
                if (std::string problem = typed->apply(*number); !problem.empty())
                    return name + ": " + problem;
                continue;
            }
        }
        const auto spec =
            std::ranges::find_if(table, [&](const OptionSpec &o) { return o.name == option; });
        if (spec == table.end())
            return "unknown option \"" + name + "\"";
        const std::string given = number ? TypedValueText(*number) : std::get<std::string>(*value);
        if (std::string problem = spec->apply(given); !problem.empty())
            return name + ": " + problem;
    }
    return {};
}

} // namespace

CommandLine ParseKeywordValues(const std::vector<NamedValue> &values,
                               const std::vector<TypedNamedValue> &typed,
                               const std::filesystem::path &defaultReportPath,
                               const OptionNaming &naming)
{
    KeywordCall call;
    call.values = values;
    call.typed = typed;
    return ParseKeywordCall(call, defaultReportPath, naming);
}

CommandLine ParseKeywordCall(const KeywordCall &call,
                             const std::filesystem::path &defaultReportPath,
                             const OptionNaming &naming)
{
    std::vector<NamedValue> values = CallValues(call, naming);
    values.insert(values.end(), call.values.begin(), call.values.end());
    for (const auto &[set, option] :
         {std::pair{call.stabilise, "--stabilise"}, std::pair{call.tune, "--tune"},
          std::pair{call.candidates, "--candidates"}})
        if (set)
            values.push_back({naming(option), std::nullopt});
    return ReadOptions(
        [&](const OptionTable &table, CommandLine &c) {
            if (std::string problem = ApplyNamedValues(values, table, naming); !problem.empty())
                return problem;
            if (std::string problem = ApplySettings(call.settings, table, c, naming);
                !problem.empty())
                return problem;
            if (std::string problem = ApplyLevels(call, c, naming); !problem.empty())
                return problem;
            if (std::string problem = ApplyTypedValues(call.typed, c, naming); !problem.empty())
                return problem;
            if (std::string problem = ApplyTypedValues(call.numbers, c, naming, &table);
                !problem.empty())
                return problem;
            return ApplyBandValues(call, c, naming);
        },
        defaultReportPath, naming);
}

SettingUse UseOfSetting(std::string_view name, const OptionNaming &naming)
{
    if (name == naming("--parts"))
        return SettingUse::Searches;
    for (const char *option :
         {"--lines", "--z0-range", "--line-z0", "--substrate", "--width-range", "--length-step"})
        if (name == naming(option))
            return SettingUse::Candidates;
    return SettingUse::EveryRun;
}

bool TakesTypedValue(std::string_view name, const OptionNaming &naming)
{
    CommandLine unused;
    return std::ranges::any_of(TypedOptions(unused),
                               [&](const TypedOptionSpec &s) { return naming(s.name) == name; });
}

bool IsOptionName(std::string_view name, const OptionNaming &naming)
{
    CommandLine unused;
    std::optional<std::string> reportPath;
    return IsNamedOption(name, AllOptions(unused, reportPath), naming);
}

bool IsSettingName(std::string_view name, const OptionNaming &naming)
{
    return IsOptionName(name, naming) && name != naming("--help") && name != naming("--version") &&
           name != naming("--report");
}

std::string OptionListText()
{
    CommandLine unused;
    std::optional<std::string> reportPath;
    return OptionListText(AllOptions(unused, reportPath));
}

} // namespace tevmar::session
