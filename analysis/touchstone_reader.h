#pragma once

// Reads a network analyser's one-port measurement (.s1p) in Touchstone 1.1 or
// 2.0 and turns it into the load's impedance at each measured frequency.

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

} // namespace tevmar::analysis
