#pragma once

// Report lines: each a list of items written left to right from column 1.
// The same lines are composed into character columns for the report file and
// the terminal, and into pixel positions for the output pane. All lines of a
// report share one text buffer, so building a report costs a few allocations
// rather than one per item.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tevmar {

struct LineItem
{
    enum class Kind : std::uint8_t {
        Text,   // characters of the shared buffer
        Spaces, // `size` blanks
        Column  // moves to column `size` (counted from 1); a new line when already past it
    };
    Kind kind = Kind::Text;
    std::uint32_t begin = 0; // Text: first character in the buffer
    std::uint32_t size = 0;  // Text: length; Spaces: count; Column: the column
};

// One line of a LineList.
struct LineView
{
    std::span<const LineItem> items;
    std::string_view buffer;

    std::string_view TextOf(const LineItem &item) const
    {
        return buffer.substr(item.begin, item.size);
    }
};

class LineList
{
  public:
    void Reserve(std::size_t lines, std::size_t items, std::size_t characters);

    // Starts a new, empty line; the items added next belong to it.
    LineList &NewLine();
    LineList &Text(std::string_view text);
    // Extends the line's last text item, so that the pieces stay one item.
    LineList &Append(std::string_view text);
    // A real value: sign position (blank or "-"), shortest decimal magnitude, one blank.
    LineList &Number(double value);
    LineList &Spaces(int count);
    LineList &Column(int column);

    std::size_t size() const { return lineStarts_.size(); }
    bool empty() const { return lineStarts_.empty(); }
    LineView operator[](std::size_t line) const;

  private:
    std::string buffer_;
    std::vector<LineItem> items_;
    std::vector<std::uint32_t> lineStarts_; // index of each line's first item
};

// Lines composed straight into character columns, for text that is only ever
// read as characters (the report file, a terminal). A column stop behind the
// current position starts a new physical line, so one line may yield several.
// Every physical line is followed by `lineEnd`.
class ComposedText
{
  public:
    ComposedText(std::string &out, std::string_view lineEnd)
        : out_(out), lineEnd_(lineEnd), endAndBlanks_(lineEnd == "\r\n" ? kCrLfAndBlanks
                                                      : lineEnd == "\n" ? kLfAndBlanks
                                                                        : std::string_view())
    {
    }

    // Ends the line being written, if any, and starts a new one.
    ComposedText &NewLine();
    // The same, the new line starting with `indent` blanks.
    ComposedText &NewLine(int indent);
    ComposedText &Text(std::string_view text);
    ComposedText &Append(std::string_view text) { return Text(text); }
    ComposedText &Number(double value);
    ComposedText &Spaces(int count);
    ComposedText &Column(int column);
    // Ends the last line.
    void Finish();

  private:
    // Runs of blanks are appended as text, by length: one copy, where
    // append(count, ' ') goes through the string's general replace. A report
    // file has a run of blanks on every line and before every column.
    static constexpr std::string_view kBlanks =
        "                                                                ";
    static constexpr std::string_view kCrLfAndBlanks =
        "\r\n                                                                ";
    static constexpr std::string_view kLfAndBlanks =
        "\n                                                                ";
    void AppendBlanks(std::size_t count);

    std::string &out_;
    std::string_view lineEnd_;
    // The line end followed by kBlanks, for the common line ends; empty
    // for others.
    std::string_view endAndBlanks_;
    std::size_t lineStart_ = 0;
    bool open_ = false;
};

// The items every report line is made of, inline: a report adds some two
// hundred of them, each only an append.
inline LineList &LineList::NewLine()
{
    lineStarts_.push_back(static_cast<std::uint32_t>(items_.size()));
    return *this;
}

inline LineList &LineList::Text(std::string_view text)
{
    const auto begin = static_cast<std::uint32_t>(buffer_.size());
    buffer_.append(text);
    items_.push_back({LineItem::Kind::Text, begin, static_cast<std::uint32_t>(text.size())});
    return *this;
}

inline LineList &LineList::Spaces(int count)
{
    items_.push_back(
        {LineItem::Kind::Spaces, 0, static_cast<std::uint32_t>(count > 0 ? count : 0)});
    return *this;
}

inline LineList &LineList::Column(int column)
{
    items_.push_back(
        {LineItem::Kind::Column, 0, static_cast<std::uint32_t>(column > 1 ? column : 1)});
    return *this;
}

inline ComposedText &ComposedText::NewLine()
{
    if (open_)
        out_ += lineEnd_;
    open_ = true;
    lineStart_ = out_.size();
    return *this;
}

inline ComposedText &ComposedText::NewLine(int indent)
{
    const auto blanks = static_cast<std::size_t>(indent > 0 ? indent : 0);
    if (endAndBlanks_.empty() || blanks > kBlanks.size())
        return NewLine().Spaces(indent);
    // The line end and the indent in one append.
    const std::size_t end = open_ ? lineEnd_.size() : 0;
    out_.append(endAndBlanks_.data() + lineEnd_.size() - end, end + blanks);
    open_ = true;
    lineStart_ = out_.size() - blanks;
    return *this;
}

inline ComposedText &ComposedText::Text(std::string_view text)
{
    out_ += text;
    return *this;
}

inline void ComposedText::AppendBlanks(std::size_t count)
{
    if (count <= kBlanks.size())
        out_.append(kBlanks.data(), count);
    else
        out_.append(count, ' ');
}

inline ComposedText &ComposedText::Spaces(int count)
{
    if (count > 0)
        AppendBlanks(static_cast<std::size_t>(count));
    return *this;
}

// Appends the line composed into character columns to `out`, each physical
// line followed by `lineEnd`.
void ComposeLine(const LineView &line, std::string &out, std::string_view lineEnd);
// As above, appending each physical line to `out` as a string.
void ComposeLine(const LineView &line, std::vector<std::string> &out);
std::vector<std::string> ComposeLines(const LineList &lines);

} // namespace tevmar
