#pragma once

// The sentences every export's header gives about the ports: which end is
// which, what terminates it, and where an absorbed load's reactance sits.

#include "analysis/model/network.h"

#include <string>
#include <vector>

namespace tevmar::format {

// "Port 1: high-impedance end, terminated in 50 ohms", the same for port 2,
// and for an absorbed load a line saying that its reactance is the load's own
// and not in the network: "Load: series RC, 20 pF in series with the 5 ohms at
// port 2; the load's own reactance, not part of this network". Without a
// comment prefix; each export adds its own.
// For a measured load no fitted kind describes (DataOnly), the load's port
// faces the data, and the load line names the data, never the fit.
std::vector<std::string> PortLines(const analysis::Network &ladder);

// Whether the network's load is measured data that no fitted kind describes
// within 5 %: its files then describe the data, not the fitted model.
bool DataOnly(const analysis::Network &ladder);

// The same for the network's measured source.
bool SourceDataOnly(const analysis::Network &ladder);

// The resistance a file refers port 1 or 2 to: for a port that data no
// fitted kind describes terminate, the resistance those data were measured
// against (the file cascades with the measurement as it stands); the port's
// resistance otherwise.
double FileReferenceOhms(const analysis::Network &ladder, int port);

// What the files call the network: "lowpass" for series inductors and shunt
// capacitors only, "highpass" for series capacitors and shunt inductors only,
// "bandpass" for the synthesis's ladders, which always mix the two.
const char *NetworkShape(const analysis::Network &ladder);

// "20 pF", "0.5 nH": an element's value with its unit, shortest round-trip text.
std::string ValueText(const analysis::Part &element);

} // namespace tevmar::format
