#include "report/report_lines.h"

#include "report/number_text.h"

#include <utility>

namespace tevmar {

namespace {

// Every file line but the empty ones starts with this indent.
constexpr int kFileIndent = 9;

// A line of the given items, built in place.
template <class... Items> Line MakeLine(Items &&...items)
{
    Line line;
    line.reserve(sizeof...(items));
    (line.push_back(std::forward<Items>(items)), ...);
    return line;
}

// A file line: the indent, then the given items.
template <class... Items> Line FileLine(Items &&...items)
{
    return MakeLine(Spaces(kFileIndent), std::forward<Items>(items)...);
}

// A loss line: label, loss in dB, "VSWR=" and the VSWR, at the given stops.
template <class... Indent>
Line LossLine(const char *label, double lossDb, double vswr, const int (&stops)[3],
              Indent... indent)
{
    return MakeLine(indent..., Text(label), Column(stops[0]), Text(FormatMask(lossDb, Mask::Q)),
                    Column(stops[1]), Text("VSWR="), Column(stops[2]),
                    Text(FormatMask(vswr, Mask::Vswr) + ":1"));
}

} // namespace

ReportLines HeaderLines(const HeaderFigures &figures)
{
    const std::string qt = "Qt=" + FormatMask(figures.Qt, Mask::Q);
    const std::string source = "Source Q=" + FormatMask(figures.sourceQ, Mask::Q);
    const std::string load = "Load   Q=" + FormatMask(figures.loadQ, Mask::Q);
    const std::string ratio =
        "Impedance Transformation =" + FormatMask(figures.ratio, Mask::Ratio) + " times";

    ReportLines lines;
    auto &pane = lines.pane;
    pane.reserve(7);
    pane.push_back(MakeLine(Text(qt)));
    if (figures.zeroDbOffset)
        pane.push_back(MakeLine(Text("0 dB offset case")));
    pane.push_back(MakeLine(Text(source)));
    pane.push_back(MakeLine(Text(load)));
    pane.emplace_back();
    pane.push_back(MakeLine(Text(ratio)));
    pane.emplace_back();

    auto &file = lines.file;
    file.reserve(13);
    file.push_back(FileLine(Text("   TEVMAR")));
    file.push_back(FileLine(Text("        Vendrel Design Tools")));
    file.emplace_back();
    file.push_back(FileLine(Text(figures.f1Text + " to " + figures.f2Text + " GHz")));
    file.emplace_back();
    file.push_back(FileLine(Text(qt)));
    if (figures.zeroDbOffset)
        file.push_back(FileLine(Text("0 dB offset case")));
    file.push_back(FileLine(Text(source)));
    file.push_back(FileLine(Text(load)));
    file.push_back(FileLine());
    file.push_back(FileLine(Text(figures.zhighText + " to " + figures.zlowText + " Ohms")));
    file.push_back(FileLine(Text(ratio)));
    file.emplace_back();
    return lines;
}

ReportLines LossLines(const LossFigures &figures)
{
    constexpr int paneStops[3] = {15, 25, 32};
    constexpr int fileStops[3] = {24, 34, 40};
    const LineItem indent = Spaces(kFileIndent);
    ReportLines lines;
    lines.pane.reserve(3);
    lines.pane.push_back(LossLine("Max Loss(dB)=", figures.LmaxDb, figures.Smax, paneStops));
    lines.pane.push_back(LossLine("Min Loss(dB)=", figures.LminDb, figures.Smin, paneStops));
    lines.pane.emplace_back();
    lines.file.reserve(3);
    lines.file.push_back(
        LossLine("Max Loss(dB)=", figures.LmaxDb, figures.Smax, fileStops, indent));
    lines.file.push_back(
        LossLine("Min Loss(dB)=", figures.LminDb, figures.Smin, fileStops, indent));
    lines.file.push_back(FileLine());
    return lines;
}

ReportLines NetworkHeadingLines()
{
    ReportLines lines;
    lines.pane.push_back(MakeLine(Text(" BANDPASS MATCHING NETWORK ")));
    lines.pane.push_back(MakeLine(Text(std::string(32, '-'))));
    lines.file.push_back(FileLine(Text(" BANDPASS MATCHING NETWORK ")));
    lines.file.push_back(FileLine(Text(std::string(28, '-'))));
    return lines;
}

ReportLines ElementTableLines(const std::vector<TableRow> &rows)
{
    ReportLines lines;
    lines.pane.reserve(rows.size() + 1);
    lines.file.reserve(rows.size() + 1);
    for (const TableRow &row : rows) {
        lines.pane.push_back(
            MakeLine(Text(row.label), Column(6), Number(row.value), Column(15), Text(row.unit)));
        lines.file.push_back(
            FileLine(Text(row.label), Column(15), Number(row.value), Column(24), Text(row.unit)));
    }
    lines.pane.emplace_back();
    lines.file.emplace_back();
    return lines;
}

} // namespace tevmar
