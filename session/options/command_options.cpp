#include "session/options/command_options.h"

#include "report/number_format.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace tevmar::session {

namespace {

const OptionSpec *Find(const OptionTable &table, std::string_view name)
{
    const auto it = std::find_if(table.begin(), table.end(),
                                 [&](const OptionSpec &spec) { return spec.name == name; });
    return it == table.end() ? nullptr : &*it;
}

} // namespace

std::string ParseArguments(const std::vector<std::string> &args, const OptionTable &table,
                           const OptionNaming &naming)
{
    std::set<std::string> seen;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        const std::size_t equals = arg.find('=');
        const bool joined = arg.starts_with("--") && equals != std::string::npos;
        const std::string name = joined ? arg.substr(0, equals) : arg;

        const OptionSpec *spec = Find(table, name);
        if (spec == nullptr)
            return arg.starts_with("-") ? "unknown option \"" + naming(name) + "\""
                                        : "unexpected argument \"" + arg + "\"";
        if (!seen.insert(name).second && !spec->repeatable)
            return naming(name) + " given more than once";

        std::string value;
        if (spec->valueName.empty()) {
            if (joined)
                return naming(name) + " takes no value";
        } else if (joined) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return naming(name) + " needs a value";
        }
        if (std::string problem = spec->apply(value); !problem.empty())
            return naming(name) + ": " + problem;
    }
    return {};
}

bool IsNamedOption(std::string_view name, const OptionTable &table, const OptionNaming &naming)
{
    return std::ranges::any_of(table,
                               [&](const OptionSpec &spec) { return naming(spec.name) == name; });
}

std::string ApplyNamedValues(const std::vector<NamedValue> &values, const OptionTable &table,
                             const OptionNaming &naming)
{
    std::set<std::string> seen;
    for (const NamedValue &value : values) {
        const auto spec = std::ranges::find_if(
            table, [&](const OptionSpec &s) { return naming(s.name) == value.name; });
        if (spec == table.end())
            return "unknown option \"" + value.name + "\"";
        if (!seen.insert(spec->name).second)
            return value.name + " given more than once";
        if (spec->valueName.empty() && value.text)
            return value.name + " takes no value";
        if (!spec->valueName.empty() && !value.text)
            return value.name + " needs a value";
        if (std::string problem = spec->apply(value.text.value_or("")); !problem.empty())
            return value.name + ": " + problem;
    }
    return {};
}

std::string OptionListText(const OptionTable &table)
{
    std::size_t width = 0;
    for (const OptionSpec &spec : table)
        width = std::max(width, spec.name.size() + 1 + spec.valueName.size());
    std::string text;
    for (const OptionSpec &spec : table) {
        std::string left = spec.name;
        if (!spec.valueName.empty())
            left += " " + spec.valueName;
        left.resize(width + 2, ' ');
        text += "  " + left + spec.help + "\n";
    }
    return text;
}

std::function<std::string(const std::string &)> StoreText(std::string &target)
{
    return [&target](const std::string &value) -> std::string {
        if (HasLineBreak(value))
            return "the text holds a line break, which no text box can hold";
        target = value;
        return {};
    };
}

std::function<std::string(const std::string &)> SetFlag(bool &target)
{
    return [&target](const std::string &) -> std::string {
        target = true;
        return {};
    };
}

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != text.npos;
}

std::optional<double> ParseNumber(const std::string &text)
{
    const std::optional<double> value = ParseWhole<double>(text);
    return value && std::isfinite(*value) ? value : std::nullopt;
}

std::string TypedValueText(const TypedValue &value)
{
    const auto text = [](const TypedNumber &number) -> std::string {
        if (number.whole && std::abs(number.value) <= 9007199254740992.0)
            return std::to_string(static_cast<long long>(number.value));
        if (std::isfinite(number.value))
            return ShortestNumber(number.value);
        return std::isnan(number.value) ? "nan" : number.value > 0 ? "inf" : "-inf";
    };
    if (const auto *pair = std::get_if<std::pair<TypedNumber, TypedNumber>>(&value))
        return text(pair->first) + ":" + text(pair->second);
    return text(std::get<TypedNumber>(value));
}

std::function<std::string(const std::string &)> StorePositive(std::optional<double> &target)
{
    return [&target](const std::string &value) -> std::string {
        const std::optional<double> number = ParseNumber(value);
        if (!number || *number <= 0)
            return "\"" + value + "\" is not a positive number";
        target = number;
        return {};
    };
}

} // namespace tevmar::session
