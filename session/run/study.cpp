#include "session/run/study.h"

#include "session/run/kit_parts.h"
#include "session/run/part_kit_folder.h"

#include <algorithm>
#include <filesystem>
#include <tuple>
#include <utility>

namespace tevmar::session {

namespace {

bool Same(const DesignInputs &a, const DesignInputs &b)
{
    return std::tie(a.f1Text, a.f2Text, a.zhighText, a.zlowText, a.networkOrder, a.loadType,
                    a.absorb, a.absorbText) == std::tie(b.f1Text, b.f2Text, b.zhighText, b.zlowText,
                                                        b.networkOrder, b.loadType, b.absorb,
                                                        b.absorbText);
}

bool Same(const analysis::LossModel &a, const analysis::LossModel &b)
{
    return std::tie(a.inductorQ, a.capacitorQ, a.centreHz, a.model, a.inductorChip, a.capacitorChip,
                    a.padPf, a.srfMarginPercent) ==
           std::tie(b.inductorQ, b.capacitorQ, b.centreHz, b.model, b.inductorChip, b.capacitorChip,
                    b.padPf, b.srfMarginPercent);
}

bool Same(const SearchChoices &a, const SearchChoices &b)
{
    return a.series == b.series && a.ranges == b.ranges && Same(a.built, b.built) &&
           a.goal == b.goal;
}

bool Same(const std::optional<analysis::YieldOptions> &a,
          const std::optional<analysis::YieldOptions> &b)
{
    if (!a || !b)
        return !a && !b;
    return std::tie(a->trials, a->tolerancePercent, a->seed, a->vswrLimit, a->bandPoints) ==
           std::tie(b->trials, b->tolerancePercent, b->seed, b->vswrLimit, b->bandPoints);
}

bool Same(const analysis::AnalysisOptions &a, const analysis::AnalysisOptions &b)
{
    return a.eseries == b.eseries && Same(a.monteCarlo, b.monteCarlo) &&
           a.sensitivity == b.sensitivity && a.measuredLoad == b.measuredLoad &&
           Same(a.built, b.built);
}

// What a design is for the stages after it: the boxes as typed and, for a
// design made for a measured load, that load (held, so that its address
// cannot pass for a later load's). Its design result follows from these.
struct DesignKey
{
    DesignInputs inputs;
    std::shared_ptr<const analysis::MeasuredLoad> measured;

    explicit DesignKey(const CalculateOutcome &d) : inputs(d.inputs), measured(d.measuredLoad) {}
    friend bool operator==(const DesignKey &a, const DesignKey &b)
    {
        return a.measured == b.measured && Same(a.inputs, b.inputs);
    }
};

struct SearchKey
{
    DesignKey design;
    SearchChoices choices;
    friend bool operator==(const SearchKey &a, const SearchKey &b)
    {
        return a.design == b.design && Same(a.choices, b.choices);
    }
};

// A kit folder as last seen: its files' names, sizes and times, so that a
// part file added or rewritten reads the kit again.
struct FolderKey
{
    std::string folder;
    double lowHz = 0, highHz = 0;
    double srfMarginPercent = 0;
    std::vector<std::tuple<std::string, std::uintmax_t, std::filesystem::file_time_type>> files;
    friend bool operator==(const FolderKey &, const FolderKey &) = default;
};

// Empty when the folder cannot be listed: its reading is then never kept.
std::optional<FolderKey> FolderKeyOf(const std::string &folder, double lowHz, double highHz,
                                     double srfMarginPercent)
{
    FolderKey key{folder, lowHz, highHz, srfMarginPercent, {}};
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(folder, error)) {
        std::error_code sizeError, timeError;
        const std::uintmax_t size = entry.file_size(sizeError);
        const auto time = entry.last_write_time(timeError);
        key.files.emplace_back(entry.path().filename().string(), sizeError ? 0 : size,
                               timeError ? std::filesystem::file_time_type{} : time);
    }
    if (error)
        return std::nullopt;
    std::ranges::sort(key.files);
    return key;
}

struct KitKey
{
    SearchKey search;
    FolderKey folder;
    friend bool operator==(const KitKey &a, const KitKey &b)
    {
        return a.search == b.search && a.folder == b.folder;
    }
};

// A file as last seen: its size and time, so that a file rewritten is read
// again. A file that cannot be looked at has no stamp (the run reports it).
struct FileStamp
{
    std::string path;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type time{};
    friend bool operator==(const FileStamp &, const FileStamp &) = default;
};

std::optional<FileStamp> StampOf(const std::optional<std::string> &path)
{
    if (!path)
        return std::nullopt;
    std::error_code sizeError, timeError;
    FileStamp stamp{*path, std::filesystem::file_size(*path, sizeError),
                    std::filesystem::last_write_time(*path, timeError)};
    if (sizeError || timeError)
        return std::nullopt;
    return stamp;
}

bool Same(const analysis::TwoPortMatrix &a, const analysis::TwoPortMatrix &b)
{
    return std::tie(a.s11, a.s12, a.s21, a.s22) == std::tie(b.s11, b.s12, b.s21, b.s22);
}

bool Same(const analysis::TwoPortData &a, const analysis::TwoPortData &b)
{
    const auto sameNoise = [](const analysis::NoisePoint &x, const analysis::NoisePoint &y) {
        return std::tie(x.frequencyHz, x.nfMinDb, x.gammaOpt, x.rnOhms) ==
               std::tie(y.frequencyHz, y.nfMinDb, y.gammaOpt, y.rnOhms);
    };
    return a.frequenciesHz == b.frequenciesHz && a.referenceOhms == b.referenceOhms &&
           a.version2 == b.version2 && a.warnings == b.warnings &&
           std::ranges::equal(a.s, b.s, [](const auto &x, const auto &y) { return Same(x, y); }) &&
           std::ranges::equal(a.noise, b.noise, sameNoise);
}

// What an amplifier follows from: every setting of the request, the band as
// typed, the device's data where the request holds them, and the files it
// reads as they stood.
struct AmplifierKey
{
    AmplifierInput input;
    std::string f1Text, f2Text;
    std::optional<FileStamp> device, source, load;
    std::optional<FolderKey> kit;

    friend bool operator==(const AmplifierKey &a, const AmplifierKey &b)
    {
        const AmplifierInput &x = a.input, &y = b.input;
        const bool sameData = x.data && y.data ? Same(*x.data, *y.data) : !x.data && !y.data;
        return sameData && Same(x.built, y.built) &&
               std::tie(x.filePath, x.goal, x.sourceOhms, x.loadOhms, x.label, x.sourceS1p,
                        x.loadS1p, x.sourceLabel, x.loadLabel, x.stabilityMargin,
                        x.tolerancePercent, x.partsFolder, x.partsLabel, x.stabilise) ==
                   std::tie(y.filePath, y.goal, y.sourceOhms, y.loadOhms, y.label, y.sourceS1p,
                            y.loadS1p, y.sourceLabel, y.loadLabel, y.stabilityMargin,
                            y.tolerancePercent, y.partsFolder, y.partsLabel, y.stabilise) &&
               std::tie(a.f1Text, a.f2Text, a.device, a.source, a.load, a.kit) ==
                   std::tie(b.f1Text, b.f2Text, b.device, b.source, b.load, b.kit);
    }
};

struct AnalysisKey
{
    DesignKey design;
    analysis::AnalysisOptions options;
    friend bool operator==(const AnalysisKey &a, const AnalysisKey &b)
    {
        return a.design == b.design && Same(a.options, b.options);
    }
};

// The latest inputs of a stage and what it found for them.
template <class Key, class Value> struct Kept
{
    std::optional<Key> key;
    std::shared_ptr<const Value> value;

    std::shared_ptr<const Value> For(const Key &k) const
    {
        return key && *key == k ? value : nullptr;
    }
    void Keep(Key k, Value v)
    {
        key = std::move(k);
        value = std::make_shared<const Value>(std::move(v));
    }
};

} // namespace

struct Study::Memory
{
    Kept<DesignInputs, CalculateOutcome> design;
    Kept<SearchKey, std::optional<analysis::TunedNetwork>> tune;
    Kept<SearchKey, analysis::CandidateSet> candidates;
    Kept<FolderKey, analysis::KitReading> kit;
    Kept<KitKey, analysis::KitChoice> tunedKit;
    Kept<KitKey, CandidatesOnKit> candidatesKit;
    Kept<AnalysisKey, analysis::NetworkAnalysis> analysis;
    Kept<AmplifierKey, AmplifierRun> amplifier;
};

Study::Study() : memory_(std::make_unique<Memory>()) {}
Study::~Study() = default;

int Study::runs(Stage stage) const
{
    const std::lock_guard lock(mutex_);
    return runs_[static_cast<std::size_t>(stage)];
}

void Study::Count(Stage stage)
{
    const std::lock_guard lock(mutex_);
    ++runs_[static_cast<std::size_t>(stage)];
}

namespace {

// A stage's finding for `key`: the one kept when its inputs are the same,
// else `compute`d (outside the lock, so that a stop or another stage is not
// held up) and kept.
template <class Key, class Value, class Compute>
Value Ask(std::mutex &mutex, Kept<Key, Value> &kept, const Key &key, Compute compute,
          const std::function<void()> &count)
{
    {
        const std::lock_guard lock(mutex);
        if (const std::shared_ptr<const Value> found = kept.For(key))
            return *found;
    }
    count();
    Value value = compute();
    const std::lock_guard lock(mutex);
    kept.Keep(key, value);
    return value;
}

} // namespace

CalculateOutcome Study::Design(const DesignInputs &inputs)
{
    {
        const std::lock_guard lock(mutex_);
        const Kept<DesignInputs, CalculateOutcome> &kept = memory_->design;
        if (kept.key && Same(*kept.key, inputs))
            return *kept.value;
    }
    Count(Stage::Design);
    CalculateOutcome outcome = Calculate(inputs);
    const std::lock_guard lock(mutex_);
    memory_->design.Keep(inputs, outcome);
    return outcome;
}

std::optional<analysis::TunedNetwork> Study::Tune(const CalculateOutcome &design,
                                                  const SearchChoices &choices,
                                                  const std::atomic<bool> *stop)
{
    // A candidate was tuned into the true load when it was found: tuning it
    // again would find it again.
    if (design.origin.tune)
        return design.origin.tune;
    return Ask(
        mutex_, memory_->tune, SearchKey{DesignKey(design), choices},
        [&] {
            return analysis::TuneDesign(design.inputs, design.result, choices.series, stop,
                                        design.measuredLoad, choices.ranges, choices.built);
        },
        [this] { Count(Stage::Tune); });
}

analysis::CandidateSet Study::Candidates(const CalculateOutcome &design,
                                         const SearchChoices &choices,
                                         const std::atomic<bool> *stop,
                                         std::function<void(int done, int total)> progress)
{
    return Ask(
        mutex_, memory_->candidates, SearchKey{DesignKey(design), choices},
        [&] {
            analysis::CandidateOptions options;
            options.series = choices.series;
            options.ranges = choices.ranges;
            options.built = choices.built;
            options.goal = choices.goal;
            options.stop = stop;
            options.progress = std::move(progress);
            return analysis::BuildCandidates(design.inputs, design.result, design.measuredLoad,
                                             options);
        },
        [this] { Count(Stage::Candidates); });
}

analysis::KitReading Study::Kit(const std::string &folder, const analysis::Band &band,
                                double srfMarginPercent)
{
    const std::optional<FolderKey> key =
        FolderKeyOf(folder, band.lowHz, band.highHz, srfMarginPercent);
    if (!key) { // nothing to compare with next time: its problem is read again
        Count(Stage::Kit);
        return ReadPartKit(folder, band.lowHz, band.highHz, srfMarginPercent);
    }
    return Ask(
        mutex_, memory_->kit, *key,
        [&] { return ReadPartKit(folder, band.lowHz, band.highHz, srfMarginPercent); },
        [this] { Count(Stage::Kit); });
}

analysis::KitChoice Study::TunedOnKit(const CalculateOutcome &design, const SearchChoices &choices,
                                      const analysis::TunedNetwork &tuned,
                                      const std::string &folder, const analysis::Kit &kit,
                                      const std::atomic<bool> *stop)
{
    const auto choose = [&] {
        return analysis::ChooseKitParts(tuned.tuned.network, tuned.problem.band, kit, stop);
    };
    // The kit as read for its own band: the key holds that band.
    const std::optional<FolderKey> folderKey =
        FolderKeyOf(folder, kit.lowHz, kit.highHz, kit.srfMarginPercent);
    if (!folderKey || design.origin.tune) { // a candidate's own tune is not the stage's
        Count(Stage::Kit);
        return choose();
    }
    return Ask(mutex_, memory_->tunedKit, KitKey{SearchKey{DesignKey(design), choices}, *folderKey},
               choose, [this] { Count(Stage::Kit); });
}

CandidatesOnKit Study::CandidatesOnKitParts(const CalculateOutcome &design,
                                            const SearchChoices &choices,
                                            const analysis::CandidateSet &set,
                                            const std::string &folder, const analysis::Kit &kit,
                                            const std::atomic<bool> *stop)
{
    const auto put = [&] {
        CandidatesOnKit on{set, {}};
        on.choices = PutCandidatesOnKit(on.set, kit, stop);
        return on;
    };
    if (set.candidates.empty())
        return CandidatesOnKit{set, {}};
    const std::optional<FolderKey> folderKey =
        FolderKeyOf(folder, kit.lowHz, kit.highHz, kit.srfMarginPercent);
    if (!folderKey) {
        Count(Stage::Kit);
        return put();
    }
    return Ask(mutex_, memory_->candidatesKit,
               KitKey{SearchKey{DesignKey(design), choices}, *folderKey}, put,
               [this] { Count(Stage::Kit); });
}

analysis::NetworkAnalysis Study::Analyse(const CalculateOutcome &design,
                                         const analysis::DesignedNetwork &network,
                                         const analysis::AnalysisOptions &options)
{
    const auto analyse = [&] { return analysis::AnalyseDesign(network, options); };
    // Only the synthesis's own network follows from the design's inputs
    // alone; a tuned or picked network is analysed afresh.
    if (design.origin.source != NetworkSource::Synthesis || !design.network ||
        &network != &*design.network) {
        Count(Stage::Analysis);
        return analyse();
    }
    return Ask(mutex_, memory_->analysis, AnalysisKey{DesignKey(design), options}, analyse,
               [this] { Count(Stage::Analysis); });
}

AmplifierRun Study::Amplifier(const AmplifierInput &input, const std::string &f1Text,
                              const std::string &f2Text, const std::atomic<bool> *stop)
{
    const auto design = [&] { return RunAmplifier(input, f1Text, f2Text, stop); };
    AmplifierKey key{input, f1Text, f2Text, std::nullopt, std::nullopt, std::nullopt, std::nullopt};
    key.device = input.data ? std::nullopt : StampOf(input.filePath);
    key.source = StampOf(input.sourceS1p);
    key.load = StampOf(input.loadS1p);
    if (input.partsFolder)
        key.kit = FolderKeyOf(*input.partsFolder, 0, 0, 0);
    // A file that cannot be looked at now is read (and its problem told)
    // again next time.
    const bool unseen = (!input.data && !key.device) || (input.sourceS1p && !key.source) ||
                        (input.loadS1p && !key.load) || (input.partsFolder && !key.kit);
    if (unseen) {
        Count(Stage::Amplifier);
        return design();
    }
    return Ask(mutex_, memory_->amplifier, key, design, [this] { Count(Stage::Amplifier); });
}

} // namespace tevmar::session
