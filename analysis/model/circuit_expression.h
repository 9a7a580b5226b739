#pragma once

// A termination written as a small circuit of ideal parts: resistors,
// inductors and capacitors with their units, joined in series by "+" and in
// parallel by "||", grouped by parentheses: "(20 + 2.7nH) || 0.3pF" is a
// chip antenna's radiation resistance and feed inductance with the pad
// capacitance across them. Its impedance is exact at every frequency, so the
// termination needs no measurement and no interpolation.

#include <complex>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tevmar::analysis {

// Why an expression cannot be read: the position (1-based character) and
// what was found there against what was expected.
struct CircuitError : std::invalid_argument
{
    using std::invalid_argument::invalid_argument;
};

// Bounds that keep any expression readable at a glance and its evaluation
// cheap: a termination's model has a handful of parts.
inline constexpr std::size_t kMaxCircuitText = 500;
inline constexpr int kMaxCircuitDepth = 16;
inline constexpr std::size_t kMaxCircuitParts = 64;

class Circuit
{
  public:
    enum class Kind { Resistor, Inductor, Capacitor, Series, Parallel };

    // The circuit `text` describes, or a CircuitError. A plain number (or
    // one with "ohm", "Ohm" or "R") is a resistance in ohms, one ending in
    // "H" an inductance, in "F" a capacitance, each with an optional
    // prefix f, p, n, u (or µ), m, k, M or G. Mixing "+" and "||" at one
    // level without parentheses is refused rather than given a precedence
    // an engineer might read the other way.
    static Circuit Parse(const std::string &text);

    // The impedance in ohms at a frequency above zero: Re Z >= 0 and finite
    // (a parallel resonance of ideal parts is an open circuit, held at
    // kOpenCircuitOhms).
    std::complex<double> ImpedanceAt(double frequencyHz) const;

    // The text as normalised: every part in its engineering unit ("2.7 nH"),
    // groups in parentheses where they nest.
    std::string Text() const;

    Kind kind() const { return kind_; }
    double value() const { return value_; } // ohms, henries or farads
    const std::vector<Circuit> &parts() const { return parts_; }

  private:
    Kind kind_ = Kind::Resistor;
    double value_ = 0;
    std::vector<Circuit> parts_;
    friend class CircuitReader;
};

// A termination's exact impedance that keeps the circuit it comes from, so
// that a netlist's test bench can attach the circuit as typed rather than a
// fit to it. Stored as a termination's `exact` function.
struct CircuitImpedance
{
    std::shared_ptr<const Circuit> circuit;
    std::complex<double> operator()(double frequencyHz) const
    {
        return circuit->ImpedanceAt(frequencyHz);
    }
};

// The circuit behind a termination's exact impedance, or null when the
// impedance is not a circuit's.
inline const Circuit *CircuitOf(const std::function<std::complex<double>(double)> &exact)
{
    const CircuitImpedance *impedance = exact ? exact.target<CircuitImpedance>() : nullptr;
    return impedance ? impedance->circuit.get() : nullptr;
}

// An open circuit's impedance in ohms: far above any termination a network
// can be matched to, and finite for every figure that follows.
inline constexpr double kOpenCircuitOhms = 1e15;

// Frequencies from f1 to f2 (either order) at `count` (at least 2) evenly
// spaced points and the circuit's impedance at each: the points a fit over
// the band takes.
struct CircuitSamples
{
    std::vector<double> frequenciesHz;
    std::vector<std::complex<double>> impedanceOhms;
};
CircuitSamples SampleCircuit(const Circuit &circuit, double f1Hz, double f2Hz, std::size_t count);

} // namespace tevmar::analysis
