#include "report/line.h"

#include "report/number_text.h"

namespace tevmar {

void LineList::Reserve(std::size_t lines, std::size_t items, std::size_t characters)
{
    lineStarts_.reserve(lines);
    items_.reserve(items);
    buffer_.reserve(characters);
}

LineList &LineList::Append(std::string_view text)
{
    if (lineStarts_.empty() || items_.empty() || items_.back().kind != LineItem::Kind::Text ||
        lineStarts_.back() == items_.size())
        return Text(text);
    buffer_.append(text);
    items_.back().size += static_cast<std::uint32_t>(text.size());
    return *this;
}

LineList &LineList::Number(double value)
{
    const auto begin = static_cast<std::uint32_t>(buffer_.size());
    AppendNumberItem(buffer_, value);
    items_.push_back(
        {LineItem::Kind::Text, begin, static_cast<std::uint32_t>(buffer_.size() - begin)});
    return *this;
}

LineView LineList::operator[](std::size_t line) const
{
    const std::size_t first = lineStarts_[line];
    const std::size_t last = line + 1 < lineStarts_.size() ? lineStarts_[line + 1] : items_.size();
    return LineView{std::span<const LineItem>(items_.data() + first, last - first), buffer_};
}

ComposedText &ComposedText::Number(double value)
{
    AppendNumberItem(out_, value);
    return *this;
}

ComposedText &ComposedText::Column(int column)
{
    // Columns count from 1, so the next character goes to column length + 1.
    const auto stop = static_cast<std::size_t>(column > 1 ? column : 1);
    if (out_.size() - lineStart_ + 1 > stop) {
        out_ += lineEnd_;
        lineStart_ = out_.size();
    }
    const std::size_t length = out_.size() - lineStart_;
    if (length + 1 < stop)
        AppendBlanks(stop - 1 - length);
    return *this;
}

void ComposedText::Finish()
{
    if (open_)
        out_ += lineEnd_;
    open_ = false;
}

void ComposeLine(const LineView &line, std::string &out, std::string_view lineEnd)
{
    ComposedText text(out, lineEnd);
    text.NewLine();
    for (const LineItem &item : line.items) {
        switch (item.kind) {
        case LineItem::Kind::Text:
            text.Text(line.TextOf(item));
            break;
        case LineItem::Kind::Spaces:
            text.Spaces(static_cast<int>(item.size));
            break;
        case LineItem::Kind::Column:
            text.Column(static_cast<int>(item.size));
            break;
        }
    }
    text.Finish();
}

void ComposeLine(const LineView &line, std::vector<std::string> &out)
{
    std::string text;
    ComposeLine(line, text, "\n");
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos;
         start = end + 1, end = text.find('\n', start))
        out.emplace_back(text, start, end - start);
}

std::vector<std::string> ComposeLines(const LineList &lines)
{
    std::vector<std::string> out;
    out.reserve(lines.size() + 4);
    for (std::size_t i = 0; i < lines.size(); ++i)
        ComposeLine(lines[i], out);
    return out;
}

} // namespace tevmar
