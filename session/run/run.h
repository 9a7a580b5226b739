#pragma once

// One run of the tool, for every front end alike: a request (the boxes as
// typed or a measured load, the analysis settings, tuning, the files and
// where they go) turned into an outcome (the design, its figures, the text for
// standard output, the messages, the files written and the exit status). The
// window, tevmar-cli and scripts only build a request and show its outcome.

#include "analysis/search/candidates.h"
#include "analysis/search/kit_search.h"
#include "analysis/search/tune_design.h"
#include "session/options/analysis_settings.h"
#include "session/options/option_naming.h"
#include "session/run/amplifier.h"
#include "session/run/calculation.h"
#include "session/run/device.h"
#include "session/run/exports.h"
#include "session/run/measured_match.h"
#include "session/run/microstrip.h"

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tevmar::session {

class Study;

// The outcome of a run as tevmar-cli's exit status names it.
enum class ExitStatus : int {
    Designed = 0,       // design on standard output, report saved
    NoSolution = 1,     // "  SOLUTION OUT OF RANGE"
    BadUsage = 2,       // the request could not be carried out; nothing written
    ReportNotSaved = 3, // design on standard output, report file not written
    OutputFailed = 4,   // standard output could not be written
    FileNotSaved = 5,   // the design succeeded but a file asked for was not written
    Tuned = 6,          // no textbook design; the tuned network or candidates were written instead
    // Request::stop was raised during a search: nothing written. Only a
    // front end that raises it sees this; tevmar-cli ends by the signal.
    Stopped = 130,
};

// A source measured by a network analyser (or given by its fitted kind), in
// place of the source resistance of a measured load.
struct MeasuredSourceInput
{
    std::string filePath;
    std::optional<analysis::OnePortData> data; // already read; unset: the file is read
    std::optional<LoadType> kind;              // unset: the kind that fits best
    std::string label = {};                    // how messages name the file; empty: not at all
    bool circuit = false; // filePath is a circuit's text (--source-circuit), not a file
};

// A load measured by a network analyser, in place of the port impedances and
// the load model: the band and order still come from the boxes.
struct MeasuredLoadInput
{
    std::string filePath;
    // The data already read (the window keeps what it read); unset: the file
    // is read.
    std::optional<analysis::OnePortData> data;
    double sourceOhms = 50;
    std::optional<LoadType> kind; // unset: the kind that fits best
    std::string label = {};       // how messages name the file; empty: not at all
    // A measured source in place of sourceOhms: every figure is then between
    // the two measurements.
    std::optional<MeasuredSourceInput> source = std::nullopt;
    bool circuit = false; // filePath is a circuit's text (--load-circuit), not a file
};

// A file asked for. "-" as the path is standard output.
struct FileRequest
{
    ExportKind kind = ExportKind::Json;
    std::string path;
    std::string label; // how messages name it: "--sweep", "Export CSV Sweep"
};

inline constexpr const char *kStandardOutputPath = "-";

struct Request
{
    DesignInputs design; // the boxes as typed; with a measured load, its band and order
    std::optional<MeasuredLoadInput> measuredLoad;
    // A transistor's figures in place of a design: the band (design's f1
    // and f2 texts, if given) chooses the points; nothing else applies.
    std::optional<DeviceInput> device;
    // Both matching networks of an amplifier around the device's file.
    std::optional<AmplifierInput> amplifier;
    // A microstrip line on a substrate in place of a design: nothing else
    // applies but json.
    std::optional<MicrostripInput> microstrip;
    AnalysisSettings settings;
    bool figures = false; // the analysis lines follow the pane lines
    bool tune = false;    // re-tune the values into the true load
    // Build, tune and rank the candidate networks (orders 4, 8 and 12 only).
    bool candidates = false;
    std::optional<int> pick; // candidate K (1 = best) is the network the files carry
    // The network the network files (Touchstone, SPICE, the CSV sweep) carry in
    // place of the design's or a candidate's: the Response window's network
    // with its parts stepped or dragged by hand, on the design's band.
    std::optional<analysis::Network> network;
    // Several bands at once (--band, --reject): passbands, each with its own
    // |S11| limit or weight, and bands to reject. The textbook design and its
    // report keep one band, so with a goal only the candidates run, over
    // every band; the design's boxes then span the passbands. Empty: the
    // boxes' one band.
    analysis::Goal goal;
    // A folder of measured chip parts: the candidates are built from them.
    std::optional<std::string> partsFolder;
    bool json = false; // standard output is the JSON document, not the pane lines
    std::vector<FileRequest> files;
    double touchstoneOhms = format::kDefaultTouchstoneOhms;
    std::optional<std::filesystem::path> reportPath; // unset: no report file is touched
    // How the messages name an option the front end took ("--pick", "pick").
    OptionNaming naming;
    // Raised by the front end to stop the run (Ctrl-C in a script, the
    // window's Stop): the tuning, the candidates and the kit search read it
    // between their steps, and the run then ends with ExitStatus::Stopped,
    // nothing written.
    const std::atomic<bool> *stop = nullptr;
    // The study the run asks its stages of, which keeps what they found for
    // the front end's next request; unset: a study of the run's own.
    Study *study = nullptr;
};

// A message for the engineer, in the order the run met them.
struct Message
{
    enum class Kind {
        Box,     // the error box's text, shown as it is ("  SOLUTION OUT OF RANGE")
        Warning, // the run went on
        Problem, // something asked for was not done
        Usage,   // the request itself cannot be carried out
        Note,    // a figure of the run beside its output (a fit's rms error)
    };
    Kind kind = Kind::Problem;
    std::string text;
};

struct WrittenFile
{
    FileRequest request;
    std::string text;
    std::string error; // why it could not be written; empty when it was
};

struct Outcome
{
    ExitStatus status = ExitStatus::Designed;
    CalculateOutcome design;            // the design run, its pane lines, boxes and report saving
    std::optional<MeasuredMatch> match; // with a measured load: its data and fit
    std::optional<analysis::NetworkAnalysis> analysis; // the solved design's figures
    std::optional<analysis::TunedNetwork> tuned;
    std::optional<analysis::CandidateSet> candidates; // best first
    // With a kit: its parts usable over the band, and for each candidate (in
    // the candidates' order, which is then by in-band loss) the ideal network
    // and the kit parts chosen for it; each candidate's tuned network is then
    // the kit's.
    std::optional<analysis::Kit> kit;
    std::vector<analysis::KitChoice> kitChoices;
    std::optional<analysis::KitChoice> tunedKit; // the tuned network on kit parts
    std::optional<DeviceOutcome> device;         // with a device: its figures
    std::optional<AmplifierOutcome> amplifier;   // with --amplifier: both networks
    std::optional<MicrostripOutcome> microstrip; // with a microstrip line: its figures
    std::string standardOutput; // the pane lines and figures, the JSON, or a file piped
    // The JSON document, whenever the request asked for it (--json or a JSON
    // file), even where a file piped to standard output took its place there.
    std::string document;
    // The lines standard output carries without --json (the pane lines, the
    // fit, the figures, the tuned network, the candidates), kept with the
    // JSON too; empty when a file was piped there.
    std::string lines;
    std::vector<Message> messages;
    std::vector<WrittenFile> files; // every file asked for, standard output's included
};

// Carries out the request: designs (reading and fitting a measured load),
// saves the report, analyses and tunes as asked, renders and writes the
// files. Everything is computed before any file is written, so a failure
// leaves no file half done. Standard output is left to the caller, which
// writes `standardOutput` and, if that fails, reports ExitStatus::OutputFailed
// (see StatusAfterOutputFailure).
Outcome Run(const Request &request);

// The exit status once standard output could not be written.
ExitStatus StatusAfterOutputFailure(ExitStatus status);

} // namespace tevmar::session
