#pragma once

// A microstrip line on a substrate: its characteristic impedance, effective
// permittivity, attenuation and open-end extension at any frequency, and the
// two-port of a length of it. Quasi-static values per Hammerstad and Jensen
// (1980) with their strip-thickness correction, dispersion of both the
// effective permittivity and the impedance per Kirschning and Jansen (1982),
// conductor loss by Hammerstad's current-distribution factor and roughness
// correction, dielectric loss with a loss tangent the same at every
// frequency, and the open end's extension per Kirschning, Jansen and Koster
// (1981). SI units throughout: metres, hertz, ohms, nepers per metre.

#include "analysis/lines/substrate.h"

#include <complex>
#include <optional>

namespace tevmar::analysis::lines {

// Width over height: the formulas are evaluated from kLeastWidthRatio to
// kMostWidthRatio (Hammerstad and Jensen quote their impedance to 0.03 % up
// to 1000); inside kValidatedWidthRatio* their published accuracy holds for
// every part of the model, dispersion included.
inline constexpr double kLeastWidthRatio = 1e-3;
inline constexpr double kMostWidthRatio = 1e3;
inline constexpr double kLeastValidatedWidthRatio = 0.1;
inline constexpr double kMostValidatedWidthRatio = 100;
// Below this er the impedance is taken as the same at every frequency (see
// Z0).
inline constexpr double kLeastDispersivePermittivity = 1.1;
// The dispersion fits are published for er up to 20 and heights up to
// 0.13 free-space wavelengths.
inline constexpr double kMostValidatedPermittivity = 20;
inline constexpr double kMostValidatedHeightWavelengths = 0.13;

// The scattering parameters of a reciprocal, symmetric two-port.
struct LineSParameters
{
    std::complex<double> s11;
    std::complex<double> s21;
};

class Microstrip
{
  public:
    // A strip `width` metres wide on `substrate`; throws
    // std::invalid_argument for a substrate with er below 1 or no height,
    // or a width outside the formulas' range.
    Microstrip(const Substrate &substrate, double width);

    const Substrate &substrate() const { return substrate_; }
    double Width() const { return width_; }
    double WidthRatio() const { return width_ / substrate_.height; }

    // Quasi-static (low-frequency) values.
    double Z0Static() const { return z0Static_; }
    double EpsEffStatic() const { return epsEffStatic_; }

    // Values at `hz`; at 0 Hz the quasi-static ones.
    double EpsEff(double hz) const;
    double Z0(double hz) const;
    double ConductorLoss(double hz) const;  // Np/m
    double DielectricLoss(double hz) const; // Np/m
    double Attenuation(double hz) const { return ConductorLoss(hz) + DielectricLoss(hz); }
    // gamma = alpha + j beta, per metre, of the lossy line: the copper's loss
    // a series resistance R = 2 Z0 alpha_c and the dielectric's a shunt
    // conductance G = 2 alpha_d / Z0 beside the lossless line's L and C
    // (omega L = Z0 beta, omega C = beta / Z0), gamma = sqrt((R + j w L)
    // (G + j w C)); its real part is alpha_c + alpha_d to first order.
    std::complex<double> PropagationConstant(double hz) const;
    // The same lossy line's characteristic impedance,
    // sqrt((R + j w L) / (G + j w C)): Z0 made complex by the two losses'
    // imbalance (on FR-4 the dielectric's, some -0.5 degrees). A reflection
    // and the power a standing wave burns follow from it.
    std::complex<double> CharacteristicImpedance(double hz) const;

    // How much longer an open-ended strip behaves than it is drawn, from the
    // fringing field at its end, m.
    double OpenEndExtension() const;

    // Everything a cascade needs at `hz`, each quantity worked out once:
    // the lossless formulas' impedance, the lossy line's characteristic
    // impedance and its alpha + j beta per metre.
    struct Propagation
    {
        double z0;
        std::complex<double> zc;
        std::complex<double> gamma;
    };
    Propagation PropagationAt(double hz) const;

    // A `length` of line between two ports of `portOhms`.
    LineSParameters SParameters(double hz, double length, double portOhms) const;

  private:
    // The same figures from values already worked out at `hz`.
    double Z0With(double hz, double epsEff) const;
    double ConductorLossWith(double hz, double z0) const;
    double DielectricLossWith(double hz, double epsEff) const;

    Substrate substrate_;
    double width_;
    double z0Static_;
    double epsEffStatic_;
};

// The quasi-static impedance the model gives a strip `width` wide.
double StaticImpedance(const Substrate &substrate, double width);

// The width whose quasi-static impedance is `ohms`, or nothing where no width
// within the formulas' range gives it.
std::optional<double> WidthForImpedance(const Substrate &substrate, double ohms);

// The quasi-static impedances the formulas' range of widths spans: the
// widest strip's, then the narrowest's.
struct ImpedanceSpan
{
    double least;
    double most;
};
ImpedanceSpan ImpedanceSpanOf(const Substrate &substrate);

} // namespace tevmar::analysis::lines
