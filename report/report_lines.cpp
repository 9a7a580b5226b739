#include "report/report_lines.h"

#include "report/number_text.h"

namespace tevmar {

namespace {

// Every file line but the empty ones starts with this indent.
constexpr int kFileIndent = 9;

ComposedText &FileLine(ComposedText &file)
{
    return file.NewLine(kFileIndent);
}

// The texts of one loss line, masked once for the pane and the file.
struct LossTexts
{
    const char *label;
    std::string lossDb;
    std::string vswr; // with its ":1"
};

LossTexts LossTextsOf(const char *label, double lossDb, double vswr)
{
    return LossTexts{label, FormatMask(lossDb, Mask::Q), FormatMask(vswr, Mask::Vswr) + ":1"};
}

// A loss line: label, loss in dB, "VSWR=" and the VSWR, at the given stops.
template <class Lines> void LossLine(Lines &lines, const LossTexts &texts, const int (&stops)[3])
{
    lines.Text(texts.label).Column(stops[0]).Text(texts.lossDb).Column(stops[1]);
    lines.Text("VSWR=").Column(stops[2]).Text(texts.vswr);
}

void HeaderLines(const DesignInputs &in, const DesignResult &d, LineList &pane, ComposedText &file)
{
    // The label and its number are one text item; written piece by piece
    // rather than joined first, which would put the longer ones on the heap.
    const std::string qt = FormatMask(d.band.Qt, Mask::Q);
    const std::string source = FormatMask(d.SourceQ, Mask::Q);
    const std::string load = FormatMask(d.reportedLoadQ, Mask::Q);
    const std::string ratio = FormatMask(d.f, Mask::Ratio);
    constexpr std::string_view qtLabel = "Qt=";
    constexpr std::string_view sourceLabel = "Source Q=";
    constexpr std::string_view loadLabel = "Load   Q=";
    constexpr std::string_view ratioLabel = "Impedance Transformation =";
    constexpr std::string_view ratioUnit = " times";
    const bool zeroDbOffset = !d.absorbed; // both ends equally terminated

    pane.NewLine().Text(qtLabel).Append(qt);
    if (zeroDbOffset)
        pane.NewLine().Text("0 dB offset case");
    pane.NewLine().Text(sourceLabel).Append(source);
    pane.NewLine().Text(loadLabel).Append(load);
    pane.NewLine();
    pane.NewLine().Text(ratioLabel).Append(ratio).Append(ratioUnit);
    pane.NewLine();

    FileLine(file).Text("   TEVMAR");
    FileLine(file).Text("        Vendrel Design Tools");
    file.NewLine();
    FileLine(file).Text(in.f1Text).Text(" to ").Text(in.f2Text).Text(" GHz");
    file.NewLine();
    FileLine(file).Text(qtLabel).Text(qt);
    if (zeroDbOffset)
        FileLine(file).Text("0 dB offset case");
    FileLine(file).Text(sourceLabel).Text(source);
    FileLine(file).Text(loadLabel).Text(load);
    FileLine(file);
    FileLine(file).Text(in.zhighText).Text(" to ").Text(in.zlowText).Text(" Ohms");
    FileLine(file).Text(ratioLabel).Text(ratio).Text(ratioUnit);
    file.NewLine();
}

void LossLines(const DesignResult &d, LineList &pane, ComposedText &file)
{
    constexpr int paneStops[3] = {15, 25, 32};
    constexpr int fileStops[3] = {24, 34, 40};
    const LossTexts max = LossTextsOf("Max Loss(dB)=", d.Lmax, d.Smax);
    const LossTexts min = LossTextsOf("Min Loss(dB)=", d.Lmin, d.Smin);
    LossLine(pane.NewLine(), max, paneStops);
    LossLine(pane.NewLine(), min, paneStops);
    pane.NewLine();
    LossLine(FileLine(file), max, fileStops);
    LossLine(FileLine(file), min, fileStops);
    FileLine(file);
}

void NetworkHeadingLines(LineList &pane, ComposedText &file)
{
    pane.NewLine().Text(" BANDPASS MATCHING NETWORK ");
    pane.NewLine().Text(std::string_view("--------------------------------", 32));
    FileLine(file).Text(" BANDPASS MATCHING NETWORK ");
    FileLine(file).Text(std::string_view("----------------------------", 28));
}

// The element rows followed by the closing empty line.
void ElementTableLines(const DesignResult &d, LineList &pane, ComposedText &file)
{
    std::string number; // the value's number item, written once for both outputs
    for (const ElementRow &row : d.table) {
        number.clear();
        AppendNumberItem(number, row.value);
        pane.NewLine().Text(row.label).Column(6).Text(number).Column(15).Text(row.unit);
        FileLine(file).Text(row.label).Column(15).Text(number).Column(24).Text(row.unit);
    }
    pane.NewLine();
    file.NewLine();
}

} // namespace

ReportLines DesignReport(const DesignInputs &inputs, const DesignResult &design)
{
    ReportLines lines;
    const std::size_t rows = design.table.size();
    lines.pane.Reserve(rows + 16, 5 * rows + 40, 40 * rows + 400);
    lines.file.reserve(50 * rows + 700 + inputs.f1Text.size() + inputs.f2Text.size() +
                       inputs.zhighText.size() + inputs.zlowText.size());
    ComposedText file(lines.file, "\r\n");
    HeaderLines(inputs, design, lines.pane, file);
    LossLines(design, lines.pane, file);
    NetworkHeadingLines(lines.pane, file);
    ElementTableLines(design, lines.pane, file);
    file.Finish();
    return lines;
}

} // namespace tevmar
