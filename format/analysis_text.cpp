#include "format/analysis_text.h"

#include "analysis/model/board_line.h"
#include "report/number_format.h"
#include "units/quantity.h"
#include "units/unit_text.h"

#include <cmath>

namespace tevmar::format {
using namespace analysis;

namespace {

std::string Ghz(double hz)
{
    return units::GhzText(units::Frequency::FromHz(hz));
}

std::string PassbandText(const PassbandFigures &p)
{
    return "|S11| max " + Figure(p.gammaMax) + " min " + Figure(p.gammaMin) + ", VSWR max " +
           Figure(p.vswrMax) + ":1";
}

void AddSelfCheck(std::vector<std::string> &lines, const NetworkAnalysis &a)
{
    const SelfCheck &c = a.selfCheck;
    lines.push_back("Network check over " + Ghz(a.band.lowHz) + " to " + Ghz(a.band.highHz) + ":");
    lines.push_back("  design:                |S11| max " + Figure(c.designGammaMax) + " min " +
                    Figure(c.designGammaMin));
    if (c.measuredLoad) {
        lines.push_back("  into the measured load:");
        lines.push_back("  full-precision values: " + PassbandText(c.full));
    } else {
        lines.push_back("  full-precision values: " + PassbandText(c.full) +
                        (c.agrees ? "" : "  DISAGREES WITH THE DESIGN"));
    }
    lines.push_back("  values as printed:     " + PassbandText(c.printed));
}

void AddBodeFano(std::vector<std::string> &lines, const BodeFanoLimit &b)
{
    if (!b.applicable) {
        lines.push_back("Bode-Fano limit: nothing absorbed, no limit applies");
        return;
    }
    lines.push_back("Bode-Fano limit (g1 " + Figure(b.g1) + "): |S11| " + Figure(b.gammaLimit) +
                    ", VSWR " + Figure(b.vswrLimit) + ":1, loss " + Figure(b.mismatchLossDb) +
                    " dB; design |S11| max " + Figure(b.designGammaMax));
}

void AddStandardValues(std::vector<std::string> &lines, const StandardValues &v, bool tuned)
{
    lines.push_back("Standard values " + SeriesName(v.series) +
                    (tuned ? ", the tuned network: " : ", the design's parts: ") +
                    PassbandText(v.figures));
    std::string parts = " ";
    for (const Part &e : v.ladder.parts)
        parts += " " + e.label + Figure(e.value) + " " + e.unit();
    lines.push_back(parts);
}

// The chip models and pads as the heading of the loss figures names them.
std::string PartModelsText(const LossModel &m)
{
    std::string text = "Parts as built (";
    if (m.inductorChip)
        text += "chip inductors Q " + Figure(m.inductorChip->q) + " at " +
                Ghz(m.inductorChip->at.hz()) + ", CP " +
                Figure(m.inductorChip->parallel.picofarads()) + " pF";
    else
        text += m.inductorQ ? "inductors Q " + Figure(*m.inductorQ) : "ideal inductors";
    if (m.capacitorChip)
        text += "; chip capacitors ESL " + Figure(m.capacitorChip->esl.nanohenries()) +
                " nH, ESR " + Figure(m.capacitorChip->esr.ohms()) + " ohms at " +
                Ghz(m.capacitorChip->at.hz());
    else
        text += m.capacitorQ ? "; capacitors Q " + Figure(*m.capacitorQ) : "; ideal capacitors";
    if (m.padPf > 0)
        text += "; pads " + Figure(m.padPf) + " pF at every node";
    if ((m.inductorQ && !m.inductorChip) || (m.capacitorQ && !m.capacitorChip))
        text +=
            m.model == QModel::Constant ? "; Q at every frequency" : "; Q at " + Ghz(m.centreHz);
    return text + "):";
}

void AddFiniteQ(std::vector<std::string> &lines, const FiniteQLoss &q)
{
    if (q.losses.inductorChip || q.losses.capacitorChip || q.losses.padPf > 0) {
        lines.push_back(PartModelsText(q.losses));
    } else {
        std::string head = q.losses.model == QModel::Constant
                               ? "Finite Q at every frequency ("
                               : "Finite Q at " + Ghz(q.losses.centreHz) + " (";
        head += q.losses.inductorQ ? "inductors " + Figure(*q.losses.inductorQ) : "ideal inductors";
        head += q.losses.capacitorQ ? ", capacitors " + Figure(*q.losses.capacitorQ)
                                    : ", ideal capacitors";
        lines.push_back(head + "):");
    }
    lines.push_back("  insertion loss in band " + InsertionLossRange(q) + " dB, at centre " +
                    Figure(q.centreInsertionLossDb, 4) + " dB (ideal parts: max " +
                    Figure(q.losslessMaxInsertionLossDb, 4) + " dB)");
}

void AddYield(std::vector<std::string> &lines, const YieldResult &y)
{
    lines.push_back("Tolerance +-" + Figure(y.options.tolerancePercent) + " % (" +
                    std::to_string(y.options.trials) + " trials, seed " +
                    std::to_string(y.options.seed) + "): yield " + YieldBelowLimit(y) + ":1");
    lines.push_back("  in-band VSWR max: nominal " + Figure(y.nominalVswr) + ", 50 % " +
                    Figure(y.vswrP50) + ", 90 % " + Figure(y.vswrP90) + ", 99 % " +
                    Figure(y.vswrP99) + ", worst " + Figure(y.worstVswr));
}

} // namespace

std::string PartValueText(const Part &part, int digits)
{
    // A line by its electrical length and characteristic impedance.
    if (part.isLine() && part.line.board)
        return Figure(part.value, digits) + " deg " + Figure(part.line.z0Ohms, digits) + " ohm (" +
               Figure(units::Length::FromMetres(part.line.board->width).millimetres(), digits) +
               " mm wide, " +
               Figure(units::Length::FromMetres(DrawnLengthOf(part)).millimetres(), digits) +
               " mm long)";
    if (part.isLine())
        return Figure(part.value, digits) + " deg " + Figure(part.line.z0Ohms, digits) + " ohm";
    return part.Visit([&](auto e) {
        return units::EngineeringValue(part.value * e.siPerUnit, e.siSymbol, digits,
                                       e.unitExponent);
    });
}

std::string InsertionLossRange(const FiniteQLoss &q)
{
    return Figure(q.minInsertionLossDb, 4) + " to " + Figure(q.maxInsertionLossDb, 4);
}

std::string YieldBelowLimit(const YieldResult &y, int vswrDigits)
{
    return Figure(y.yieldPercent, 4) + " % below VSWR " + Figure(y.options.vswrLimit, vswrDigits);
}

std::vector<std::string> AnalysisLines(const NetworkAnalysis &a)
{
    std::vector<std::string> lines;
    AddSelfCheck(lines, a);
    if (a.asBuilt)
        lines.push_back("  as built:              " + PassbandText(a.asBuilt->figures) +
                        ", transducer loss max " + Figure(a.asBuilt->lossDbMax, 4) + " dB");
    AddBodeFano(lines, a.bodeFano);
    if (a.standardValues)
        AddStandardValues(lines, *a.standardValues, a.tuned);
    if (a.finiteQ)
        AddFiniteQ(lines, *a.finiteQ);
    if (a.yield)
        AddYield(lines, *a.yield);
    return lines;
}

std::vector<std::string> PartFiguresLines(const NetworkAnalysis &a)
{
    std::vector<std::string> lines;
    if (a.finiteQ)
        AddFiniteQ(lines, *a.finiteQ);
    if (a.yield)
        AddYield(lines, *a.yield);
    return lines;
}

std::string BelowChipRangeParts(const Network &ladder)
{
    std::string text;
    for (std::size_t i = 0; i < ladder.parts.size(); ++i)
        if (ladder.parts[i].belowChipRange())
            text += (text.empty() ? "" : ", ") + PartName(ladder, i) + " " +
                    Figure(ladder.parts[i].value, 3) + " " + ladder.parts[i].unit();
    return text;
}

} // namespace tevmar::format
