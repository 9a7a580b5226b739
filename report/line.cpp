#include "report/line.h"

#include "report/number_text.h"

namespace tevmar {

namespace {

struct Composer
{
    std::vector<std::string> lines{std::string{}};

    std::string &current() { return lines.back(); }
    // Columns count from 1, so the next character goes to column size() + 1.
    int column() const { return static_cast<int>(lines.back().size()) + 1; }

    void operator()(const TextItem &item) { current() += item.text; }
    void operator()(const NumberItem &item) { current() += NumberItemText(item.value); }
    void operator()(const SpacesItem &item)
    {
        if (item.count > 0)
            current().append(static_cast<std::size_t>(item.count), ' ');
    }
    void operator()(const ColumnItem &item)
    {
        if (column() > item.column)
            lines.emplace_back();
        if (column() < item.column)
            current().append(static_cast<std::size_t>(item.column - column()), ' ');
    }
};

} // namespace

std::vector<std::string> ComposeLine(const Line &line)
{
    Composer composer;
    for (const LineItem &item : line)
        std::visit(composer, item);
    return std::move(composer.lines);
}

} // namespace tevmar
