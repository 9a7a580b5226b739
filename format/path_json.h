#pragma once

// A network's path on the Smith chart in the JSON documents: the impedance
// looking toward the load after each part at the band's centre.

#include "analysis/figures/impedance_path.h"
#include "analysis/model/network.h"
#include "format/json_number.h"

namespace tevmar::format {

// How the points name their parts: by place from port 1 ("C3", as the SPICE
// subcircuit and the tuned network's elements name them), or by the parts'
// own labels (a candidate's, counted from the source's side).
enum class PathNames { ByPlace, ByLabel };

// [{"after": "load", "z": [re, im]}, {"after": "C3", "z": [...]}, ...]: the
// load first, then each part toward the source; ohms, null for an open
// circuit's infinity.
Json PathJson(const analysis::Network &network, double frequencyHz,
              PathNames names = PathNames::ByPlace);

// The same of a path already worked out through the network's parts
// (analysis/figures/impedance_path.h), from whatever load it starts at.
Json PathJson(const analysis::ImpedancePath &path, const analysis::Network &network,
              PathNames names = PathNames::ByPlace);

} // namespace tevmar::format
