#pragma once

// Resistive loading of a potentially unstable transistor: a series resistor
// at its input, a shunt resistor across its output, or both, chosen so that
// the loaded device is unconditionally stable at every data frequency of its
// file. The amplifier's networks are then designed around the loaded device:
// the resistors are part of it, not of the matching networks' ladders.

#include "analysis/amplifier/amplifier.h"
#include "analysis/readers/touchstone_reader.h"

#include <optional>
#include <string>

namespace tevmar::analysis {

// The device with the resistors, at one frequency: the device's scattering
// matrix (referred to `z0`) cascaded with them.
TwoPortMatrix StabilisedScattering(const TwoPortMatrix &s, double z0, const Stabiliser &stabiliser);

// The whole file with the resistors: the scattering matrix at each data
// frequency, and the noise parameters of the loaded device (each resistor
// adds its thermal noise at the ambient temperature).
TwoPortData StabilisedData(const TwoPortData &data, const Stabiliser &stabiliser);

// The amplifier around the loaded device: the resistors chosen for the
// least gain lost over fromHz..toHz, both networks designed around the
// loaded device by DesignAmplifier, and the design checked again with each
// resistor moved alone by the parts' spread and tolerance. A device already
// unconditionally stable with the margin gets no resistor.
struct StabilisedDesign
{
    AmplifierDesign design; // the amplifier's `stabiliser` set when it has one
    TwoPortData device;     // the data the networks were designed around
};
StabilisedDesign DesignStabilisedAmplifier(const TwoPortData &data, double fromHz, double toHz,
                                           const AmplifierOptions &options);

} // namespace tevmar::analysis
