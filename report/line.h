#pragma once

// A report line is a list of items written left to right from column 1.
// The same list is composed into character columns for the report file and
// into pixel positions for the output pane.

#include <string>
#include <variant>
#include <vector>

namespace tevmar {

struct TextItem
{
    std::string text;
};
// A real value written as sign position, shortest decimal magnitude, one space.
struct NumberItem
{
    double value;
};
struct SpacesItem
{
    int count;
};
// Moves to column n (counted from 1); breaks the line first when already past it.
struct ColumnItem
{
    int column;
};

using LineItem = std::variant<TextItem, NumberItem, SpacesItem, ColumnItem>;
using Line = std::vector<LineItem>;

inline LineItem Text(std::string text)
{
    return TextItem{std::move(text)};
}
inline LineItem Number(double value)
{
    return NumberItem{value};
}
inline LineItem Spaces(int count)
{
    return SpacesItem{count};
}
inline LineItem Column(int column)
{
    return ColumnItem{column};
}

// Composes one line into character columns. A column stop that lies behind
// the current position starts a new physical line, so one line may yield several.
std::vector<std::string> ComposeLine(const Line &line);
// As ComposeLine, appending the physical lines to `out`.
void ComposeLine(const Line &line, std::vector<std::string> &out);

} // namespace tevmar
