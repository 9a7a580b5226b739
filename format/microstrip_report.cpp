#include "format/microstrip_report.h"

#include "format/json_number.h"
#include "format/table_columns.h"
#include "report/number_format.h"
#include "units/quantity.h"
#include "units/unit_text.h"

#include <cmath>
#include <numbers>

namespace tevmar::format {

namespace {

constexpr double kDbPerNeper = 20.0 / std::numbers::ln10;

std::string Mm(double metres)
{
    return units::MillimetreText(units::Length::FromMetres(metres), 5);
}

std::optional<double> Db(const std::optional<std::complex<double>> &s)
{
    if (!s)
        return std::nullopt;
    return 20.0 * std::log10(std::abs(*s));
}

std::optional<double> Degrees(const std::optional<std::complex<double>> &s)
{
    if (!s)
        return std::nullopt;
    return std::arg(*s) * 180.0 / std::numbers::pi;
}

Json Optional(const std::optional<double> &value)
{
    return value ? Number(*value) : Json(nullptr);
}

} // namespace

std::vector<std::string> MicrostripLines(const MicrostripReport &r)
{
    const analysis::lines::Substrate &s = r.substrate;
    std::vector<std::string> lines;
    lines.push_back("Substrate: er " + Figure(s.relativePermittivity) + ", h " + Mm(s.height) +
                    ", t " + Mm(s.thickness) + ", tand " + Figure(s.lossTangent) + ", rho " +
                    Figure(s.resistivity) + " ohm m, roughness " +
                    Figure(units::Length::FromMetres(s.roughness).micrometres(), 4) + " um");
    std::string width =
        "Microstrip: width " + Mm(r.width) + " (W/h " + Figure(r.width / s.height, 4) + ")";
    if (r.targetOhms)
        width += " for " + Figure(*r.targetOhms) + " ohms";
    lines.push_back(width);
    lines.push_back("Static: Z0 " + Figure(r.z0Static, 5) + " ohms, eps_eff " +
                    Figure(r.epsEffStatic, 5) + "; an open end adds " + Mm(r.openEndExtension));
    if (r.length)
        lines.push_back("Line " + Mm(*r.length) + " long between " + Figure(r.portOhms) +
                        " ohm ports");
    if (r.points.empty())
        return lines;
    lines.push_back("");
    std::string heading = "Frequency GHz   Z0 ohms   eps_eff   Loss dB/m";
    if (r.length)
        heading += "    S21 dB   S21 deg    S11 dB";
    lines.push_back(heading);
    for (const MicrostripPoint &p : r.points) {
        std::string row = Fixed(units::Frequency::FromHz(p.frequencyHz).ghz(), 6, 13) +
                          Fixed(p.z0Ohms, 3, 10) + Fixed(p.epsEff, 4, 10) +
                          Fixed(p.attenuation * kDbPerNeper, 3, 12);
        if (r.length)
            row += Fixed(Db(p.s21), 4, 10) + Fixed(Degrees(p.s21), 2, 10) + Fixed(Db(p.s11), 2, 10);
        lines.push_back(row);
    }
    return lines;
}

std::string MicrostripJson(const MicrostripReport &r)
{
    Json points = Json::array();
    for (const MicrostripPoint &p : r.points)
        points.push_back({{"frequencyHz", Number(p.frequencyHz)},
                          {"z0Ohms", Number(p.z0Ohms)},
                          {"epsEff", Number(p.epsEff)},
                          {"lossDbPerM", Number(p.attenuation * kDbPerNeper)},
                          {"s21Db", Optional(Db(p.s21))},
                          {"s21Deg", Optional(Degrees(p.s21))},
                          {"s11Db", Optional(Db(p.s11))}});
    Json document;
    document["microstrip"] = {{"widthMm", Number(units::Length::FromMetres(r.width).millimetres())},
                              {"epsEffStatic", Number(r.epsEffStatic)},
                              {"points", std::move(points)}};
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

} // namespace tevmar::format
