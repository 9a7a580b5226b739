#include "report/line.h"

#include "report/number_text.h"

namespace tevmar {

namespace {

struct Composer
{
    std::vector<std::string> &lines; // the last one is the line being written

    std::string &current() { return lines.back(); }
    // Columns count from 1, so the next character goes to column size() + 1.
    int column() const { return static_cast<int>(lines.back().size()) + 1; }

    void operator()(const TextItem &item) { current() += item.text; }
    void operator()(const NumberItem &item) { AppendNumberItem(current(), item.value); }
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

void ComposeLine(const Line &line, std::vector<std::string> &out)
{
    out.emplace_back();
    Composer composer{out};
    for (const LineItem &item : line)
        std::visit(composer, item);
}

std::vector<std::string> ComposeLine(const Line &line)
{
    std::vector<std::string> lines;
    ComposeLine(line, lines);
    return lines;
}

} // namespace tevmar
