#include "session/views/part_choice.h"

#include "report/number_format.h"
#include "session/options/analysis_options.h"
#include "session/options/command_options.h"
#include "session/options/part_model_options.h"
#include "session/run/part_kit_folder.h"
#include "session/run/study.h"

#include <filesystem>
#include <vector>

namespace tevmar::session {

PartChoiceReading ApplyPartChoice(const PartChoice &choice, const ResponseSettings &settings,
                                  const analysis::Band *band)
{
    PartChoiceReading reading{settings, {}};
    ResponseSettings &s = reading.settings;
    s.inductorChip.reset();
    s.capacitorChip.reset();
    s.padPf = 0;
    s.partsFolder.clear();
    if (choice.source == PartSource::Ideal)
        return reading;
    if (choice.source == PartSource::Kit) {
        if (choice.kitFolder.empty())
            return {settings, "--parts: choose the kit's folder"};
        if (band) {
            const analysis::KitReading kit =
                ReadPartKit(choice.kitFolder, band->lowHz, band->highHz, s.srfMarginPercent);
            if (!kit.problem.empty())
                return {settings, "--parts: " + kit.problem};
        }
        s.partsFolder = choice.kitFolder;
        s.inductorQ.reset();
        s.capacitorQ.reset();
        return reading;
    }

    // The command line's own table reads the texts: one parser, one wording.
    AnalysisRequest request;
    std::vector<std::string> args;
    const auto add = [&args](const char *option, const std::string &text) {
        if (!text.empty()) {
            args.emplace_back(option);
            args.push_back(text);
        }
    };
    add("--l-model", choice.inductorModel);
    add("--c-model", choice.capacitorModel);
    add("--pad", choice.pad);
    const std::string problem = ParseArguments(args, AnalysisOptionTable(request));
    if (!problem.empty())
        return {settings, problem};
    s.inductorChip = request.inductorChip;
    s.capacitorChip = request.capacitorChip;
    s.padPf = request.padPf.value_or(0);
    if (s.inductorChip)
        s.inductorQ.reset();
    if (s.capacitorChip)
        s.capacitorQ.reset();
    return reading;
}

std::string KitProblem(Study &study, const ResponseSettings &settings, const analysis::Band &band)
{
    if (settings.partsFolder.empty())
        return {};
    // The study's reading, the one the candidates and the tune were built
    // from: a folder that cannot be listed is read afresh every time.
    const analysis::KitReading kit =
        study.Kit(settings.partsFolder, band, settings.srfMarginPercent);
    return kit.problem.empty() ? std::string() : "--parts: " + kit.problem;
}

std::string PartChoiceSummary(const ResponseSettings &s)
{
    std::string text;
    const auto add = [&text](const std::string &piece) {
        text += (text.empty() ? "" : ", ") + piece;
    };
    if (s.inductorChip)
        add("chip L " + InductorModelText(*s.inductorChip));
    else if (s.inductorQ)
        add("L Q " + Figure(*s.inductorQ, 6));
    if (s.capacitorChip)
        add("chip C " + CapacitorModelText(*s.capacitorChip));
    else if (s.capacitorQ)
        add("C Q " + Figure(*s.capacitorQ, 6));
    if (s.padPf > 0)
        add("pads " + Figure(s.padPf, 6) + " pF");
    if (!s.partsFolder.empty()) {
        // The folder's own name, "kits/0402/" as well as "kits/0402".
        std::filesystem::path folder = std::filesystem::path(s.partsFolder).lexically_normal();
        if (folder.filename().empty())
            folder = folder.parent_path();
        add("kit " + folder.filename().string());
    }
    return text.empty() ? "ideal parts" : text;
}

} // namespace tevmar::session
