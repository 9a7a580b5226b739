#include "session/run/run.h"

#include "analysis/figures/sweep.h"
#include "format/amplifier_report.h"
#include "format/analysis_text.h"
#include "format/candidates_report.h"
#include "format/device_report.h"
#include "format/export_json.h"
#include "format/goal_report.h"
#include "format/kit_report.h"
#include "format/load_fit_report.h"
#include "format/microstrip_report.h"
#include "format/tuned_report.h"
#include "report/line.h"
#include "report/number_format.h"
#include "session/io/safe_file.h"
#include "session/run/kit_parts.h"
#include "session/run/result_tree.h"
#include "session/run/run_files.h"
#include "session/run/study.h"
#include "session/run/tuning.h"
#include "units/unit_text.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace tevmar::session {

namespace {

using Kind = Message::Kind;

constexpr const char *kTunedInstead = "no textbook design; the tuned network was written instead";
constexpr const char *kCandidatesInstead =
    "no textbook design; the candidate networks were written instead";

// Whether the fitted models describe the measured load and its measured
// source: where either is its data alone, nothing is known beyond the data.
bool ModelsDescribe(const analysis::MeasuredLoad &load)
{
    return load.modelDescribes && (!load.source || load.source->modelDescribes);
}

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
    Runner(const Request &request, Outcome &outcome, Study &study)
        : r_(request), o_(outcome), study_(study)
    {
    }

    void Run();

  private:
    void Device();
    void Amplifier();
    void Microstrip();
    bool CheckCandidateRequest();
    bool Design();
    bool BuildCandidates();
    bool OnKitParts();
    bool ReadKit(const analysis::Band &band);
    const analysis::Candidate *FileCandidate() const;
    bool WithoutDesign() const { return tunedWithoutDesign_ || candidatesWithoutDesign_; }
    void SayWrittenInstead()
    {
        Say(Kind::Problem, tunedWithoutDesign_ ? kTunedInstead : kCandidatesInstead);
    }
    void PaneOnly();
    void Analysed();
    bool CheckSweep(const analysis::Band &band);
    void SaySweepPastTheData();
    void Render();
    void WithinKitData(const analysis::Network &network, std::vector<double> &frequencies);
    void WithinLoadData(const analysis::MeasuredLoad &load, std::vector<double> &frequencies);
    void WriteStandardOutput();
    void WriteFiles();

    void Say(Kind kind, std::string text) { o_.messages.push_back({kind, std::move(text)}); }
    // The error box's text and why the synthesis has no design.
    void SayNoSolution();
    // The document against several bands: the boxes spanning the passbands,
    // every band, and no textbook design.
    format::Json GoalDocument() const
    {
        DesignResult none = o_.design.result;
        none.solved = false;
        format::Json document = format::DesignDocument(o_.design.inputs, none, {}, nullptr);
        document["status"] = "several bands: candidates only";
        format::AddGoalInputsJson(document, r_.goal);
        return document;
    }
    // A textbook design to show: none against several bands, whose design
    // run only gives the candidates their starts.
    bool Solved() const { return o_.design.solved() && !Goal(); }
    bool Goal() const { return !r_.goal.empty(); }
    bool Candidates() const { return r_.candidates || Goal(); }
    // Why there is no design: the synthesis's reason, or the bands.
    void SayNoDesign()
    {
        if (!Goal())
            return SayNoSolution();
        // The pane's first line says it; the JSON has no such line.
        if (r_.json)
            Say(Kind::Note, format::GoalNote(r_.goal));
    }
    // The pane lines, or the error box's text without a design; the status
    // of a design so shown.
    ExitStatus PaneLines();
    std::string PlainText() const;
    ExitStatus DesignStatus();
    // The design's document with the run's sections added, as its text.
    std::string DocumentOf(format::Json document) const;
    // The tuned network's lines, and those of its kit parts when there is a kit.
    std::vector<std::string> TunedLines() const
    {
        std::vector<std::string> lines = format::TunedLines(*o_.tuned, &*tunedAnalysis_);
        if (o_.tunedKit) {
            const std::vector<std::string> kit = format::KitTunedLines(*o_.tunedKit);
            lines.insert(lines.end(), kit.begin(), kit.end());
        }
        return lines;
    }
    // The candidates' table, on kit parts when there is a kit.
    std::vector<std::string> CandidateLines() const
    {
        return o_.kit ? format::KitCandidateLines(*o_.candidates, o_.kitChoices)
                      : format::CandidateLines(*o_.candidates);
    }
    // The measured source's and load's fits as lines.
    std::vector<std::string> FitLines() const;

    // A kit's parts take the place of standard values.
    SearchChoices Choices() const
    {
        return {r_.partsFolder ? std::nullopt : r_.settings.eseries, r_.settings.tuneRanges,
                PartModelsOf(r_.settings), r_.goal};
    }

    const Request &r_;
    Outcome &o_;
    Study &study_;
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
    if (Goal() && !analysis::GoalError(r_.goal).empty())
        problem = n("--band") + ": " + analysis::GoalError(r_.goal);
    else if (Goal() && r_.tune)
        problem = n("--tune") + " works on one band; with " + n("--band") +
                  " given more than once (or " + n("--reject") + ", a limit or a weight) " +
                  n("--candidates") + " match every band";
    else if (r_.pick && !Candidates())
        problem = n("--pick") + " chooses among " + n("--candidates") + "; give it";
    else if (Candidates() && order != 4 && order != 8 && order != 12)
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
    try {
        o_.candidates = study_.Candidates(o_.design, Choices(), r_.stop);
    } catch (const std::invalid_argument &e) {
        Say(Kind::Usage, r_.naming("--candidates") + ": " + e.what());
        o_.status = ExitStatus::BadUsage;
        return false;
    }
    if (r_.partsFolder && !OnKitParts())
        return false;
    const std::size_t count = o_.candidates->candidates.size();
    if (r_.pick && static_cast<std::size_t>(*r_.pick) > count) {
        Say(Kind::Usage, r_.naming("--pick") + ": there " + (count == 1 ? "is " : "are ") +
                             std::to_string(count) + " candidate" + (count == 1 ? "" : "s") +
                             ", not " + std::to_string(*r_.pick));
        o_.status = ExitStatus::BadUsage;
        return false;
    }
    candidatesWithoutDesign_ = !Solved() && !tunedWithoutDesign_ && (count > 0 || Goal());
    return true;
}

// The kit for the band, read once for the tuned network and the candidates
// alike; one that cannot serve the band is bad usage.
bool Runner::ReadKit(const analysis::Band &band)
{
    if (o_.kit)
        return true;
    analysis::KitReading reading = study_.Kit(*r_.partsFolder, band, r_.settings.srfMarginPercent);
    for (std::string &warning : reading.warnings)
        Say(Kind::Warning, r_.naming("--parts") + ": " + std::move(warning));
    if (!reading.problem.empty()) {
        Say(Kind::Usage, r_.naming("--parts") + ": " + reading.problem);
        o_.status = ExitStatus::BadUsage;
        return false;
    }
    o_.kit = std::move(reading.kit);
    return true;
}

// Each candidate built from the kit's parts, the candidates then ranked by
// their in-band loss as built; a kit that cannot serve the band is bad usage.
bool Runner::OnKitParts()
{
    std::vector<analysis::Candidate> &candidates = o_.candidates->candidates;
    if (candidates.empty())
        return true;
    // Against several bands the kit's data must cover every band, the
    // rejection bands included, where the goal scores the parts too.
    if (!ReadKit(Goal() ? r_.goal.Span() : candidates.front().problem.band))
        return false;
    CandidatesOnKit on = study_.CandidatesOnKitParts(o_.design, Choices(), *o_.candidates,
                                                     *r_.partsFolder, *o_.kit, r_.stop);
    o_.candidates = std::move(on.set);
    o_.kitChoices = std::move(on.choices);
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
    // With a kit the files are of the network to be soldered: the best.
    return candidatesWithoutDesign_ || o_.kit ? &o_.candidates->candidates.front() : nullptr;
}

bool Runner::Design()
{
    if (!r_.measuredLoad) {
        o_.design = study_.Design(r_.design);
        return true;
    }
    const MeasuredLoadInput &m = *r_.measuredLoad;
    const InputValues typed = ReadInputValues(r_.design);
    MeasuredLoadRequest request{m.filePath, r_.design.f1Text, r_.design.f2Text,       typed.f1(),
                                typed.f2(), m.sourceOhms,     r_.design.networkOrder, m.kind};
    if (m.source)
        request.source = MeasuredSourceRequest{m.source->filePath, m.source->data, m.source->kind};
    std::optional<analysis::OnePortData> data = m.data;
    try {
        if (m.circuit)
            data = CircuitTermination(m.filePath, request, request.exact);
        if (m.source && m.source->circuit)
            request.source->data =
                CircuitTermination(m.source->filePath, request, request.source->exact);
    } catch (const std::invalid_argument &e) { // a circuit the option did not check
        Say(Kind::Usage, e.what());
        o_.status = ExitStatus::BadUsage;
        return false;
    }
    MeasuredMatch match =
        data ? MatchMeasuredLoad(request, *data, m.filePath) : MatchMeasuredLoad(request);
    if (!match.ok()) {
        const std::string &label = match.problemInSource ? m.source->label : m.label;
        Say(Kind::Problem, label.empty() ? match.problem : label + ": " + match.problem);
        o_.status = ExitStatus::BadUsage;
        return false;
    }
    for (const std::string &warning : match.warnings)
        Say(Kind::Warning, warning);
    // Every fit says how far it is off its data, whatever else the run does.
    if (match.source && !match.source->resistive)
        Say(Kind::Note, format::FitErrorLine(match.source->fit, "source"));
    Say(Kind::Note, format::FitErrorLine(match.fit, "load"));
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
    const std::vector<std::string> load =
        format::FitLines(*fit_, o_.match->source ? &o_.match->source->fit : nullptr);
    lines.insert(lines.end(), load.begin(), load.end());
    if (o_.match->source)
        lines.push_back(o_.match->source->bodeFano);
    return lines;
}

void Runner::SayNoSolution()
{
    if (o_.match && o_.match->dataUsedDirectly()) {
        // Not out of range: withheld, as the fit does not describe the load.
        Say(Kind::Problem, o_.design.boxes.errorReason +
                               (r_.candidates || r_.tune
                                    ? ""
                                    : "; " + r_.naming("--candidates") + " and " +
                                          r_.naming("--tune") + " match networks into the data"));
        return;
    }
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
    o_.lines = o_.standardOutput;
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
    SaySweepPastTheData();
    return true;
}

// A sweep file reaching past the measured data: its rows there are into the
// fitted model (marked so), as the window hatches that part of its plots.
void Runner::SaySweepPastTheData()
{
    const std::shared_ptr<const analysis::MeasuredLoad> &load = o_.design.measuredLoad;
    const auto csv = std::ranges::find_if(
        r_.files, [](const FileRequest &f) { return f.kind == ExportKind::SweepCsv; });
    if (!load || csv == r_.files.end())
        return;
    for (const analysis::MeasuredLoad *data : {load.get(), load->source.get()}) {
        if (!data || data->exact || data->frequenciesHz.empty())
            continue;
        const double first = data->frequenciesHz.front(), last = data->frequenciesHz.back();
        if (plan_.startHz >= first && plan_.stopHz <= last)
            continue;
        const bool source = data != load.get();
        if (!ModelsDescribe(*load)) {
            Say(Kind::Warning, csv->label + ": the sweep is cut to the " +
                                   (source ? "source's" : "load's") + " data (" +
                                   units::GhzFigure(units::Frequency::FromHz(first)) + " to " +
                                   units::GhzText(units::Frequency::FromHz(last)) +
                                   "): no fitted model describes the " +
                                   (load->modelDescribes ? "source" : "load") + " beyond them");
            continue;
        }
        Say(Kind::Warning, csv->label + ": the sweep " +
                               units::GhzFigure(units::Frequency::FromHz(plan_.startHz)) + " to " +
                               units::GhzText(units::Frequency::FromHz(plan_.stopHz)) +
                               " reaches past the " + (source ? "source's" : "load's") + " data (" +
                               units::GhzFigure(units::Frequency::FromHz(first)) + " to " +
                               units::GhzFigure(units::Frequency::FromHz(last)) +
                               " GHz); rows beyond the data are into the fitted model, marked "
                               "fitted_model");
    }
}

std::string Runner::DocumentOf(format::Json document) const
{
    if (o_.tuned)
        format::AddTunedJson(document, *o_.tuned, &*tunedAnalysis_);
    if (o_.candidates)
        format::AddCandidatesJson(document, *o_.candidates);
    if (o_.kit && o_.candidates)
        format::AddKitJson(document, *o_.kit, o_.kitChoices);
    if (o_.tunedKit)
        format::AddTunedKitJson(document, *o_.tunedKit);
    if (fit_) {
        format::AddFitJson(document, *fit_);
        const std::optional<SourceMatch> &source = o_.match->source;
        if (source)
            format::AddSourceFitJson(document, source->fit, source->resistive, source->bodeFano);
        format::DescribeDataInInputs(document, *fit_, source ? &source->fit : nullptr);
    }
    return format::DocumentText(document);
}

// The files' texts and the JSON document. The Touchstone and SPICE files
// describe the tuned network (on standard values when there are some) when
// there is one, else the design's full-precision network; the CSV has every
// network of its analysis.
void Runner::Render()
{
    const analysis::AnalysisOptions options = AnalysisOptionsFor(o_.design, r_.settings);
    if (Solved())
        o_.analysis = study_.Analyse(o_.design, DesignedOf(o_.design), options);
    analysis::NetworkAnalysis fileAnalysis, builtAnalysis;
    const analysis::Network *built = nullptr;
    if (o_.tuned) {
        tunedAnalysis_ = TunedAnalysis(*o_.tuned, o_.design, options);
        fileAnalysis = *tunedAnalysis_;
        if (o_.tuned->standard || o_.tunedKit) {
            built = o_.tunedKit ? &o_.tunedKit->network : &o_.tuned->standard->network;
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
    if (r_.network && fileAnalysis.band.centreHz > 0) {
        const analysis::Band band = fileAnalysis.band;
        fileAnalysis = {};
        fileAnalysis.band = band;
        fileAnalysis.full = fileAnalysis.printed = *r_.network;
        built = nullptr;
    }

    if (r_.json || std::ranges::any_of(
                       r_.files, [](const FileRequest &f) { return f.kind == ExportKind::Json; }))
        o_.document = json_ = DocumentOf(
            Goal()     ? GoalDocument()
            : Solved() ? format::DesignDocument(o_.design.inputs, o_.design.result,
                                                o_.design.reportError, &*o_.analysis)
                       : format::DesignDocument(o_.design.inputs, o_.design.result, {}, nullptr));
    std::vector<double> frequencies;
    if (NeedsSweep(r_))
        frequencies = analysis::SweepFrequencies(plan_);
    if (o_.kit && !frequencies.empty())
        WithinKitData(built ? *built : fileAnalysis.full, frequencies);
    if (const auto &load = o_.design.measuredLoad;
        load && !ModelsDescribe(*load) && !frequencies.empty())
        WithinLoadData(*load, frequencies);
    for (const FileRequest &file : r_.files) {
        std::string text;
        if (file.kind == ExportKind::Json) {
            text = json_;
        } else {
            const bool network = file.kind != ExportKind::SweepCsv;
            text = ExportText(file.kind, o_.design, built && network ? builtAnalysis : fileAnalysis,
                              frequencies, r_.touchstoneOhms);
        }
        o_.files.push_back({file, std::move(text), {}});
    }
}

// A network of measured parts is known only where all their data are: the
// sweep stops at the first part's last point (or starts at the last part's
// first) and says so.
void Runner::WithinKitData(const analysis::Network &network, std::vector<double> &frequencies)
{
    double lowHz = 0, highHz = std::numeric_limits<double>::infinity();
    for (const analysis::Part &part : network.parts)
        if (const analysis::KitPart *kit = analysis::KitPartOf(part)) {
            lowHz = std::max(lowHz, kit->data.frequenciesHz.front());
            highHz = std::min(highHz, kit->data.frequenciesHz.back());
        }
    const std::size_t before = frequencies.size();
    std::erase_if(frequencies, [&](double hz) { return hz < lowHz || hz > highHz; });
    if (frequencies.size() == before)
        return;
    if (frequencies.empty())
        throw std::runtime_error("the sweep lies outside the kit parts' data (" +
                                 units::GhzFigure(units::Frequency::FromHz(lowHz)) + " to " +
                                 units::GhzText(units::Frequency::FromHz(highHz)) + ")");
    Say(Kind::Warning, "the sweep is cut to " +
                           units::GhzFigure(units::Frequency::FromHz(frequencies.front())) +
                           " to " + units::GhzFigure(units::Frequency::FromHz(frequencies.back())) +
                           " GHz, where the data of every kit part of the network lie");
}

// A load no fitted model describes is known only where its data are (and a
// measured source's): the sweep keeps those frequencies, as said when the
// sweep was checked.
void Runner::WithinLoadData(const analysis::MeasuredLoad &load, std::vector<double> &frequencies)
{
    for (const analysis::MeasuredLoad *data : {&load, load.source.get()}) {
        if (!data || data->exact || data->frequenciesHz.empty())
            continue;
        const double first = data->frequenciesHz.front(), last = data->frequenciesHz.back();
        std::erase_if(frequencies, [&](double hz) { return hz < first || hz > last; });
    }
    if (frequencies.empty())
        throw std::runtime_error("the sweep lies outside the measured data");
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
            SayNoDesign();
            if (!Goal())
                SayWrittenInstead();
        }
        out += piped->text;
        const ExitStatus written = DesignStatus();
        o_.status =
            WithoutDesign() && written == ExitStatus::Designed ? ExitStatus::Tuned : written;
        return;
    }
    o_.lines = PlainText();
    if (WithoutDesign()) {
        SayNoDesign();
        out += r_.json ? json_ : o_.lines;
        if (!Goal())
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
    out = o_.lines;
}

// The lines standard output carries without --json: the pane lines, the
// fit, the figures, the tuned network and the candidates.
std::string Runner::PlainText() const
{
    std::string out;
    if (Goal())
        out += format::GoalNote(r_.goal) + "\n\n";
    if (WithoutDesign()) {
        if (fit_) {
            AppendLines(out, FitLines());
            out += '\n';
        }
        if (o_.tuned)
            AppendLines(out, TunedLines());
        if (o_.candidates)
            AppendLines(out += o_.tuned ? "\n" : "", CandidateLines());
        return out;
    }
    for (std::size_t i = 0; i < o_.design.report.pane.size(); ++i)
        ComposeLine(o_.design.report.pane[i], out, "\n");
    if (fit_)
        AppendLines(out += '\n', FitLines());
    // Into a measured load, the network check is the figure the engineer
    // came for, asked or not.
    if (r_.figures || fit_)
        AppendLines(out += '\n', format::AnalysisLines(*o_.analysis));
    if (o_.tuned)
        AppendLines(out += '\n', TunedLines());
    if (o_.candidates)
        AppendLines(out += '\n', CandidateLines());
    return out;
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
        o_.tuned = study_.Tune(o_.design, Choices(), r_.stop);
    if (o_.tuned && r_.partsFolder) {
        if (!ReadKit(o_.tuned->problem.band))
            return;
        o_.tunedKit =
            study_.TunedOnKit(o_.design, Choices(), *o_.tuned, *r_.partsFolder, *o_.kit, r_.stop);
    }
    tunedWithoutDesign_ = o_.tuned && !Solved();
    if (Candidates() && !BuildCandidates())
        return;

    if ((Solved() || WithoutDesign()) && NeedsSweep(r_)) {
        const analysis::Band band =
            tunedWithoutDesign_ && o_.tuned->relaxed
                ? analysis::BandOf(o_.tuned->relaxed->design.band)
            : tunedWithoutDesign_      ? o_.tuned->problem.band // started from a withheld design
            : Goal()                   ? r_.goal.Span()
            : candidatesWithoutDesign_ ? o_.candidates->candidates.front().problem.band
                                       : analysis::BandOf(o_.design.result.band);
        if (!CheckSweep(band))
            return;
    }
    if (r_.reportPath && !Goal())
        SaveReport(o_.design, *r_.reportPath);
    // Tuning a network without its load would answer another question.
    if (r_.tune && !Solved() && !o_.tuned)
        Say(Kind::Problem, r_.naming("--tune") +
                               ": no design absorbs this load, nor any value of it with lower "
                               "load Q; nothing was tuned");
    if (!Solved() && !WithoutDesign()) {
        if (r_.json)
            o_.standardOutput = o_.document =
                DocumentOf(format::DesignDocument(o_.design.inputs, o_.design.result, {}, nullptr));
        if (fit_)
            AppendLines(o_.lines, FitLines());
        if (!r_.json)
            o_.standardOutput = o_.lines;
        o_.status = PaneLines();
        return;
    }
    try {
        Render();
    } catch (const std::exception &e) {
        o_.files.clear();
        o_.standardOutput.clear();
        o_.document.clear();
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
    const DeviceOutcome &device = *run.outcome;
    const format::DeviceReport report{device.fileName, device.data.referenceOhms, device.points,
                                      device.pointsInBand, device.stride};
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
    AmplifierRun run = study_.Amplifier(input, r_.design.f1Text, r_.design.f2Text);
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
    const format::AmplifierReport report = AmplifierReportOf(input, a);
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
        else if (file.kind == ExportKind::Bom)
            written.text = format::AmplifierBomCsv(a.amplifier);
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

// A microstrip line's figures: the table or the JSON document, no report.
void Runner::Microstrip()
{
    MicrostripRun run = RunMicrostrip(*r_.microstrip);
    for (const std::string &warning : run.warnings)
        Say(Kind::Warning, r_.naming("--microstrip") + ": " + warning);
    if (!run.outcome) {
        Say(Kind::Problem, r_.naming("--microstrip") + ": " + run.problem);
        o_.status = ExitStatus::BadUsage;
        return;
    }
    if (r_.json)
        o_.standardOutput = format::MicrostripJson(run.outcome->report);
    else
        AppendLines(o_.standardOutput, format::MicrostripLines(run.outcome->report));
    o_.microstrip = std::move(run.outcome);
    o_.status = ExitStatus::Designed;
}

void Runner::Run()
{
    // Before anything is read or written: an output over a file the run
    // reads would replace the measurement it was made from.
    if (std::string refused = OutputOverInput(OutputFilesOf(r_), InputFilesOf(r_));
        !refused.empty()) {
        Say(Kind::Usage, std::move(refused));
        o_.status = ExitStatus::BadUsage;
        return;
    }
    if (r_.microstrip)
        return Microstrip();
    if (r_.amplifier)
        return Amplifier();
    if (r_.device)
        return Device();
    if (!CheckCandidateRequest() || !Design())
        return;
    const bool analyse =
        r_.json || r_.figures || r_.tune || Candidates() || !r_.files.empty() || r_.measuredLoad;
    if (analyse)
        Analysed();
    else
        PaneOnly();
}

} // namespace

Outcome Run(const Request &request)
{
    Outcome outcome;
    try {
        Study own;
        Runner(request, outcome, request.study ? *request.study : own).Run();
    } catch (const analysis::TuneCancelled &) {
        // Stopped before any file was written: the searches come first.
        Outcome stopped;
        stopped.status = ExitStatus::Stopped;
        stopped.messages.push_back({Message::Kind::Problem, "the run was stopped"});
        return stopped;
    }
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
