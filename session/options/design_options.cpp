#include "session/options/design_options.h"

#include "analysis/model/circuit_expression.h"
#include "session/types.h"

#include <charconv>
#include <functional>
#include <ostream>
#include <utility>
#include <vector>

namespace tevmar::session {

namespace {

// Picks one of a fixed set of words, as an option button of a group.
template <typename T>
std::function<std::string(const std::string &)> Choose(T &target,
                                                       std::vector<std::pair<std::string, T>> words)
{
    return [&target, words = std::move(words)](const std::string &value) -> std::string {
        std::string allowed;
        for (const auto &[word, choice] : words) {
            if (value == word) {
                target = choice;
                return {};
            }
            allowed += (allowed.empty() ? "" : ", ") + word;
        }
        return "\"" + value + "\" is not one of " + allowed;
    };
}

std::vector<std::pair<std::string, LoadType>> LoadWords()
{
    std::vector<std::pair<std::string, LoadType>> words;
    for (const LoadType type :
         {LoadType::SeriesRL, LoadType::SeriesRC, LoadType::ShuntRL, LoadType::ShuntRC})
        words.emplace_back(NamesOf(type).word, type);
    return words;
}

// Stores a box's text as typed and, when the box will read it as something
// other than what was typed ("2,5" as 2, "abc" as 0), says so in `warnings`.
std::function<std::string(const std::string &)> BoxText(std::string option, std::string &target,
                                                        std::vector<std::string> &warnings)
{
    return [option, &target, &warnings](const std::string &value) -> std::string {
        if (std::string problem = StoreText(target)(value); !problem.empty())
            return problem;
        const NumberReading reading = ExamineNumber(value);
        if (!reading.plain) {
            char number[32];
            const auto end = std::to_chars(number, number + sizeof number, reading.value).ptr;
            warnings.push_back(option + ": \"" + value + "\" read as " + std::string(number, end));
        }
        return {};
    };
}

// Stores a circuit's text once it reads as a circuit.
std::function<std::string(const std::string &)> StoreCircuit(std::optional<std::string> &target)
{
    return [&target](const std::string &value) -> std::string {
        try {
            analysis::Circuit::Parse(value);
        } catch (const analysis::CircuitError &e) {
            return e.what();
        }
        target = value;
        return {};
    };
}

} // namespace

OptionTable DesignOptions(DesignInputs &inputs, std::vector<std::string> &warnings,
                          const OptionNaming &naming)
{
    return {
        {"--f1", "TEXT", "lower band edge in GHz",
         BoxText(naming("--f1"), inputs.f1Text, warnings)},
        {"--f2", "TEXT", "upper band edge in GHz",
         BoxText(naming("--f2"), inputs.f2Text, warnings)},
        {"--zhigh", "TEXT", "high port impedance in ohms",
         BoxText(naming("--zhigh"), inputs.zhighText, warnings)},
        {"--zlow", "TEXT", "low port impedance in ohms",
         BoxText(naming("--zlow"), inputs.zlowText, warnings)},
        {"--order", "4|8|12", "network order, the number of reactive elements (default 4)",
         Choose<int>(inputs.networkOrder, {{"4", 4}, {"8", 8}, {"12", 12}})},
        {"--load", "TYPE",
         "load type: series-rl, series-rc, shunt-rl or shunt-rc (default series-rl)",
         Choose<LoadType>(inputs.loadType, LoadWords())},
        {"--absorb", "TEXT", "absorb the load's reactance: L in nH (RL) or C in pF (RC)",
         [&inputs, &warnings,
          absorb = naming("--absorb")](const std::string &value) -> std::string {
             if (std::string problem = BoxText(absorb, inputs.absorbText, warnings)(value);
                 !problem.empty())
                 return problem;
             inputs.absorb = true;
             return {};
         }},
    };
}

// Stores a fitted kind named as --load names it.
std::function<std::string(const std::string &)> StoreKind(std::optional<LoadType> &kind)
{
    return [&kind](const std::string &value) -> std::string {
        LoadType type{};
        if (std::string problem = Choose<LoadType>(type, LoadWords())(value); !problem.empty())
            return problem;
        kind = type;
        return {};
    };
}

OptionTable MeasuredLoadOptions(MeasuredLoadArguments &m)
{
    return {
        {"--load-s1p", "FILE.s1p", "match the load measured in this one-port Touchstone file",
         [&m](const std::string &value) -> std::string {
             if (value.empty() || HasLineBreak(value))
                 return "needs a file name";
             m.filePath = value;
             return {};
         }},
        {"--source", "OHMS", "the source resistance the measured load is matched to",
         StorePositive(m.sourceOhms)},
        {"--load-kind", "TYPE",
         "fit the measured load as this load type rather than the best-fitting one",
         StoreKind(m.loadKind)},
        {"--source-s1p", "FILE.s1p",
         "the source measured in this one-port Touchstone file, in place of --source",
         [&m](const std::string &value) -> std::string {
             if (value.empty() || HasLineBreak(value))
                 return "needs a file name";
             m.sourcePath = value;
             return {};
         }},
        {"--source-kind", "TYPE",
         "fit the measured source as this load type rather than the best-fitting one",
         StoreKind(m.sourceKind)},
        {"--load-circuit", "CIRCUIT",
         "the load as a circuit of R, L and C in place of --load-s1p: parts with their units "
         "in series (+) and parallel (||), grouped in parentheses, e.g. \"(20 + 2.7nH) || "
         "0.3pF\"",
         StoreCircuit(m.loadCircuit)},
        {"--source-circuit", "CIRCUIT", "the source as such a circuit, in place of --source-s1p",
         StoreCircuit(m.sourceCircuit)},
    };
}

} // namespace tevmar::session
