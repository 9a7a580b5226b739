#include "format/goal_report.h"

#include "report/number_format.h"
#include "units/unit_text.h"

#include <cmath>
#include <nlohmann/json.hpp>

namespace tevmar::format {

namespace {

std::string Ghz(double hz)
{
    return units::GhzFigure(units::Frequency::FromHz(hz));
}

double Db(double magnitude)
{
    return 20 * std::log10(magnitude);
}

// The transducer loss, dB, of a lost power whose square root is `root`.
double LossDb(double root)
{
    return -10 * std::log10(1 - root * root);
}

} // namespace

std::string BandText(const analysis::Band &band)
{
    return Ghz(band.lowHz) + "-" + Ghz(band.highHz) + " GHz";
}

bool ScoreIsGamma(const analysis::Goal &goal)
{
    for (const analysis::GoalBand &b : goal.bands)
        if (b.reject || b.Scale() != 1)
            return false;
    return true;
}

std::string GoalNote(const analysis::Goal &goal)
{
    std::string pass, reject;
    for (const analysis::GoalBand &b : goal.bands) {
        std::string &list = b.reject ? reject : pass;
        list += (list.empty() ? "" : ", ") + Ghz(b.band.lowHz) + "-" + Ghz(b.band.highHz);
        if (b.reject)
            list += " by " + Figure(-Db(b.level), 4) + " dB";
    }
    return "Bands " + pass + " GHz" + (reject.empty() ? "" : ", rejecting " + reject) +
           ": no textbook design or report for several bands; the candidates are matched over "
           "every band";
}

std::string BandFiguresText(const analysis::Goal &goal,
                            const std::vector<analysis::GoalBandFigure> &figures)
{
    std::string text;
    for (std::size_t k = 0; k < goal.bands.size() && k < figures.size(); ++k) {
        const analysis::GoalBand &b = goal.bands[k];
        const analysis::GoalBandFigure &f = figures[k];
        text += k ? ", " : "";
        if (b.reject) {
            text += "reject " + BandText(b.band) + " |S21| " + Figure(Db(f.worst), 3) +
                    " dB (at most " + Figure(Db(b.level), 3) + " dB)";
            continue;
        }
        text += BandText(b.band) + (f.lossy ? " loss " + Figure(LossDb(f.worst), 4) + " dB"
                                            : " |S11| " + Figure(f.worst, 4));
        if (b.limitGiven)
            text += " (limit " + Figure(b.level, 4) + ")";
        if (b.weight != 1)
            text += " (weight " + Figure(b.weight, 4) + ")";
    }
    return text;
}

void AddGoalInputsJson(Json &document, const analysis::Goal &goal)
{
    Json pass = Json::array(), reject = Json::array();
    for (const analysis::GoalBand &b : goal.bands) {
        Json band{{"f1GHz", b.band.lowHz / 1e9}, {"f2GHz", b.band.highHz / 1e9}};
        if (b.reject) {
            band["attenuationDb"] = Number(-Db(b.level));
            reject.push_back(std::move(band));
            continue;
        }
        band["weight"] = b.weight;
        if (b.limitGiven)
            band["limitDb"] = Number(Db(b.level));
        pass.push_back(std::move(band));
    }
    document["inputs"]["bands"] = std::move(pass);
    document["inputs"]["rejectBands"] = std::move(reject);
}

Json BandFiguresJson(const analysis::Goal &goal,
                     const std::vector<analysis::GoalBandFigure> &figures)
{
    Json bands = Json::array();
    for (std::size_t k = 0; k < goal.bands.size() && k < figures.size(); ++k) {
        const analysis::GoalBand &b = goal.bands[k];
        const analysis::GoalBandFigure &f = figures[k];
        Json band{{"f1GHz", b.band.lowHz / 1e9},
                  {"f2GHz", b.band.highHz / 1e9},
                  {"kind", b.reject ? "reject" : "pass"},
                  {b.reject ? "s21Max" : "gammaMax", Number(f.worst)},
                  {"atGHz", Number(f.worstAtHz / 1e9)},
                  {"score", Number(f.score)}};
        if (f.lossy) {
            // Lossy parts: the figure is the lost power's root, given as a loss.
            band.erase("gammaMax");
            band["lossDbMax"] = Number(LossDb(f.worst));
        }
        bands.push_back(std::move(band));
    }
    return bands;
}

} // namespace tevmar::format
