#pragma once

// The lines of a design report, stage by stage, for the output pane and for
// the report file. The pane shows only the results from its left edge; the
// file adds a title block, the band and the ports, and indents by nine spaces.

#include "report/line.h"

#include <string>
#include <vector>

namespace tevmar {

struct ReportLines
{
    std::vector<Line> pane;
    std::vector<Line> file;
};

struct HeaderFigures
{
    double Qt = 0;
    bool zeroDbOffset = false; // nothing absorbed: both ends equally terminated
    double sourceQ = 0;
    double loadQ = 0; // as reported: g1 * Qt
    double ratio = 0; // achieved impedance transformation
    // The text boxes exactly as typed.
    std::string f1Text, f2Text, zhighText, zlowText;
};

struct LossFigures
{
    double LmaxDb = 0;
    double Smax = 0;
    double LminDb = 0;
    double Smin = 0;
};

struct TableRow
{
    std::string label;
    double value = 0; // already rounded to 0.001
    std::string unit;
};

ReportLines HeaderLines(const HeaderFigures &figures);
ReportLines LossLines(const LossFigures &figures);
ReportLines NetworkHeadingLines();
// The element rows followed by the closing empty line.
ReportLines ElementTableLines(const std::vector<TableRow> &rows);

} // namespace tevmar
