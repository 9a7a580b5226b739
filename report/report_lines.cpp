#include "report/report_lines.h"

#include "report/number_text.h"

#include <algorithm>
#include <iterator>

namespace tevmar {

namespace {

// Every file line but the empty ones starts with this indent.
constexpr int kFileIndent = 9;

Line Indented(Line line)
{
    Line indented;
    indented.reserve(line.size() + 1);
    indented.push_back(Spaces(kFileIndent));
    std::move(line.begin(), line.end(), std::back_inserter(indented));
    return indented;
}

Line TextLine(std::string text)
{
    return Line{Text(std::move(text))};
}

// A loss line: label, loss in dB, "VSWR=" and the VSWR, at the given stops.
Line LossLine(const std::string &label, double lossDb, double vswr, const int (&stops)[3])
{
    return Line{
        Text(label),   Column(stops[0]), Text(FormatMask(lossDb, Mask::Q)),        Column(stops[1]),
        Text("VSWR="), Column(stops[2]), Text(FormatMask(vswr, Mask::Vswr) + ":1")};
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
    lines.pane.push_back(TextLine(qt));
    if (figures.zeroDbOffset)
        lines.pane.push_back(TextLine("0 dB offset case"));
    lines.pane.push_back(TextLine(source));
    lines.pane.push_back(TextLine(load));
    lines.pane.push_back(Line{});
    lines.pane.push_back(TextLine(ratio));
    lines.pane.push_back(Line{});

    auto &file = lines.file;
    file.push_back(Indented(TextLine("   TEVMAR")));
    file.push_back(Indented(TextLine("        Vendrel Design Tools")));
    file.push_back(Line{});
    file.push_back(Indented(TextLine(figures.f1Text + " to " + figures.f2Text + " GHz")));
    file.push_back(Line{});
    file.push_back(Indented(TextLine(qt)));
    if (figures.zeroDbOffset)
        file.push_back(Indented(TextLine("0 dB offset case")));
    file.push_back(Indented(TextLine(source)));
    file.push_back(Indented(TextLine(load)));
    file.push_back(Indented(Line{}));
    file.push_back(Indented(TextLine(figures.zhighText + " to " + figures.zlowText + " Ohms")));
    file.push_back(Indented(TextLine(ratio)));
    file.push_back(Line{});
    return lines;
}

ReportLines LossLines(const LossFigures &figures)
{
    constexpr int paneStops[3] = {15, 25, 32};
    constexpr int fileStops[3] = {24, 34, 40};
    ReportLines lines;
    lines.pane = {LossLine("Max Loss(dB)=", figures.LmaxDb, figures.Smax, paneStops),
                  LossLine("Min Loss(dB)=", figures.LminDb, figures.Smin, paneStops), Line{}};
    lines.file = {Indented(LossLine("Max Loss(dB)=", figures.LmaxDb, figures.Smax, fileStops)),
                  Indented(LossLine("Min Loss(dB)=", figures.LminDb, figures.Smin, fileStops)),
                  Indented(Line{})};
    return lines;
}

ReportLines NetworkHeadingLines()
{
    ReportLines lines;
    lines.pane = {TextLine(" BANDPASS MATCHING NETWORK "), TextLine(std::string(32, '-'))};
    lines.file = {Indented(TextLine(" BANDPASS MATCHING NETWORK ")),
                  Indented(TextLine(std::string(28, '-')))};
    return lines;
}

ReportLines ElementTableLines(const std::vector<TableRow> &rows)
{
    ReportLines lines;
    for (const TableRow &row : rows) {
        lines.pane.push_back(
            Line{Text(row.label), Column(6), Number(row.value), Column(15), Text(row.unit)});
        lines.file.push_back(Indented(
            Line{Text(row.label), Column(15), Number(row.value), Column(24), Text(row.unit)}));
    }
    lines.pane.push_back(Line{});
    lines.file.push_back(Line{});
    return lines;
}

} // namespace tevmar
