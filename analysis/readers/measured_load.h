#pragma once

// A load known only by measurement: its impedance at the frequencies a
// network analyser swept, standing at one port of the matching network in
// place of the port resistance and the absorbed reactance of the fitted model.

#include <complex>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace tevmar::analysis {

// A load's own resonance fitted over the band: R with L and C in series, or
// R, L and C side by side. The antenna near its resonance is one of these
// where none of the four absorbable kinds describes it.
struct ResonantModel
{
    bool series = true;
    double ohms = 0;
    double henries = 0;
    double farads = 0;
    double rmsRelativeError = 0; // as LoadFit's, over the in-band points
};

struct MeasuredLoad
{
    std::vector<double> frequenciesHz;               // strictly increasing, at least one
    std::vector<std::complex<double>> impedanceOhms; // one per frequency, Re Z >= 0
    // The ladder port the load is connected to: 2, the low-impedance port, for
    // a load whose fit is a series kind; 1, the high-impedance port, for a
    // shunt kind. The source drives the other port through its resistance.
    int port = 2;
    // A source known by measurement too, driving the other port in place of
    // that port's resistance: the network then stands between two complex
    // terminations, and every figure is the power-wave view between them (the
    // source's own `port` is not used). Unset: the port resistance drives.
    std::shared_ptr<const MeasuredLoad> source = nullptr;
    // A termination known exactly (a circuit of ideal parts) rather than by
    // its points: its impedance at every frequency, in place of the
    // interpolation. The points then only serve the fit.
    std::function<std::complex<double>(double)> exact = nullptr;
    // Whether the fitted absorbable kind describes the data (its rms error
    // within 5 %). When it does not, the data alone stand for the load: no
    // figure comes from that model, and the Bode-Fano limit comes from
    // `resonance` where a fit of the data's own resonance describes them,
    // from nothing otherwise.
    bool modelDescribes = true;
    std::optional<ResonantModel> resonance = std::nullopt;
    // The resistance the data's S were measured against (the file's
    // reference; 50 ohms for a circuit): the reference a network file gives
    // the port these data terminate when no fitted kind describes them, so
    // that the file cascades with the measurement as it stands.
    double referenceOhms = 50;

    // The impedance at any frequency: linear in real and imaginary parts
    // between the measured points. Below the first and above the last point
    // the end point's impedance holds: a sweep that reaches past the
    // measurement then shows the load as last measured rather than an
    // extrapolation that could turn its resistance negative. An exact
    // termination gives its own impedance everywhere.
    std::complex<double> ImpedanceAt(double frequencyHz) const;
    // The same at every frequency of a grid, each value ImpedanceAt's; a
    // grid that ascends is interpolated in one walk along the data.
    void ImpedanceOver(std::span<const double> frequenciesHz,
                       std::span<std::complex<double>> impedance) const;

  private:
    // The interpolation between the points below and at `above`, the index
    // of the first point above the frequency.
    std::complex<double> Between(std::size_t above, double frequencyHz) const;
};

} // namespace tevmar::analysis
