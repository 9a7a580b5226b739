#pragma once

// Reads a network analyser's one-port measurement (.s1p) in Touchstone 1.1 or
// 2.0 and turns it into the load's impedance at each measured frequency; and
// a transistor's two-port file (.s2p) into its scattering matrix and, where
// the file has them, its noise parameters.

#include "report/printable_text.h"

#include <complex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tevmar::analysis {

struct OnePortData
{
    std::vector<double> frequenciesHz;               // strictly increasing, at least one
    std::vector<std::complex<double>> impedanceOhms; // the load's Z at each, Re Z >= 0
    double referenceOhms = 50;                       // what S data are referred to
    bool version2 = false;                           // the file is Touchstone 2.0
    // What was read leniently, as stored files need it, but may not be what
    // the file meant: "<file>:<line>: what was found; how it was read".
    std::vector<std::string> warnings;
};

// Bounds that keep any file within memory and a few seconds: a network
// analyser's line is short and its sweep some tens of thousands of points.
inline constexpr std::size_t kMaxLineBytes = std::size_t{1} << 20;
inline constexpr std::size_t kMaxOnePortPoints = 1'000'000;
inline constexpr std::size_t kMaxTwoPortPoints = 1'000'000; // network and noise points each

// What is wrong with a file, as "<file>:<line>: what was found; what was expected".
struct TouchstoneError : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

// The measurement in `text`; `fileName` names it in the messages. Version 1.1:
// an option line "# <Hz|kHz|MHz|GHz> <S|Y|Z> <MA|DB|RI> R <ohms>" (tokens in
// any order and case, each defaulting to GHz S MA R 50), Z and Y normalised to
// R. Version 2.0: "[Version] 2.0", the option line, "[Number of Ports] 1",
// optionally "[Number of Frequencies]" and "[Reference]", then "[Network Data]"
// and "[End]"; Z in ohms and Y in siemens. "!" starts a comment; a point's
// numbers may continue onto following lines, and each point starts a line.
// Lines end in LF, CR LF or CR; a UTF-8 byte order mark first is skipped.
// Throws TouchstoneError for anything else: no Touchstone, a number that is not
// one or not finite, a missing or extra value (a file of more ports), falling
// or repeated frequencies, no data, H or G parameters, a negative resistance
// (|S11| above 1 by more than 1e-6, Re Z below 0) at any frequency, a negative
// magnitude, a short or open circuit, which no network matches, a line longer
// than kMaxLineBytes or more than kMaxOnePortPoints points. Text quoted from
// the file in a message has its control bytes escaped and is cut when long.
// Option lines that say two things, a [Matrix Format] it does not know,
// [Reference] after the data and |S11| above 1 by less than 1e-6 (read as 1,
// lossless) are read as before and noted in `warnings`. Reading the file
// itself is session::ReadOnePortFile's.
OnePortData ReadOnePort(std::string_view text, const std::string &fileName);

// A two-port's scattering matrix at one frequency, both ports referred to the
// same resistance.
struct TwoPortMatrix
{
    std::complex<double> s11, s12, s21, s22;
};

// The four noise parameters at one frequency: the least noise figure, the
// source reflection that gives it (referred to the file's resistance) and the
// equivalent noise resistance, which sets how fast the figure rises away
// from that source.
struct NoisePoint
{
    double frequencyHz = 0;
    double nfMinDb = 0;                // >= 0
    std::complex<double> gammaOpt = 0; // |gammaOpt| < 1
    double rnOhms = 0;                 // > 0, in ohms whatever the file's version
};

struct TwoPortData
{
    std::vector<double> frequenciesHz; // strictly increasing, at least one
    std::vector<TwoPortMatrix> s;      // one per frequency, finite
    std::vector<NoisePoint> noise;     // strictly increasing frequencies; may be empty
    double referenceOhms = 50;
    bool version2 = false;
    std::vector<std::string> warnings; // as OnePortData's
};

// A transistor's (or any two-port's) file, read as ReadOnePort reads a
// one-port one, with the same bounds, messages and leniencies. Version 1.1:
// each point on one line, frequency and S11 S21 S12 S22 (Z and Y normalised to
// R and turned into S); the noise parameters follow as lines of five numbers
// (frequency, NFmin in dB, |Gamma opt|, its angle in degrees, Rn normalised
// to R) starting where the frequency falls back. Version 2.0:
// "[Number of Ports] 2", "[Two-Port Data Order] 12_21 or 21_12", [Matrix
// Format] Full, Lower or Upper (the last two a reciprocal network's three
// values), then "[Noise Data]" with Rn in ohms. Throws TouchstoneError for a
// file of another number of ports, a point split over lines or with the
// wrong count of numbers, a matrix with no scattering form, noise lines that
// are malformed or fall back again, a negative NFmin, |Gamma opt| of 1 or
// more or a noise resistance that is not positive. Reading the file itself
// is session's. A message quotes at most `quoteBytes` of any token of the
// file: a kit's part files are read with only a few, so that a warning shows
// little of a file the user did not name.
TwoPortData ReadTwoPort(std::string_view text, const std::string &fileName,
                        std::size_t quoteBytes = kQuotedTokenBytes);

} // namespace tevmar::analysis
