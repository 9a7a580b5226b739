#include "session/views/part_choice.h"

#include "report/number_format.h"
#include "session/options/analysis_options.h"
#include "session/options/command_options.h"
#include "session/options/part_model_options.h"

#include <vector>

namespace tevmar::session {

PartChoiceReading ApplyPartChoice(const PartChoice &choice, const ResponseSettings &settings)
{
    PartChoiceReading reading{settings, {}};
    ResponseSettings &s = reading.settings;
    s.inductorChip.reset();
    s.capacitorChip.reset();
    s.padPf = 0;
    if (choice.source == PartSource::Ideal)
        return reading;

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
    return text.empty() ? "ideal parts" : text;
}

} // namespace tevmar::session
