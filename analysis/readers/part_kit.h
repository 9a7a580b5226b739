#pragma once

// A kit of chip parts known by measurement: the two-port files a vendor
// publishes, one per part, each the part in series between two de-embedded
// fixture ports (series-through). A part's impedance is Z = 2 Z0 (1 - S21) /
// S21 at each measured frequency, interpolated between them as a measured
// load is; across the line it is the same impedance to ground. A part is
// offered for a band only where its data cover the band and it behaves as
// its kind throughout it and its resonance (an inductor's self-resonance, a
// capacitor's series resonance) keeps the margin above the band's top that
// ResonanceRule asks (analysis/model/resonance.h). Reading the
// folder itself is session's (session/run/part_kit_folder.h).

#include "analysis/model/element.h"
#include "analysis/model/resonance.h"
#include "analysis/readers/measured_load.h"

#include <complex>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tevmar::analysis {

// The circuit a SPICE netlist writes for a measured part, fitted to its data
// over the band: an inductor is L in series with R, the winding capacitance
// CP across both; a capacitor is C in series with its ESL and ESR.
struct FittedEquivalent
{
    double main = 0;           // L in henries or C in farads
    double parasitic = 0;      // CP in farads (inductor) or ESL in henries (capacitor)
    double resistanceOhms = 0; // R or ESR

    std::complex<double> ImpedanceAt(bool inductor, double frequencyHz) const;
};

struct KitPart
{
    std::string partNumber; // the file's stem, or parts.csv's name for it
    std::string fileName;   // the file within the folder, as messages name it
    bool inductor = true;
    double nominal = 0; // nH or pF, as the bill of materials writes it
    MeasuredLoad data;  // the part's impedance at its data's frequencies
    double referenceOhms = 50;
    FittedEquivalent fitted; // over the band the kit was read for
    // Where the part stops being its kind above the band: the first change
    // of the reactance's sign in its data, or beyond the data the fitted
    // circuit's resonance; nothing where neither shows one.
    std::optional<double> resonanceHz = std::nullopt;
    // That resonance against the band and margin the kit was read for.
    Clearance clearance = Clearance::Clear;

    std::complex<double> ImpedanceAt(double frequencyHz) const
    {
        return data.ImpedanceAt(frequencyHz);
    }
    const char *unit() const { return inductor ? "nH" : "pF"; }
};

using KitPartRef = std::shared_ptr<const KitPart>;

// The parts usable over one band, each kind by nominal value, rising.
struct Kit
{
    std::vector<KitPartRef> inductors;
    std::vector<KitPartRef> capacitors;
    double lowHz = 0, highHz = 0;                       // the band the parts were chosen for
    double srfMarginPercent = kDefaultSrfMarginPercent; // the margin they were chosen with

    const std::vector<KitPartRef> &Of(bool inductor) const
    {
        return inductor ? inductors : capacitors;
    }
    // The kit's parts of an element kind.
    const std::vector<KitPartRef> &Of(const Element &element) const
    {
        using Parts = const std::vector<KitPartRef> &;
        // A kit holds chip parts: a length of line is drawn on the board.
        static const std::vector<KitPartRef> none;
        return std::visit(Overloaded{[&](Inductor) -> Parts { return inductors; },
                                     [&](Capacitor) -> Parts { return capacitors; },
                                     [&](Line) -> Parts { return none; }},
                          element);
    }
};

// A part's series impedance from series-through data.
std::complex<double> SeriesThroughImpedance(std::complex<double> s21, double referenceOhms);

// One file of the folder: its name there and its text, or why it could not
// be read.
struct KitFile
{
    std::string name; // "LQ15_2N7.s2p"
    std::string text;
    std::string error; // not empty: the file could not be read, for this reason
};

// Bounds of a kit: the files a folder may offer, each file's size (a
// vendor's part file is some tens of kilobytes), all of them together and
// parts.csv's size.
inline constexpr std::size_t kMaxKitFiles = 4096;
inline constexpr std::size_t kMaxKitFileBytes = std::size_t{16} << 20;
inline constexpr std::size_t kMaxKitBytes = std::size_t{512} << 20;
inline constexpr std::size_t kMaxKitListBytes = std::size_t{1} << 20;

struct KitReading
{
    Kit kit;
    std::vector<std::string> warnings; // files skipped, asymmetric data, parts not usable
    std::string problem;               // not empty: no kit can be used, for this reason
};

// The kit of the files (each a .s2p of the folder) and, when the folder has
// one, parts.csv's text ("part,kind,value,file"; kind inductor or capacitor,
// value in nH or pF), for the band lowHz to highHz. `folder` names the folder
// in messages. parts.csv may begin with a UTF-8 byte order mark. Without it a
// file's stem is its part number and its kind and nominal value come from the
// reactance at its lowest frequencies above 0 Hz (a point at 0 Hz is kept,
// or dropped where the part passes nothing there). A file that cannot be
// read or is not a two-port, a part whose data show gain (S21 outside the
// passive disc |S21 - 1/2| <= 1/2 beyond a rounding tolerance) and one whose
// equivalent circuit does not fit are named and skipped; a parts.csv row that
// is malformed or names a file the folder lacks, two parts of one number, a
// usable part whose data stop short of the band, or no usable inductor or
// capacitor is a problem. Every kept part's nominal value and fitted circuit
// are finite. A part that behaves as its kind over the band but resonates
// less than `srfMarginPercent` above its top is left out and named in a
// warning; 0 keeps every part that behaves over the band.
KitReading BuildKit(const std::vector<KitFile> &files, const std::optional<std::string> &listText,
                    const std::string &folder, double lowHz, double highHz,
                    double srfMarginPercent = kDefaultSrfMarginPercent);

// The part's resonance above the band's top (KitPart::resonanceHz), for a
// part that behaves as its kind at highHz: where its reactance first changes
// sign above highHz, found between data points on the quantity that passes
// through zero there (an inductor's susceptance, a capacitor's reactance), or
// the fitted circuit's resonance where the data show none.
std::optional<double> ResonanceAbove(const KitPart &part, double highHz);

// The equivalent circuit of the part's kind fitted to its data around the
// band (the data points from half the lower edge to twice the upper where
// the part behaves as its kind, and the band itself interpolated).
FittedEquivalent FitEquivalent(const KitPart &part, double lowHz, double highHz);

} // namespace tevmar::analysis
