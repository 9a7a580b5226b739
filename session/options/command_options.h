#pragma once

// A small table-driven parser for the command line: each option names itself,
// says whether it takes a value, and hands the value to its own handler. New
// options are new table rows; the parser and --help pick them up.

#include "session/options/option_naming.h"

#include <charconv>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace tevmar::session {

struct OptionSpec
{
    std::string name;      // "--f1"
    std::string valueName; // shown in --help ("TEXT", "4|8|12"); empty for a flag
    std::string help;      // one line for --help
    // Receives the value (empty for a flag). Returns the problem with it, or
    // an empty string when the value is accepted.
    std::function<std::string(const std::string &value)> apply;
    bool repeatable = false; // may be given more than once, each value applied in turn
};

using OptionTable = std::vector<OptionSpec>;

// Applies the arguments (program name excluded) to the table's handlers.
// A value follows its option as the next argument, taken verbatim even when it
// starts with "-", or is joined to it as "--name=value". Returns the first
// problem found (unknown option, missing value, an option given twice, a value
// its handler refuses, a stray argument), or an empty string. The problem
// names the option as `naming` does.
std::string ParseArguments(const std::vector<std::string> &args, const OptionTable &table,
                           const OptionNaming &naming = {});

// One value a front end other than a command line gives an option by its own
// name for it (the Python module's keyword "q_l" for --q-l): the value's text,
// or none where a flag is set.
struct NamedValue
{
    std::string name;
    std::optional<std::string> text;
};

// A value a front end hands over as a number, or a pair of numbers, rather
// than as text (the Python module's q_l=40 or l_range=(1, 100)), by the
// front end's name for the option. An option that reads such values checks
// them by the same rules as its text.
// A whole number (of an integer type, at most 2^53 in size) is quoted in a
// message in its digits, a real number in its shortest text.
struct TypedNumber
{
    double value = 0;
    bool whole = false;
};

using TypedValue = std::variant<TypedNumber, std::pair<TypedNumber, TypedNumber>>;

struct TypedNamedValue
{
    std::string name;
    TypedValue value;
};

// A typed value as a message quotes it, as it would have been typed: "40",
// "1:100", "inf".
std::string TypedValueText(const TypedValue &value);

// An option that reads typed values: its name (as OptionSpec's) and its
// reader, which returns the problem with the value or an empty string.
struct TypedOptionSpec
{
    std::string name;
    std::function<std::string(const TypedValue &value)> apply;
};

using TypedOptionTable = std::vector<TypedOptionSpec>;

// Applies the values to the table's handlers, each option found by the name
// `naming` gives it. Returns the first problem (an option given twice, a
// value for a flag or none for an option that takes one, a value its handler
// refuses) named as `naming` does, or an empty string; an unknown name is the
// caller's to refuse first (see IsNamedOption).
std::string ApplyNamedValues(const std::vector<NamedValue> &values, const OptionTable &table,
                             const OptionNaming &naming);

// True when `name` is how `naming` names an option of the table.
bool IsNamedOption(std::string_view name, const OptionTable &table, const OptionNaming &naming);

// The option list of --help, one aligned line per option.
std::string OptionListText(const OptionTable &table);

// A handler that stores the value in `target`; the texts stand for text boxes,
// which cannot hold a line break.
std::function<std::string(const std::string &)> StoreText(std::string &target);

// A handler for a flag that sets `target`.
std::function<std::string(const std::string &)> SetFlag(bool &target);

// True when the text holds a carriage return or a line feed.
bool HasLineBreak(std::string_view text);

// The whole text as a number of type T, or nothing.
template <typename T> std::optional<T> ParseWhole(const std::string &text)
{
    T value{};
    const char *end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc{} || stop != end)
        return std::nullopt;
    return value;
}

// A number written out in full ("50", "0.5", "1e3"), unlike the window's
// lenient boxes: a typing slip in an option that is not a box must not pass
// as 0.
std::optional<double> ParseNumber(const std::string &text);

// A handler that stores a positive number in `target`.
std::function<std::string(const std::string &)> StorePositive(std::optional<double> &target);

} // namespace tevmar::session
