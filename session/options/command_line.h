#pragma once

#include "session/options/analysis_options.h"
#include "session/options/band_options.h"
#include "session/options/design_options.h"
#include "session/options/device_options.h"
#include "session/options/line_options.h"
#include "session/run/run.h"
#include "session/types.h"

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tevmar::session {

// The arguments understood, before anything is run or written.
struct CommandLine
{
    DesignInputs design;
    BandArguments bands; // --band and --reject, in place of --f1 and --f2
    MeasuredLoadArguments measured;
    DeviceArguments device;
    LineArguments lines;            // a microstrip line in place of a design
    std::vector<std::string> given; // every option given, in order
    std::string replacedOption;     // the first of kReplacedByMeasuredLoad given
    AnalysisRequest analysis;
    bool help = false, version = false;
    std::filesystem::path reportPath;
    std::vector<std::string> warnings; // box texts not read as typed
    std::string problem;               // bad usage; empty when the arguments are fine
    OptionNaming naming;               // how the problem and the warnings name options
};

// Parses the arguments (program name excluded) and checks them against each
// other; the report goes to --report's path or else `defaultReportPath`.
// Problems and warnings name the options as `naming` does, and so do the
// messages of the run the arguments ask for.
CommandLine ParseCommandLine(const std::vector<std::string> &args,
                             const std::filesystem::path &defaultReportPath,
                             const OptionNaming &naming = {});

// The same arguments given as named values by a front end that names the
// options as `naming` does (the Python module's keyword arguments), checked
// alike; the report goes to `defaultReportPath`.
CommandLine ParseNamedValues(const std::vector<NamedValue> &values,
                             const std::filesystem::path &defaultReportPath,
                             const OptionNaming &naming);

// The same with some values typed (numbers and pairs of numbers), each read
// by its option's typed reader with the checks of its text: the front end
// fills the request with its numbers rather than with text made of them.
// A typed value of an option without a typed reader is refused as unknown;
// see TakesTypedValue.
CommandLine ParseKeywordValues(const std::vector<NamedValue> &values,
                               const std::vector<TypedNamedValue> &typed,
                               const std::filesystem::path &defaultReportPath,
                               const OptionNaming &naming);

// A value a front end's function gives one of its own parameters: a number
// (read by its option's typed reader, or where the option reads only text,
// as its text: see TypedValueText) or the text the option reads.
using CallValue = std::variant<TypedNumber, std::string>;

// The settings a front end's functions take by their own parameters (the
// Python module's tevmar.design(f1, f2, zhigh, zlow, order, load, absorb),
// tevmar.match(..., source, load_kind, load_s1p), tevmar.amplifier(..., goal,
// load_ohms, stability_margin, ...)), each read by the option it stands for
// with that option's checks and named in messages as the call names it.
// Unset: not given.
struct CallSettings
{
    // The design's boxes. A number fills its box with its shortest
    // round-trip decimal, the text the caller would have typed for it: the
    // seed's design reads and echoes the box's text, never a number.
    std::optional<CallValue> f1, f2, zhigh, zlow, absorb;
    std::optional<CallValue> order, load;           // --order, --load
    std::optional<CallValue> source, loadKind;      // --source, --load-kind
    std::optional<std::string> goal;                // --goal: "gain" or "noise"
    std::optional<CallValue> loadOhms;              // --load-ohms
    std::optional<CallValue> stabilityMargin;       // --stability-margin
    std::optional<CallValue> tolerance;             // --tolerance
    std::optional<CallValue> inductorQ, capacitorQ; // --q-l, --q-c
    std::optional<CallValue> qModel;                // --q-model
    std::optional<CallValue> inductorModel;         // --l-model
    std::optional<CallValue> capacitorModel;        // --c-model
    std::optional<CallValue> pad;                   // --pad
    // Files, as the operating system takes their paths.
    std::optional<std::string> loadS1p, sourceS1p, parts; // --load-s1p, --source-s1p, --parts
};

// A call of a front end's function (the Python module's tevmar.device(path),
// tevmar.amplifier(...)): what the function is and passes by its own
// parameters, typed, beside the keywords the caller wrote. The function
// fills these fields itself; no option is named for them.
struct KeywordCall
{
    bool json = false;                     // the run keeps its document
    std::optional<std::string> devicePath; // a transistor's figures from this two-port file
    bool amplifier = false;                // both matching networks around that transistor
    bool stabilise = false;                // the amplifier's device loaded until stable first
    bool tune = false;                     // the design re-tuned into the true load
    bool candidates = false;               // every candidate network tuned and ranked
    // The device's gain and noise circle levels, dB, each checked as the
    // levels of a list are.
    std::optional<std::vector<double>> gainDb, noiseDb;
    // Bands given as numbers (in place of the --band and --reject texts),
    // named in messages as bandsName and rejectName; unset: none given.
    std::optional<std::vector<BandValues>> bands, rejects;
    std::string bandsName, rejectName;
    CallSettings settings;          // the function's own parameters
    std::vector<NamedValue> values; // the keywords written, as text, a path or a flag
    // The keywords written as numbers or pairs of them: in `typed` only for
    // settings with a typed reader (any other is refused as unknown); in
    // `numbers` for any setting, one that reads only text (eseries=24,
    // seed=7) reading the number as its text (TypedValueText), the text the
    // caller would have written.
    std::vector<TypedNamedValue> typed, numbers;
};

// The call's arguments, checked as ParseKeywordValues checks its values.
CommandLine ParseKeywordCall(const KeywordCall &call,
                             const std::filesystem::path &defaultReportPath,
                             const OptionNaming &naming);

// Which runs read a setting: every run, a search (a tune or the candidates:
// the kit of measured parts), or the candidates alone (the lines, their
// impedances and their board). A front end that keeps its settings for a
// later search (the Python module's design(), whose tune() and candidates()
// come after) holds such a setting back until then.
enum class SettingUse { EveryRun, Searches, Candidates };
SettingUse UseOfSetting(std::string_view name, const OptionNaming &naming);

// True when the option `naming` names `name` reads typed values.
bool TakesTypedValue(std::string_view name, const OptionNaming &naming);

// True when `name` is how `naming` names an option of the program.
bool IsOptionName(std::string_view name, const OptionNaming &naming);

// True when `name` is how `naming` names an option that sets something of
// the run: not --help or --version, which ask about the program, nor
// --report, whose file a front end with a save of its own leaves to it.
bool IsSettingName(std::string_view name, const OptionNaming &naming);

// The run the arguments ask for.
Request RequestOf(const CommandLine &commandLine);

// Every option with its value and help, as --help lists them.
std::string OptionListText();

} // namespace tevmar::session
