#include "format/path_json.h"

#include "analysis/figures/impedance_path.h"

namespace tevmar::format {

Json PathJson(const analysis::Network &network, double frequencyHz, PathNames names)
{
    return PathJson(analysis::ImpedancePathOf(network, frequencyHz), network, names);
}

Json PathJson(const analysis::ImpedancePath &impedancePath, const analysis::Network &network,
              PathNames names)
{
    const auto name = [&](std::size_t part) {
        return names == PathNames::ByLabel ? network.parts[part].label
                                           : analysis::PartName(network, part);
    };
    Json path = Json::array();
    for (const analysis::PathPoint &p : impedancePath.points)
        path.push_back({{"after", p.part ? name(*p.part) : std::string("load")},
                        {"z", Json::array({Number(p.z.real()), Number(p.z.imag())})}});
    return path;
}

} // namespace tevmar::format
