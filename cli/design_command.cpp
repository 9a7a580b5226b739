#include "cli/design_command.h"

#include "engine/design_run.h"
#include "report/report_file.h"

#include <ostream>
#include <utility>

namespace tevmar::cli {

namespace {

// Picks one of a fixed set of words, as an option button of a group.
std::function<std::string(const std::string &)>
Choose(Option &target, std::vector<std::pair<std::string, Option>> words)
{
    return [&target, words = std::move(words)](const std::string &value) -> std::string {
        std::string allowed;
        for (const auto &[word, option] : words) {
            if (value == word) {
                target = option;
                return {};
            }
            allowed += (allowed.empty() ? "" : ", ") + word;
        }
        return "\"" + value + "\" is not one of " + allowed;
    };
}

} // namespace

OptionTable DesignOptions(DesignRequest &request)
{
    return {
        {"--f1", "TEXT", "lower band edge in GHz", StoreText(request.f1Text)},
        {"--f2", "TEXT", "upper band edge in GHz", StoreText(request.f2Text)},
        {"--zhigh", "TEXT", "high port impedance in ohms", StoreText(request.zhighText)},
        {"--zlow", "TEXT", "low port impedance in ohms", StoreText(request.zlowText)},
        {"--order", "4|8|12", "network order, the number of reactive elements (default 4)",
         Choose(request.order, {{"4", Option::N4}, {"8", Option::N8}, {"12", Option::N12}})},
        {"--load", "TYPE",
         "load type: series-rl, series-rc, shunt-rl or shunt-rc (default series-rl)",
         Choose(request.loadType, {{"series-rl", Option::SRL},
                                   {"series-rc", Option::SRC},
                                   {"shunt-rl", Option::PRL},
                                   {"shunt-rc", Option::PRC}})},
        {"--absorb", "TEXT", "absorb the load's reactance: L in nH (RL) or C in pF (RC)",
         [&request](const std::string &value) -> std::string {
             if (HasLineBreak(value))
                 return "the text holds a line break, which no text box can hold";
             request.absorbText = value;
             return {};
         }},
    };
}

DesignOutcome RunDesign(const DesignRequest &request, const std::filesystem::path &reportPath)
{
    MemoryWindow window(request);
    ReportFile report(reportPath);
    DesignOutcome outcome;
    outcome.result = Calc_BP_Click(window, outcome.state, report);
    outcome.paneLines = window.pane();
    outcome.errorText = window.ReadText(TextBox::Error_text);
    return outcome;
}

int WriteOutcome(const DesignOutcome &outcome, std::ostream &out, std::ostream &err)
{
    if (outcome.result.status == DesignStatus::OutOfRange) {
        err << outcome.errorText << '\n';
        return kExitNoSolution;
    }
    for (const std::string &line : outcome.paneLines)
        out << line << '\n';
    out.flush();
    const bool written = static_cast<bool>(out);
    if (!written)
        err << "tevmar-cli: cannot write the design to standard output\n";
    if (outcome.result.status == DesignStatus::ReportNotSaved) {
        err << outcome.errorText << '\n' << "tevmar-cli: " << outcome.result.reportError << '\n';
        return kExitReportNotSaved;
    }
    if (!written)
        return kExitOutputFailed;
    return kExitDesigned;
}

} // namespace tevmar::cli
