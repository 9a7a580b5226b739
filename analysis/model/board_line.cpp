#include "analysis/model/board_line.h"

#include "analysis/lines/microstrip.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tevmar::analysis {
namespace {

constexpr double kSpeedOfLight = 299'792'458.0; // m/s

lines::Microstrip StripOf(const Part &line)
{
    return lines::Microstrip(line.line.board->substrate, line.line.board->width);
}

// The phase constant at the centre, rad/m: what turns degrees into metres.
double CentreBeta(const lines::Microstrip &strip, double referenceHz)
{
    return 2.0 * std::numbers::pi * referenceHz * std::sqrt(strip.EpsEff(referenceHz)) /
           kSpeedOfLight;
}

// The line's z0Ohms and degrees from its strip and electrical length.
Part Resynced(Part line, const lines::Microstrip &strip, double electricalLength)
{
    line.line.z0Ohms = strip.Z0(line.line.referenceHz);
    line.value = electricalLength * CentreBeta(strip, line.line.referenceHz) / Line::siPerUnit;
    return line;
}

double ExtensionOf(const Part &line, const lines::Microstrip &strip)
{
    return line.kind == ElementKind::ShuntOpenStub ? strip.OpenEndExtension() : 0.0;
}

// gamma l at omega, and the lossy strip's characteristic impedance there.
struct Travel
{
    Complex gl;
    Complex z0;
};

Travel TravelAt(const Part &line, double omega)
{
    const lines::Microstrip strip = StripOf(line);
    const double hz = omega / (2.0 * std::numbers::pi);
    const lines::Microstrip::Propagation p = strip.PropagationAt(hz);
    const double length = Line::Si(line.value) / CentreBeta(strip, line.line.referenceHz);
    return {p.gamma * length, p.zc};
}

} // namespace

double ElectricalLengthOf(const Part &line)
{
    if (!line.line.board)
        return 0;
    const lines::Microstrip strip = StripOf(line);
    return Line::Si(line.value) / CentreBeta(strip, line.line.referenceHz);
}

double EndExtensionOf(const Part &line)
{
    if (!line.line.board)
        return 0;
    return ExtensionOf(line, StripOf(line));
}

double DrawnLengthOf(const Part &line)
{
    return ElectricalLengthOf(line) - EndExtensionOf(line);
}

Part WithWidth(const Part &line, double width)
{
    const double drawn = DrawnLengthOf(line);
    Part moved = line;
    moved.line.board->width = width;
    const lines::Microstrip strip = StripOf(moved);
    return Resynced(std::move(moved), strip, drawn + ExtensionOf(line, strip));
}

Part WithWidthAtDegrees(const Part &line, double width)
{
    Part moved = line;
    moved.line.board->width = width;
    moved.line.z0Ohms = StripOf(moved).Z0(moved.line.referenceHz);
    return moved;
}

Part WithDrawnLength(const Part &line, double drawn)
{
    const lines::Microstrip strip = StripOf(line);
    return Resynced(line, strip, drawn + ExtensionOf(line, strip));
}

Part TrialOf(const Part &line, double widthDraw, double lengthDraw)
{
    const double height = line.line.board->substrate.height;
    const double width = std::max(line.line.board->width + widthDraw * kWidthTolerance,
                                  lines::kLeastWidthRatio * height);
    const Part etched = WithWidth(line, width);
    return WithDrawnLength(etched, std::max(DrawnLengthOf(etched) + lengthDraw * kLengthTolerance,
                                            units::Length::FromMicrometres(1).metres()));
}

Part OnBoard(const Part &line, const lines::Substrate &substrate, double lowWidth, double highWidth)
{
    const double width =
        std::clamp(lines::WidthForImpedance(substrate, line.line.z0Ohms).value_or(lowWidth),
                   lowWidth, highWidth);
    Part strip = line;
    strip.line.board = lines::BoardLine{substrate, width};
    return WithWidthAtDegrees(strip, width);
}

Network LinesOnBoard(const Network &network, const PartRanges &ranges)
{
    if (!ranges.board)
        return network;
    Network board = network;
    for (Part &part : board.parts)
        if (part.isLine() && !part.line.board) {
            if (ranges.fixedLineZ0Ohms)
                part.line.z0Ohms = *ranges.fixedLineZ0Ohms;
            part = OnBoard(part, *ranges.board, ranges.lineLowWidth, ranges.lineHighWidth);
        }
    return board;
}

Network LengthsOnGrid(const Network &network, double step)
{
    if (!(step > 0))
        return network;
    Network snapped = network;
    for (Part &part : snapped.parts)
        if (part.isLine() && part.line.board) {
            const double drawn = std::max(1.0, std::round(DrawnLengthOf(part) / step)) * step;
            part = WithDrawnLength(part, drawn);
        }
    return snapped;
}

bool HasBoardLines(const Network &network)
{
    return std::ranges::any_of(network.parts,
                               [](const Part &p) { return p.isLine() && p.line.board; });
}

// A series line: [cosh gl, Z0 sinh gl; sinh gl / Z0, cosh gl]. A stub is
// its admittance to ground, tanh(gl) / Z0 with the far end open and
// coth(gl) / Z0 shorted; the loss keeps both finite at resonance.
Abcd BoardSectionAt(const Part &line, double omega)
{
    const Travel t = TravelAt(line, omega);
    if (line.kind == ElementKind::SeriesLine) {
        const Complex c = std::cosh(t.gl), s = std::sinh(t.gl);
        return Abcd{c, t.z0 * s, s / t.z0, c};
    }
    Abcd m;
    m.C = BoardImmittanceAt(line, omega);
    return m;
}

Complex BoardImmittanceAt(const Part &line, double omega)
{
    const Travel t = TravelAt(line, omega);
    const Complex th = std::tanh(t.gl);
    if (line.kind == ElementKind::ShuntShortStub)
        return 1.0 / (t.z0 * th);
    if (line.kind == ElementKind::ShuntOpenStub)
        return th / t.z0;
    return t.z0 * th;
}

// gl d/d(gl) of the section: a relative change of the length moves gl in
// proportion.
Abcd BoardSectionByLogLength(const Part &line, double omega)
{
    const Travel t = TravelAt(line, omega);
    Abcd d{{0, 0}, {0, 0}, {0, 0}, {0, 0}};
    if (line.kind == ElementKind::SeriesLine) {
        const Complex c = std::cosh(t.gl) * t.gl, s = std::sinh(t.gl) * t.gl;
        return Abcd{s, t.z0 * c, c / t.z0, s};
    }
    const Complex sh = std::sinh(t.gl);
    const Complex ch = std::cosh(t.gl);
    // d tanh = sech^2, d coth = -csch^2.
    d.C = line.kind == ElementKind::ShuntOpenStub ? t.gl / (t.z0 * ch * ch)
                                                  : -t.gl / (t.z0 * sh * sh);
    return d;
}

// The width moves Z0, eps_eff, the loss and the end's extension together
// through formulas with no handy derivative: a central difference in the
// log of the width, the degrees held as the tuner holds them.
Abcd BoardSectionByLogWidth(const Part &line, double omega)
{
    constexpr double kStep = 1e-5;
    const double width = line.line.board->width;
    const Abcd up = BoardSectionAt(WithWidthAtDegrees(line, width * std::exp(kStep)), omega);
    const Abcd down = BoardSectionAt(WithWidthAtDegrees(line, width * std::exp(-kStep)), omega);
    const double per = 1.0 / (2.0 * kStep);
    return Abcd{(up.A - down.A) * per, (up.B - down.B) * per, (up.C - down.C) * per,
                (up.D - down.D) * per};
}

} // namespace tevmar::analysis
