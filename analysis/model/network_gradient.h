#pragma once

// The reflected power of a ladder and its sensitivity to every
// element, in one forward and one backward pass through the ABCD cascade.

#include "analysis/model/network.h"
#include "analysis/model/termination.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace tevmar::analysis {

// |S11|^2 at port 1 of the ladder between its own terminations into the true
// load (an absorbed reactance at its port), ideal parts; with a measured load,
// the reflection at the source's port into the data (as Evaluate has it). When `byLogValue` is
// not empty (it then holds one entry per part of `ladder.parts`), it
// receives d|S11|^2 / d ln(value) of each part: the change per relative change
// of the part, the natural scale for values spanning decades. The load's
// reactance is fixed and has no entry.
// Lossy parts, chip models and pads are followed exactly (a gradient through
// each part's own log-derivative); ideal parts take the faster pass.
double ReflectedPower(const Network &ladder, double frequencyHz, std::span<double> byLogValue = {});

// The share of the source's available power that does not reach the load,
// 1 - G_T, and its derivatives likewise: what a tuner minimises when parts
// are lossy, since a lossy network can look matched by burning the power.
// For ideal parts it is |S11|^2 exactly as ReflectedPower gives it.
double LostPower(const Network &ladder, double frequencyHz, std::span<double> byLogValue = {});

// The same two figures for one ladder at many frequencies and many values:
// what a tuner asks while it moves the parts' values and nothing else. The
// cascade's sections (parts, pads and the load's reactance in the order the
// source sees them) are found once, the parts' values read once per move,
// and a measured termination's impedance interpolated once per frequency
// and remembered, since a search comes back to the same frequencies again
// and again. Every figure is the one the functions above give, to the bit.
//
// It reads the ladder it was made for (or last pointed at) at every call:
// that ladder must outlive it, and only its parts' values may change, each
// change followed by ValuesMoved().
class LadderPower
{
  public:
    LadderPower() = default;
    explicit LadderPower(const Network &ladder) { Assign(ladder); }
    LadderPower(const LadderPower &) = delete;
    LadderPower &operator=(const LadderPower &) = delete;

    // Points at another ladder (or the same one with other parts). Without
    // `remember`, a measured termination is interpolated afresh at every
    // call: for data that may change between calls.
    void Assign(const Network &ladder, bool remember = true);
    // Re-reads the parts' values after they moved.
    void ValuesMoved();

    double Reflected(double frequencyHz, std::span<double> byLogValue = {});
    double Lost(double frequencyHz, std::span<double> byLogValue = {});
    // Lost as above, and for each part that is a length of line the
    // derivative by the log of its characteristic impedance in `byLogZ0`
    // (one entry per part, zero for a lumped part).
    double Lost(double frequencyHz, std::span<double> byLogValue, std::span<double> byLogZ0);

  private:
    // One section of the cascade: the part (or a pad, or the load's
    // reactance), its value in henries or farads as the ideal pass uses it,
    // and its entry in the gradient (none for a pad or the load).
    struct Section
    {
        const Part *part = nullptr;
        double si = 0;
        std::size_t partIndex = 0;
        bool hasEntry = false;
        bool shunt = false;
        bool grows = false;
    };
    // Row vectors [r0 r1] ahead of a section, a column [c0 c1] behind it.
    struct Pair
    {
        std::complex<double> first, second;
    };
    struct Terminations
    {
        std::complex<double> source, load;
    };
    enum class Objective { Reflected, Lost };

    void Add(const Part &section, bool hasEntry, std::size_t partIndex);
    Terminations TerminationsAt(double frequencyHz);
    double IdealPass(double frequencyHz, std::span<double> byLogValue);
    double LossyPass(double frequencyHz, Objective objective, std::span<double> byLogValue);
    // Any section a two-port of its own (a length of line): the cascade in
    // full ABCD matrices, each section's derivative as a matrix of its own.
    double LinePass(double frequencyHz, Objective objective, std::span<double> byLogValue,
                    std::span<double> byLogZ0);

    const Network *ladder_ = nullptr;
    Part pad_;
    std::vector<Section> sections_;
    bool lossless_ = true;   // every section ideal
    bool partsIdeal_ = true; // every part ideal (pads and the load are)
    bool sourceAtPort2_ = false;
    bool lines_ = false; // some section is a length of line
    std::vector<Abcd> abcd_;
    std::vector<Pair> aheadN_, aheadD_;
    std::vector<double> susceptance_;
    std::vector<std::complex<double>> immittance_;

    // The measured terminations' impedances at the frequencies asked
    // recently, one slot per frequency by its bits; the data are held so
    // that a slot can never describe other data at the same address.
    struct Remembered
    {
        std::uint64_t key;
        Terminations z;
    };
    static constexpr std::size_t kRemembered = 256;
    static constexpr std::uint64_t kEmpty = ~std::uint64_t{0}; // a NaN: no frequency
    bool remember_ = false;
    std::shared_ptr<const MeasuredLoad> measured_;
    // Into measured data: the source and the load as the cascade sees them.
    Termination source_, load_;
    std::unique_ptr<std::array<Remembered, kRemembered>> remembered_;
};

} // namespace tevmar::analysis
