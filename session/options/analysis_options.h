#pragma once

// The analysis part of tevmar-cli: what the engineer does next with a design
// (its built response, standard values, component Q, tolerance yield) and the
// files taken elsewhere (JSON, CSV sweep, Touchstone, SPICE).

#include "analysis/model/element.h"
#include "session/options/analysis_settings.h"
#include "session/options/command_options.h"
#include "session/options/design_options.h"
#include "session/run/exports.h"
#include "session/run/run.h"
#include "session/types.h"

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <utility>

namespace tevmar::session {

struct AnalysisRequest
{
    bool json = false; // the design as JSON replaces the pane lines on standard output
    std::optional<std::string> sweepPath, touchstonePath, touchstoneV2Path, spicePath;
    std::optional<std::string> partsFolder, bomPath; // a kit of measured parts, its BOM
    bool amplifier = false; // the run designs an amplifier, whose networks a kit may build
    std::optional<int> points;
    std::optional<double> fromGhz, toGhz;
    bool log = false, lin = false;
    std::optional<double> touchstoneOhms;
    std::optional<ESeries> eseries;
    std::optional<double> inductorQ, capacitorQ;
    std::optional<QModel> qModel;
    std::optional<analysis::ChipInductor> inductorChip;   // --l-model
    std::optional<analysis::ChipCapacitor> capacitorChip; // --c-model
    std::optional<double> padPf;                          // --pad
    std::optional<double> srfMarginPercent;               // --srf-margin
    std::optional<int> trials;
    std::optional<double> tolerancePercent;
    std::optional<std::uint64_t> seed;
    std::optional<double> yieldVswr;
    bool tune = false;       // re-tune the values; the files carry the tuned network
    bool candidates = false; // the candidate networks' table follows
    std::optional<int> pick; // the candidate (1 = best) the files carry
    // The tuned parts' ranges, nH and pF (MIN, MAX); the chip range when absent.
    std::optional<std::pair<double, double>> inductorRangeNh, capacitorRangePf;
    // --lines ideal: the candidates may use lengths of TEM line and stubs,
    // their Z0 within --z0-range (ohms) or every one held at --line-z0.
    bool lines = false;
    std::optional<std::pair<double, double>> z0RangeOhms;
    std::optional<double> lineZ0Ohms;
    // --lines microstrip: the lines are strips on --substrate (read by the
    // line options, line_options.h), their widths within --width-range (m),
    // their drawn lengths on a grid of --length-step (m); --layout FILE.csv
    // lists them.
    bool microstripLines = false;
    std::optional<analysis::lines::Substrate> substrate;
    std::optional<std::pair<double, double>> widthRange;
    std::optional<double> lengthStep;
    std::optional<std::string> layoutPath;

    bool MonteCarlo() const { return trials || tolerancePercent || seed || yieldVswr; }
    // Figures beyond the design's own: standard values, finite Q, tolerance yield.
    bool PartModels() const { return inductorChip || capacitorChip || padPf; }
    bool Figures() const
    {
        return eseries || inductorQ || capacitorQ || PartModels() || MonteCarlo();
    }
    bool SweepFile() const { return sweepPath || touchstonePath || touchstoneV2Path; }
    bool Any() const
    {
        return json || Figures() || SweepFile() || spicePath || tune || candidates || pick ||
               partsFolder || bomPath || lines || z0RangeOhms || lineZ0Ohms || widthRange ||
               lengthStep || layoutPath;
    }
};

// One option that names a file to save. Every rule about those files (at most
// one on standard output, none twice, none the report) and their writing go
// through kFileOptions, so a new export format is one more row here.
struct FileOption
{
    const char *option; // "--sweep"
    std::optional<std::string> AnalysisRequest::*path;
    ExportKind kind;
};

inline constexpr FileOption kFileOptions[] = {
    {"--sweep", &AnalysisRequest::sweepPath, ExportKind::SweepCsv},
    {"--touchstone", &AnalysisRequest::touchstonePath, ExportKind::Touchstone},
    {"--touchstone-v2", &AnalysisRequest::touchstoneV2Path, ExportKind::TouchstoneV2},
    {"--spice", &AnalysisRequest::spicePath, ExportKind::Spice},
    {"--bom", &AnalysisRequest::bomPath, ExportKind::Bom},
    {"--layout", &AnalysisRequest::layoutPath, ExportKind::Layout},
};

// The widths a board etches by default, m, within what the microstrip
// formulas cover on the board at hand: 0.15 mm (6 mil, an ordinary
// process's finest track) to 5 mm.
inline constexpr double kDefaultLeastWidth = analysis::PartRanges{}.lineLowWidth;
inline constexpr double kDefaultMostWidth = analysis::PartRanges{}.lineHighWidth;
// The layout grid of the strips' drawn lengths by default, m.
inline constexpr double kDefaultLengthStep = analysis::PartRanges{}.lineLengthStep;

// The options as analysis settings, each left out taking its default.
AnalysisSettings SettingsOf(const AnalysisRequest &request);

// The tuned parts' ranges: --l-range and --c-range, the chip range otherwise.
PartRanges TuneRangesOf(const AnalysisRequest &request);

// --json, --sweep, --points, --from, --to, --log, --lin, --touchstone,
// --touchstone-r, --touchstone-v2, --spice, --eseries, --q-l, --q-c,
// --q-model, --l-model, --c-model, --pad, --monte-carlo, --tolerance, --seed, --yield-vswr, --tune,
// --l-range and --c-range,
// filling `request`. Each refuses a bad value.
OptionTable AnalysisOptionTable(AnalysisRequest &request);

// The analysis options that read numbers as typed values too (a front end's
// q_l=40, l_range=(1, 100)), each by the same check as its text: --points,
// --from, --to, --touchstone-r, --q-l, --q-c, --monte-carlo, --tolerance,
// --yield-vswr, --pick, --l-range, --c-range, --z0-range, --line-z0 and
// --srf-margin.
TypedOptionTable AnalysisTypedOptionTable(AnalysisRequest &request);

// The --help paragraph on the analysis options and their defaults.
std::string AnalysisUsageText();

// Problems between options, found before anything is run: --log with --lin,
// sweep options without a sweep file, --touchstone-r without --touchstone,
// --q-model without a Q, --l-range or --c-range without --tune, a file named twice or named like
// the report, standard output asked for twice (by two files, or by a file and --json). Empty when
// there are none. `severalBands`: the candidates run without --candidates, and a kit serves them.
std::string CheckAnalysisRequest(const AnalysisRequest &request,
                                 const std::filesystem::path &reportPath,
                                 const OptionNaming &naming = {}, bool severalBands = false);

// The analysis options as the run's settings, figures, tuning, JSON and files.
void AddAnalysis(const AnalysisRequest &analysis, Request &request);

} // namespace tevmar::session
