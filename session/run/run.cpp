#include "session/run/run.h"

#include "analysis/sweep.h"
#include "format/amplifier_report.h"
#include "format/analysis_text.h"
#include "format/candidates_report.h"
#include "format/device_report.h"
#include "format/export_json.h"
#include "format/load_fit_report.h"
#include "format/tuned_report.h"
#include "report/line.h"
#include "session/io/safe_file.h"
#include "session/run/tuning.h"

#include <algorithm>
#include <stdexcept>

namespace tevmar::session {

namespace {

using Kind = Message::Kind;

constexpr const char *kTunedInstead = "no textbook design; the tuned network was written instead";
constexpr const char *kCandidatesInstead =
    "no textbook design; the candidate networks were written instead";

bool IsSweepFile(ExportKind kind)
{
    return kind == ExportKind::SweepCsv || kind == ExportKind::Touchstone ||
           kind == ExportKind::TouchstoneV2;
}

bool NeedsSweep(const Request &r)
{
    return std::ranges::any_of(r.files, [](const FileRequest &f) { return IsSweepFile(f.kind); });
}

void AppendLines(std::string &text, const std::vector<std::string> &lines)
{
    for (const std::string &line : lines)
        text += line + '\n';
}

// One run in progress: the request, the outcome it fills, and the figures in
// between.
class Runner
{
  public:
    Runner(const Request &request, Outcome &outcome) : r_(request), o_(outcome) {}

    void Run();

  private:
    void Device();
    void Amplifier();
    bool CheckCandidateRequest();
    bool Design();
    bool BuildCandidates();
    const analysis::Candidate *FileCandidate() const;
    bool WithoutDesign() const { return tunedWithoutDesign_ || candidatesWithoutDesign_; }
    void SayWrittenInstead()
    {
        Say(Kind::Problem, tunedWithoutDesign_ ? kTunedInstead : kCandidatesInstead);
    }
    void PaneOnly();
    void Analysed();
    bool CheckSweep(const analysis::Band &band);
    void Render();
    void WriteStandardOutput();
    void WriteFiles();

    void Say(Kind kind, std::string text) { o_.messages.push_back({kind, std::move(text)}); }
    // The error box's text and why the synthesis has no design.
    void SayNoSolution();
    bool Solved() const { return o_.design.solved(); }
    // The pane lines, or the error box's text without a design; the status
    // of a design so shown.
    ExitStatus PaneLines();
    ExitStatus DesignStatus();
    std::string DocumentOf(const std::string &designJson) const;
    // The measured source's and load's fits as lines.
    std::vector<std::string> FitLines() const;

    const Request &r_;
    Outcome &o_;
    const analysis::FitSummary *fit_ = nullptr;
    bool tunedWithoutDesign_ = false;
    bool candidatesWithoutDesign_ = false;
    analysis::SweepPlan plan_;
    std::string json_;
    std::optional<analysis::NetworkAnalysis> tunedAnalysis_; // the tuned network's figures
};

bool Runner::CheckCandidateRequest()
{
    std::string problem;
    const int order = r_.design.networkOrder;
    const OptionNaming &n = r_.naming;
    if (r_.pick && !r_.candidates)
        problem = n("--pick") + " chooses among " + n("--candidates") + "; give it";
    else if (r_.candidates && order != 4 && order != 8 && order != 12)
        problem =
            n("--candidates") + ": the order must be 4, 8 or 12, not " + std::to_string(order);
    if (problem.empty())
        return true;
    Say(Kind::Usage, std::move(problem));
    o_.status = ExitStatus::BadUsage;
    return false;
}

// Every candidate tuned into the true load; a pick beyond them is bad usage.
bool Runner::BuildCandidates()
{
    analysis::CandidateOptions options;
    options.series = r_.settings.eseries;
    options.ranges = r_.settings.tuneRanges;
    options.built = PartModelsOf(r_.settings);
    try {
        o_.candidates = analysis::BuildCandidates(o_.design.inputs, o_.design.result,
                                                  o_.design.measuredLoad, options);
    } catch (const std::invalid_argument &e) {
        Say(Kind::Usage, r_.naming("--candidates") + ": " + e.what());
        o_.status = ExitStatus::BadUsage;
        return false;
    }
    const std::size_t count = o_.candidates->candidates.size();
    if (r_.pick && static_cast<std::size_t>(*r_.pick) > count) {
        Say(Kind::Usage, r_.naming("--pick") + ": there " + (count == 1 ? "is " : "are ") +
                             std::to_string(count) + " candidate" + (count == 1 ? "" : "s") +
                             ", not " + std::to_string(*r_.pick));
        o_.status = ExitStatus::BadUsage;
        return false;
    }
    candidatesWithoutDesign_ = !Solved() && !tunedWithoutDesign_ && count > 0;
    return true;
}

// The candidate the network files carry: the one picked, or the best where
// there is neither a design nor a tuned network.
const analysis::Candidate *Runner::FileCandidate() const
{
    if (!o_.candidates || o_.candidates->candidates.empty())
        return nullptr;
    if (r_.pick)
        return &o_.candidates->candidates.at(static_cast<std::size_t>(*r_.pick) - 1);
    return candidatesWithoutDesign_ ? &o_.candidates->candidates.front() : nullptr;
}

bool Runner::Design()
{
    if (!r_.measuredLoad) {
        o_.design = Calculate(r_.design);
        return true;
    }
    const MeasuredLoadInput &m = *r_.measuredLoad;
    const InputValues typed = ReadInputValues(r_.design);
    MeasuredLoadRequest request{m.filePath, r_.design.f1Text, r_.design.f2Text,       typed.f1(),
                                typed.f2(), m.sourceOhms,     r_.design.networkOrder, m.kind};
    if (m.source)
        request.source = MeasuredSourceRequest{m.source->filePath, m.source->data, m.source->kind};
    MeasuredMatch match =
        m.data ? MatchMeasuredLoad(request, *m.data, m.filePath) : MatchMeasuredLoad(request);
    if (!match.ok()) {
        const std::string &label = match.problemInSource ? m.source->label : m.label;
        Say(Kind::Problem, label.empty() ? match.problem : label + ": " + match.problem);
        o_.status = ExitStatus::BadUsage;
        return false;
    }
    for (const std::string &warning : match.warnings)
        Say(Kind::Warning, warning);
    o_.design = match.outcome;
    o_.match = std::move(match);
    fit_ = &o_.match->fit;
    return true;
}

std::vector<std::string> Runner::FitLines() const
{
    std::vector<std::string> lines;
    if (const std::optional<SourceMatch> &source = o_.match->source)
        lines = format::SourceFitLines(source->fit, source->resistive);
    const std::vector<std::string> load = format::FitLines(*fit_);
    lines.insert(lines.end(), load.begin(), load.end());
    if (o_.match->source)
        lines.push_back(o_.match->source->bodeFano);
    return lines;
}

void Runner::SayNoSolution()
{
    Say(Kind::Box, o_.design.boxes.errorText);
    if (!o_.design.boxes.errorReason.empty())
        Say(Kind::Problem, "no solution: " + o_.design.boxes.errorReason);
}

ExitStatus Runner::DesignStatus()
{
    if (o_.design.saving == ReportSaving::NotSaved) {
        Say(Kind::Box, o_.design.boxes.errorText);
        Say(Kind::Problem, o_.design.reportError);
        return ExitStatus::ReportNotSaved;
    }
    return ExitStatus::Designed;
}

ExitStatus Runner::PaneLines()
{
    if (!Solved()) {
        SayNoSolution();
        return ExitStatus::NoSolution;
    }
    for (std::size_t i = 0; i < o_.design.report.pane.size(); ++i)
        ComposeLine(o_.design.report.pane[i], o_.standardOutput, "\n");
    return DesignStatus();
}

// A plain Calculate: the report and the pane lines, nothing more.
void Runner::PaneOnly()
{
    if (r_.reportPath)
        SaveReport(o_.design, *r_.reportPath);
    o_.status = PaneLines();
}

bool Runner::CheckSweep(const analysis::Band &band)
{
    const std::string from = r_.naming("--from"), to = r_.naming("--to");
    if (const auto problem =
            session::CheckSweep(r_.settings.sweep, band, {from.c_str(), to.c_str()})) {
        const std::string setting = problem->setting == SweepSetting::From ? from
                                    : problem->setting == SweepSetting::To ? to
                                                                           : r_.naming("--points");
        Say(Kind::Usage, setting + ": " + problem->text);
        o_.status = ExitStatus::BadUsage;
        return false;
    }
    plan_ = SweepPlanOf(r_.settings.sweep, band);
    return true;
}

std::string Runner::DocumentOf(const std::string &designJson) const
{
    std::string json =
        o_.tuned ? format::WithTunedJson(designJson, *o_.tuned, &*tunedAnalysis_) : designJson;
    if (o_.candidates)
        json = format::WithCandidatesJson(json, *o_.candidates);
    if (!fit_)
        return json;
    json = format::WithFitJson(json, *fit_);
    if (const std::optional<SourceMatch> &source = o_.match->source)
        json = format::WithSourceFitJson(json, source->fit, source->resistive, source->bodeFano);
    return json;
}

// The files' texts and the JSON document. The Touchstone and SPICE files
// describe the tuned network (on standard values when there are some) when
// there is one, else the design's full-precision network; the CSV has every
// network of its analysis.
void Runner::Render()
{
    const analysis::AnalysisOptions options = AnalysisOptionsFor(o_.design, r_.settings);
    if (Solved())
        o_.analysis = analysis::AnalyseDesign(o_.design.result, options);
    std::optional<CalculateOutcome> tunedOutcome;
    analysis::NetworkAnalysis fileAnalysis, builtAnalysis;
    const analysis::Network *built = nullptr;
    if (o_.tuned) {
        tunedOutcome = o_.design;
        tunedOutcome->result = analysis::TunedDesignResult(*o_.tuned, o_.design.result);
        tunedAnalysis_ = TunedAnalysis(*o_.tuned, tunedOutcome->result, options);
        fileAnalysis = *tunedAnalysis_;
        if (o_.tuned->standard) {
            built = &o_.tuned->standard->network;
            builtAnalysis.band = fileAnalysis.band;
            builtAnalysis.full = *built;
        }
    } else if (o_.analysis) {
        fileAnalysis = *o_.analysis;
    }
    if (const analysis::Candidate *c = FileCandidate()) {
        // On standard values where a series was set, as a tuned network's files are.
        fileAnalysis = {};
        fileAnalysis.band = c->problem.band;
        fileAnalysis.full = c->standard ? c->standard->network : c->tuned.network;
        fileAnalysis.printed = fileAnalysis.full;
        built = nullptr;
    }
    const CalculateOutcome &fileDesign = tunedOutcome ? *tunedOutcome : o_.design;

    if (r_.json || std::ranges::any_of(
                       r_.files, [](const FileRequest &f) { return f.kind == ExportKind::Json; }))
        json_ = DocumentOf(
            Solved() ? ExportText(ExportKind::Json, o_.design, *o_.analysis, {})
                     : format::DesignJson(o_.design.inputs, o_.design.result, {}, nullptr));
    std::vector<double> frequencies;
    if (NeedsSweep(r_))
        frequencies = analysis::SweepFrequencies(plan_);
    for (const FileRequest &file : r_.files) {
        std::string text;
        if (file.kind == ExportKind::Json) {
            text = json_;
        } else {
            const bool network = file.kind != ExportKind::SweepCsv;
            text =
                ExportText(file.kind, fileDesign, built && network ? builtAnalysis : fileAnalysis,
                           frequencies, r_.touchstoneOhms);
        }
        o_.files.push_back({file, std::move(text), {}});
    }
}

// Standard output: a file piped there, else the pane lines with the figures
// asked for (or the JSON), then the tuned network's lines.
void Runner::WriteStandardOutput()
{
    std::string &out = o_.standardOutput;
    const auto piped = std::find_if(o_.files.begin(), o_.files.end(), [](const WrittenFile &f) {
        return f.request.path == kStandardOutputPath;
    });
    if (piped != o_.files.end()) {
        if (WithoutDesign()) {
            SayNoSolution();
            SayWrittenInstead();
        }
        out += piped->text;
        const ExitStatus written = DesignStatus();
        o_.status =
            WithoutDesign() && written == ExitStatus::Designed ? ExitStatus::Tuned : written;
        return;
    }
    if (WithoutDesign()) {
        SayNoSolution();
        if (fit_ && !r_.json) {
            AppendLines(out, FitLines());
            out += '\n';
        }
        if (r_.json) {
            out += json_;
        } else {
            if (o_.tuned)
                AppendLines(out, format::TunedLines(*o_.tuned, &*tunedAnalysis_));
            if (o_.candidates)
                AppendLines(out += o_.tuned ? "\n" : "", format::CandidateLines(*o_.candidates));
        }
        SayWrittenInstead();
        o_.status = ExitStatus::Tuned;
        return;
    }
    if (r_.json) {
        out += json_;
        o_.status = DesignStatus();
        return;
    }
    o_.status = PaneLines();
    if (fit_)
        AppendLines(out += '\n', FitLines());
    // Into a measured load, the network check is the figure the engineer
    // came for, asked or not.
    if (r_.figures || fit_)
        AppendLines(out += '\n', format::AnalysisLines(*o_.analysis));
    if (o_.tuned)
        AppendLines(out += '\n', format::TunedLines(*o_.tuned, &*tunedAnalysis_));
    if (o_.candidates)
        AppendLines(out += '\n', format::CandidateLines(*o_.candidates));
}

void Runner::WriteFiles()
{
    bool saved = true;
    for (WrittenFile &file : o_.files) {
        if (file.request.path == kStandardOutputPath)
            continue;
        if (!WriteFileSafely(file.request.path, file.text, file.error)) {
            Say(Kind::Problem, file.request.label + ": " + file.error);
            saved = false;
        }
    }
    const bool fine = o_.status == ExitStatus::Designed || o_.status == ExitStatus::Tuned;
    if (fine && !saved)
        o_.status = ExitStatus::FileNotSaved;
}

// With the analysis: tuning (which may match a load the synthesis cannot
// absorb, through a relaxed design with the true load), the sweep's check
// before the report is touched, the figures and the files.
void Runner::Analysed()
{
    if (r_.tune)
        o_.tuned = analysis::TuneDesign(o_.design.inputs, o_.design.result, r_.settings.eseries,
                                        nullptr, o_.design.measuredLoad, r_.settings.tuneRanges,
                                        PartModelsOf(r_.settings));
    tunedWithoutDesign_ = o_.tuned && !Solved();
    if (r_.candidates && !BuildCandidates())
        return;

    if ((Solved() || WithoutDesign()) && NeedsSweep(r_)) {
        const analysis::Band band =
            tunedWithoutDesign_        ? analysis::BandOf(o_.tuned->relaxed->design.band)
            : candidatesWithoutDesign_ ? o_.candidates->candidates.front().problem.band
                                       : analysis::BandOf(o_.design.result.band);
        if (!CheckSweep(band))
            return;
    }
    if (r_.reportPath)
        SaveReport(o_.design, *r_.reportPath);
    // Tuning a network without its load would answer another question.
    if (r_.tune && !Solved() && !o_.tuned)
        Say(Kind::Problem, r_.naming("--tune") +
                               ": no design absorbs this load, nor any value of it with lower "
                               "load Q; nothing was tuned");
    if (!Solved() && !WithoutDesign()) {
        if (r_.json)
            o_.standardOutput =
                DocumentOf(format::DesignJson(o_.design.inputs, o_.design.result, {}, nullptr));
        else if (fit_)
            AppendLines(o_.standardOutput, FitLines());
        o_.status = PaneLines();
        return;
    }
    try {
        Render();
    } catch (const std::exception &e) {
        o_.files.clear();
        o_.standardOutput.clear();
        PaneLines();
        Say(Kind::Problem, std::string("the analysis failed: ") + e.what());
        o_.status = ExitStatus::FileNotSaved;
        return;
    }
    if (Solved() && !o_.analysis->selfCheck.agrees && !fit_)
        Say(Kind::Warning, "the network built from the full-precision values does not "
                           "reproduce the design's |S11| over the band");
    WriteStandardOutput();
    WriteFiles();
}

// A transistor's figures: the table or the JSON document, no report.
void Runner::Device()
{
    const DeviceInput &input = *r_.device;
    DeviceRun run = RunDevice(input, r_.design.f1Text, r_.design.f2Text);
    for (const std::string &warning : run.warnings)
        Say(Kind::Warning, warning);
    if (!run.outcome) {
        Say(Kind::Problem, input.label.empty() ? run.problem : input.label + ": " + run.problem);
        o_.status = ExitStatus::BadUsage;
        return;
    }
    const format::DeviceReport report{run.outcome->fileName, run.outcome->data.referenceOhms,
                                      run.outcome->points};
    if (r_.json)
        o_.standardOutput = format::DeviceJson(report);
    else
        AppendLines(o_.standardOutput, format::DeviceLines(report));
    o_.device = std::move(run.outcome);
    o_.status = ExitStatus::Designed;
}

// An amplifier's two networks: the lines or the JSON document, and the
// whole amplifier's sweep, Touchstone files and the networks' SPICE netlist
// as asked; no report.
void Runner::Amplifier()
{
    const AmplifierInput &input = *r_.amplifier;
    AmplifierRun run = RunAmplifier(input, r_.design.f1Text, r_.design.f2Text);
    for (const std::string &warning : run.warnings)
        Say(Kind::Warning, warning);
    if (!run.outcome) {
        const bool named = run.aboutFile && !input.label.empty();
        Say(Kind::Problem, named       ? input.label + ": " + run.problem
                           : run.usage ? run.problem
                                       : "no amplifier: " + run.problem);
        o_.status = run.usage ? ExitStatus::BadUsage : ExitStatus::NoSolution;
        return;
    }
    const AmplifierOutcome &a = *run.outcome;
    const format::AmplifierReport report{
        a.fileName,  a.data.referenceOhms,         a.terminations,
        a.amplifier, input.sourceS1p.value_or(""), input.loadS1p.value_or("")};
    for (const FileRequest &file : r_.files) {
        WrittenFile written{file, {}, {}};
        if (file.kind == ExportKind::SweepCsv)
            written.text = format::AmplifierCsv(a.whole);
        else if (file.kind == ExportKind::Touchstone)
            written.text = format::AmplifierTouchstone(a.data, a.amplifier, a.data.referenceOhms);
        else if (file.kind == ExportKind::TouchstoneV2)
            written.text = format::AmplifierTouchstoneV2(report, a.data);
        else if (file.kind == ExportKind::Spice)
            written.text = format::AmplifierSpice(report);
        else
            continue;
        o_.files.push_back(std::move(written));
    }
    const auto piped = std::find_if(o_.files.begin(), o_.files.end(), [](const WrittenFile &f) {
        return f.request.path == kStandardOutputPath;
    });
    if (piped != o_.files.end())
        o_.standardOutput = piped->text;
    else if (r_.json)
        o_.standardOutput = format::AmplifierJson(report);
    else
        AppendLines(o_.standardOutput, format::AmplifierLines(report));
    o_.amplifier = std::move(run.outcome);
    o_.status = ExitStatus::Designed;
    WriteFiles();
}

void Runner::Run()
{
    if (r_.amplifier)
        return Amplifier();
    if (r_.device)
        return Device();
    if (!CheckCandidateRequest() || !Design())
        return;
    const bool analyse =
        r_.json || r_.figures || r_.tune || r_.candidates || !r_.files.empty() || r_.measuredLoad;
    if (analyse)
        Analysed();
    else
        PaneOnly();
}

} // namespace

Outcome Run(const Request &request)
{
    Outcome outcome;
    Runner(request, outcome).Run();
    return outcome;
}

ExitStatus StatusAfterOutputFailure(ExitStatus status)
{
    switch (status) {
    case ExitStatus::Designed:
    case ExitStatus::Tuned:
    case ExitStatus::FileNotSaved:
        return ExitStatus::OutputFailed;
    default:
        return status;
    }
}

} // namespace tevmar::session
