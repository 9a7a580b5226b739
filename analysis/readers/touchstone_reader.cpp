#include "analysis/readers/touchstone_reader.h"

#include "report/number_format.h"
#include "report/printable_text.h"
#include "units/quantity.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <numbers>
#include <optional>

namespace tevmar::analysis {
namespace {

using Complex = std::complex<double>;

// Beyond these a load is a short or an open circuit: its reflection is total
// whatever network stands in front of it, and the figures would lose every
// digit to the extreme impedance.
constexpr double kSmallestImpedanceOhms = 1e-6;
constexpr double kLargestImpedanceOhms = 1e9;

// A file that warns more than this says so once rather than flooding stderr.
constexpr std::size_t kMaxWarnings = 20;

// How far |S11| may lie above 1 and still be a lossless point read through an
// analyser's noise and a file's rounding: beyond it the load is active.
constexpr double kNoiseAboveUnity = 1e-6;

// |S11| in digits that show how far above 1 it is: "1.5", "1.0000015", never
// a bare "1".
std::string AboveUnity(double magnitude)
{
    const std::string figure = Figure(magnitude);
    return std::stod(figure) > 1 + kNoiseAboveUnity ? figure : ShortestNumber(magnitude);
}

enum class Format { MagnitudeAngle, DecibelAngle, RealImaginary };

// A one-port's point: the frequency and one complex value.
constexpr std::size_t kOnePortPointLength = 3;

std::string Lower(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string_view Trim(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == text.npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// The next token of `text` from `at`, false when there is none.
bool NextToken(std::string_view text, std::size_t &at, std::string_view &token)
{
    at = text.find_first_not_of(" \t\r", at);
    if (at == text.npos)
        return false;
    const std::size_t end = std::min(text.find_first_of(" \t\r", at), text.size());
    token = text.substr(at, end - at);
    at = end;
    return true;
}

std::size_t TokenCount(std::string_view text)
{
    std::size_t count = 0;
    std::string_view token;
    for (std::size_t at = 0; NextToken(text, at, token);)
        ++count;
    return count;
}

std::vector<std::string_view> Tokens(std::string_view text)
{
    std::vector<std::string_view> tokens;
    std::size_t at = 0;
    while (true) {
        at = text.find_first_not_of(" \t\r", at);
        if (at == text.npos)
            return tokens;
        const std::size_t end = std::min(text.find_first_of(" \t\r", at), text.size());
        tokens.push_back(text.substr(at, end - at));
        at = end;
    }
}

class Reader
{
  public:
    Reader(const std::string &fileName, int ports, std::size_t quoteBytes = kQuotedTokenBytes)
        : fileName_(fileName), ports_(ports), quoteBytes_(quoteBytes)
    {
    }

    // Reads the whole text; the data are then in data_ (and for a two-port
    // in s_ and noise_).
    void Read(std::string_view text)
    {
        // A byte order mark some editors put first says only "UTF-8".
        if (text.starts_with("\xef\xbb\xbf"))
            text.remove_prefix(3);
        std::size_t start = 0;
        // A text ending in a line break ends in an empty line: a message on
        // what is missing points past the last line of data.
        while (start <= text.size() && !ended_) {
            // Lines end in LF, CR LF or, from old editors, CR alone.
            const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
            ++line_;
            if (end - start > kMaxLineBytes)
                Fail("a line of " + std::to_string(end - start) +
                     " bytes; expected lines of at most 1 MiB");
            std::string_view line = text.substr(start, end - start);
            line = Trim(line.substr(0, line.find('!')));
            if (!line.empty())
                Line(line);
            start = end + (text.substr(end).starts_with("\r\n") ? 2 : 1);
        }
        Finish();
    }

    OnePortData OnePort() { return std::move(data_); }

    TwoPortData TwoPort()
    {
        TwoPortData two;
        two.frequenciesHz = std::move(data_.frequenciesHz);
        two.s = std::move(s_);
        two.noise = std::move(noise_);
        two.referenceOhms = data_.referenceOhms;
        two.version2 = data_.version2;
        two.warnings = std::move(data_.warnings);
        return two;
    }

  private:
    std::string Where() const
    {
        return PrintableText(fileName_) + ":" + std::to_string(line_) + ": ";
    }

    [[noreturn]] void Fail(const std::string &what) const { throw TouchstoneError(Where() + what); }

    // A token of the file in a message, cut at the reader's bound.
    std::string Quoted(std::string_view token) const
    {
        return "\"" + PrintableText(token, quoteBytes_) + "\"";
    }

    // Accepted as stored files have it, but said, so that a misread is seen.
    void Warn(const std::string &what)
    {
        if (data_.warnings.size() < kMaxWarnings)
            data_.warnings.push_back(Where() + what);
        else if (data_.warnings.size() == kMaxWarnings)
            data_.warnings.push_back(PrintableText(fileName_) + ": more warnings left out");
    }

    double Number(std::string_view token, const char *expected) const
    {
        std::string_view digits = token;
        if (digits.starts_with('+'))
            digits.remove_prefix(1);
        double value = 0;
        const auto [stop, ec] =
            std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (ec == std::errc::result_out_of_range)
            Fail(Quoted(token) + " is out of range; expected " + expected);
        if (ec != std::errc{} || stop != digits.data() + digits.size())
            Fail(Quoted(token) + " is not a number; expected " + expected);
        if (!std::isfinite(value))
            Fail(Quoted(token) + " is not a finite number; expected " + expected);
        return value;
    }

    void Line(std::string_view line)
    {
        if (inInformation_) {
            if (Lower(line).starts_with("[end information]"))
                inInformation_ = false;
            return;
        }
        if (line.starts_with('['))
            return Keyword(line);
        if (line.starts_with('#'))
            return OptionLine(line.substr(1));
        if (awaitingReference_)
            return Reference(line);
        Data(line);
    }

    void Keyword(std::string_view line)
    {
        const std::size_t close = line.find(']');
        if (close == line.npos)
            Fail(Quoted(line) + " has no closing \"]\"; expected a keyword");
        // Keywords are case-insensitive and may space their words freely.
        std::string name;
        for (const std::string_view word : Tokens(line.substr(1, close - 1)))
            name += (name.empty() ? "" : " ") + Lower(word);
        const std::string_view rest = Trim(line.substr(close + 1));

        if (name == "version") {
            if (sawAnything_)
                Fail("[Version] must open the file; expected it before anything else");
            if (!rest.starts_with("2."))
                Fail("version " + Quoted(rest) + "; expected [Version] 2.0");
            data_.version2 = true;
            sawAnything_ = true;
            return;
        }
        if (!data_.version2)
            Fail("[" + PrintableText(name, quoteBytes_) +
                 "] belongs to Touchstone 2.0; expected the file to open with [Version] 2.0");
        sawAnything_ = true;
        if (name == "number of ports") {
            const double ports = Number(rest, "the number of ports");
            if (ports != ports_)
                Fail("a file of " + PrintableText(rest, quoteBytes_) +
                     (ports_ == 1 ? " ports; expected one port, the load's reflection alone"
                                  : " ports; expected two ports, a transistor's input and output"));
            sawPorts_ = true;
        } else if (name == "number of frequencies") {
            const double count = Number(rest, "the number of frequencies");
            if (!(count >= 1 && count == std::floor(count) && count < 1e9))
                Fail("[Number of Frequencies] " + Quoted(rest) + "; expected a whole number");
            frequencyCount_ = static_cast<std::size_t>(count);
        } else if (name == "number of noise frequencies" && ports_ == 2) {
            const double count = Number(rest, "the number of noise frequencies");
            if (!(count >= 1 && count == std::floor(count) && count < 1e9))
                Fail("[Number of Noise Frequencies] " + Quoted(rest) + "; expected a whole number");
            noiseCount_ = static_cast<std::size_t>(count);
        } else if (name == "two-port data order" && ports_ == 2) {
            const std::string order = Lower(rest);
            if (order != "12_21" && order != "21_12")
                Fail("[Two-Port Data Order] " + Quoted(rest) + "; expected 12_21 or 21_12");
            order21First_ = order == "21_12";
            sawOrder_ = true;
        } else if (name == "noise data" && ports_ == 2) {
            if (!inNetworkData_)
                Fail("[Noise Data] before [Network Data]; expected the network data first");
            if (pointLength_ > 0)
                Fail("[Noise Data] inside a point of " + std::to_string(pointLength_) +
                     " numbers; expected the point complete first");
            inNoise_ = true;
        } else if (name == "reference") {
            if (!data_.frequenciesHz.empty() || pointLength_ > 0)
                Warn("[Reference] after the data; the points before it stay referred to " +
                     Figure(data_.referenceOhms) + " ohms");
            awaitingReference_ = true;
            if (!rest.empty())
                Reference(rest);
        } else if (name == "matrix format") {
            // One port has a one-element matrix: full, lower and upper agree.
            const std::string format = Lower(rest);
            if (ports_ == 2) {
                if (format != "full" && format != "lower" && format != "upper")
                    Fail("[Matrix Format] " + Quoted(rest) + "; expected Full, Lower or Upper");
                // A reciprocal network's half matrix: S11, the off-diagonal
                // value once, and S22.
                halfMatrix_ = format != "full";
            } else if (format != "full" && format != "lower" && format != "upper") {
                Warn("unknown [Matrix Format] " + Quoted(rest) +
                     "; read as Full, which is all a one-port can be");
            }
        } else if (name == "begin information") {
            inInformation_ = true;
        } else if (name == "network data") {
            if (!sawOptions_ || !sawPorts_)
                Fail("[Network Data] before the option line and [Number of Ports]; expected both "
                     "first");
            if (ports_ == 2 && !sawOrder_)
                Fail("[Network Data] without [Two-Port Data Order]; expected 12_21 or 21_12 "
                     "first, which says where S21 stands");
            inNetworkData_ = true;
        } else if (name == "end") {
            ended_ = true;
        } else if (name == "two-port data order" || name == "number of noise frequencies" ||
                   name == "noise data" || name == "mixed-mode order") {
            Fail("[" + name +
                 "] belongs to a file of more than one port; expected a one-port file");
        } else {
            Fail("unknown keyword [" + PrintableText(name, quoteBytes_) +
                 "]; expected a Touchstone 2.0 keyword");
        }
    }

    void Reference(std::string_view text)
    {
        const std::vector<std::string_view> tokens = Tokens(text);
        if (ports_ == 2 && (tokens.size() == 1 || tokens.size() == 2)) {
            // Every circle and reflection of a transistor is in one plane:
            // both ports must share the reference.
            const double input = Number(tokens[0], "a reference resistance in ohms");
            const double output = Number(tokens.back(), "a reference resistance in ohms");
            if (!(input > 0 && output > 0))
                Fail("reference resistance " + Quoted(input > 0 ? tokens.back() : tokens[0]) +
                     "; expected a positive one");
            if (input != output)
                Fail("reference resistances " + Figure(input) + " and " + Figure(output) +
                     " ohms; expected the same at both ports");
            data_.referenceOhms = input;
            awaitingReference_ = false;
            return;
        }
        if (tokens.size() != 1)
            Fail(std::to_string(tokens.size()) +
                 (ports_ == 1 ? " reference resistances; expected one, the port's"
                              : " reference resistances; expected one for each of the two ports"));
        const double ohms = Number(tokens[0], "a reference resistance in ohms");
        if (!(ohms > 0))
            Fail("reference resistance " + Quoted(tokens[0]) + "; expected a positive one");
        data_.referenceOhms = ohms;
        awaitingReference_ = false;
    }

    void OptionLine(std::string_view text)
    {
        // Only the first option line counts; later ones are ignored.
        if (sawOptions_)
            return Warn("a second option line, ignored; the first one counts");
        if (!data_.frequenciesHz.empty() || pointLength_ > 0)
            Fail("the option line after the data; expected it before the first point");
        sawOptions_ = true;
        sawAnything_ = true;
        const std::vector<std::string_view> tokens = Tokens(text);
        // Each kind of token once; a second one of a kind wins, as it always
        // has, but a file that says two things is pointed out.
        std::array<std::string_view, 4> given{}; // unit, parameter, format, R
        const auto note = [&](std::size_t kind, std::string_view token) {
            if (!given[kind].empty() && Lower(given[kind]) != Lower(token))
                Warn(Quoted(token) + " after " + Quoted(given[kind]) +
                     " in the option line; the last one counts");
            given[kind] = token;
        };
        for (std::size_t i = 0; i < tokens.size(); ++i) {
            const std::string token = Lower(tokens[i]);
            if (token == "hz" || token == "khz" || token == "mhz" || token == "ghz") {
                note(0, tokens[i]);
                hzPerUnit_ = token == "hz"    ? 1
                             : token == "khz" ? units::Frequency::FromKHz(1).hz()
                             : token == "mhz" ? units::Frequency::FromMHz(1).hz()
                                              : units::Frequency::FromGHz(1).hz();
            } else if (token == "s" || token == "y" || token == "z") {
                note(1, tokens[i]);
                parameter_ = token[0];
            } else if (token == "h" || token == "g") {
                Fail(PrintableText(tokens[i]) +
                     (ports_ == 1
                          ? " parameters describe a two-port; expected S, Y or Z of a one-port"
                          : " parameters; expected S, Y or Z"));
            } else if (token == "ma" || token == "db" || token == "ri") {
                note(2, tokens[i]);
                format_ = token == "ma"   ? Format::MagnitudeAngle
                          : token == "db" ? Format::DecibelAngle
                                          : Format::RealImaginary;
            } else if (token == "r") {
                if (i + 1 == tokens.size())
                    Fail("R without a value; expected R and the reference resistance in ohms");
                const double ohms = Number(tokens[++i], "the reference resistance in ohms");
                if (!(ohms > 0))
                    Fail("R " + Quoted(tokens[i]) + "; expected a positive resistance");
                note(3, tokens[i]);
                data_.referenceOhms = ohms;
            } else {
                Fail(Quoted(tokens[i]) +
                     " in the option line; expected a unit (Hz, kHz, MHz, GHz), a parameter "
                     "(S, Y, Z), a format (MA, DB, RI) or R and a resistance");
            }
        }
    }

    void Data(std::string_view line)
    {
        if (!sawAnything_ || !sawOptions_)
            Fail(Quoted(line) + " is not Touchstone; expected the option line (# GHz S MA R 50) or "
                                "[Version] 2.0 before the data");
        if (data_.version2 && !inNetworkData_)
            Fail("data before [Network Data]; expected that keyword first");
        if (ports_ == 2)
            return TwoPortLine(line);
        // Tokens are read one at a time: a line of a million numbers is
        // counted, not stored.
        std::string_view token;
        for (std::size_t at = 0; NextToken(line, at, token);) {
            if (pointLength_ == 0)
                pointLine_ = line_;
            point_[pointLength_] =
                Number(token, pointLength_ == 0 ? "a frequency" : "a value of S11, Y or Z");
            ++pointLength_;
            if (pointLength_ < kOnePortPointLength)
                continue;
            if (const std::size_t after = TokenCount(line.substr(at)); after > 0)
                Fail(std::to_string(TokenCount(line)) +
                     " numbers on the line; expected 3, the frequency and one complex value "
                     "(a file of more than one port?)");
            AddPoint();
        }
    }

    void AddPoint()
    {
        pointLength_ = 0;
        const double frequencyHz = point_[0] * hzPerUnit_;
        if (!std::isfinite(frequencyHz) || frequencyHz < 0)
            Fail("frequency " + Figure(point_[0]) + "; expected a frequency of zero or above");
        if (data_.frequenciesHz.size() == kMaxOnePortPoints)
            Fail("more than " + std::to_string(kMaxOnePortPoints) +
                 " points; expected a measurement of at most that many");
        if (!data_.frequenciesHz.empty() && !(frequencyHz > data_.frequenciesHz.back()))
            Fail("frequency " + Figure(point_[0]) +
                 " is not above the one before; expected "
                 "strictly increasing frequencies");

        Complex value;
        switch (format_) {
        case Format::MagnitudeAngle:
        case Format::DecibelAngle: {
            if (format_ == Format::MagnitudeAngle && point_[1] < 0)
                Fail("magnitude " + Figure(point_[1]) +
                     " is negative; expected a magnitude of zero or above");
            const double magnitude =
                format_ == Format::MagnitudeAngle ? point_[1] : std::pow(10.0, point_[1] / 20);
            value = std::polar(magnitude, point_[2] * std::numbers::pi / 180);
            break;
        }
        case Format::RealImaginary:
            value = {point_[1], point_[2]};
            break;
        }
        const double r = data_.referenceOhms;
        Complex z;
        if (parameter_ == 's') {
            const double magnitude = std::abs(value);
            if (magnitude > 1 + kNoiseAboveUnity)
                Fail("|S11| " + AboveUnity(magnitude) +
                     " is above 1, a negative resistance; expected a passive load, |S11| <= 1");
            // Within the noise of a measurement of a lossless load: read as one.
            if (magnitude > 1 + 1e-12) {
                if (!noiseAboveUnityWarned_)
                    Warn("|S11| " + AboveUnity(magnitude) + " is above 1 by less than " +
                         Figure(kNoiseAboveUnity) +
                         ", measurement noise; read as 1 (no resistance) here and wherever "
                         "else it is");
                noiseAboveUnityWarned_ = true;
                value /= magnitude;
            }
            z = r * (1.0 + value) / (1.0 - value);
            // |S11| = 1 is a pure reactance; round-off must not make it active.
            z.real(std::max(z.real(), 0.0));
        } else if (parameter_ == 'z') {
            z = data_.version2 ? value : r * value;
        } else {
            z = data_.version2 ? 1.0 / value : r / value;
        }
        if (!(std::isfinite(z.real()) && std::isfinite(z.imag())) ||
            std::abs(z) > kLargestImpedanceOhms)
            Fail("an open circuit (|Z| above " + Figure(kLargestImpedanceOhms) +
                 " ohms); expected a load that can be matched");
        if (std::abs(z) < kSmallestImpedanceOhms)
            Fail("a short circuit (|Z| below " + Figure(kSmallestImpedanceOhms) +
                 " ohms); expected a load that can be matched");
        if (z.real() < 0)
            Fail("resistance " + Figure(z.real()) +
                 " ohms is negative; expected a passive load, Re Z >= 0");
        data_.frequenciesHz.push_back(frequencyHz);
        data_.impedanceOhms.push_back(z);
    }

    // A two-port's point, network or noise, stands on a line of its own: a
    // one-port file's lines of three numbers must not run together into
    // points of nine.
    void TwoPortLine(std::string_view line)
    {
        std::string_view first;
        std::size_t at = 0;
        NextToken(line, at, first);
        pointLine_ = line_;
        const double frequency = Number(first, "a frequency");
        // Version 1.1 has no keyword for the noise parameters: they start
        // where the frequency falls back.
        if (!data_.version2 && !inNoise_ && !data_.frequenciesHz.empty() &&
            !(frequency * hzPerUnit_ > data_.frequenciesHz.back()))
            inNoise_ = true;
        const std::size_t count = TokenCount(line);
        if (inNoise_) {
            if (count != 5)
                Fail(std::to_string(count) +
                     " numbers on the noise line; expected 5: the frequency, NFmin (dB), "
                     "|Gamma opt|, its angle (degrees) and Rn");
        } else {
            const std::size_t expected = halfMatrix_ ? 7 : 9;
            if (count != expected)
                Fail(std::to_string(count) + " numbers on the line; expected " +
                     std::to_string(expected) +
                     (halfMatrix_ ? ", the frequency and three complex values of a reciprocal "
                                    "two-port"
                                  : ", the frequency and four complex values of a two-port") +
                     (count == 3   ? " (a one-port file?)"
                      : count == 5 ? " (noise parameters before the network data?)"
                                   : ""));
        }
        point_[0] = frequency;
        pointLength_ = 1;
        std::string_view token;
        while (NextToken(line, at, token)) {
            point_[pointLength_] =
                Number(token, inNoise_ ? "a noise parameter" : "a value of S, Y or Z");
            ++pointLength_;
        }
        pointLength_ = 0;
        if (inNoise_)
            AddNoisePoint();
        else
            AddTwoPortPoint();
    }

    Complex Value(std::size_t first) const
    {
        const double a = point_[first], b = point_[first + 1];
        switch (format_) {
        case Format::MagnitudeAngle:
            if (a < 0)
                Fail("magnitude " + Figure(a) +
                     " is negative; expected a magnitude of zero or above");
            return std::polar(a, b * std::numbers::pi / 180);
        case Format::DecibelAngle:
            return std::polar(std::pow(10.0, a / 20), b * std::numbers::pi / 180);
        case Format::RealImaginary:
            break;
        }
        return {a, b};
    }

    void AddTwoPortPoint()
    {
        const double frequencyHz = point_[0] * hzPerUnit_;
        if (!std::isfinite(frequencyHz) || frequencyHz < 0)
            Fail("frequency " + Figure(point_[0]) + "; expected a frequency of zero or above");
        if (data_.frequenciesHz.size() == kMaxTwoPortPoints)
            Fail("more than " + std::to_string(kMaxTwoPortPoints) +
                 " points; expected a measurement of at most that many");
        // The matrix in the file's order: 11, then 21 and 12 or 12 and 21,
        // then 22; a half matrix gives the off-diagonal value once.
        std::array<Complex, 4> m; // m11 m12 m21 m22
        m[0] = Value(1);
        if (halfMatrix_) {
            m[1] = m[2] = Value(3);
            m[3] = Value(5);
        } else {
            const Complex second = Value(3), third = Value(5);
            m[1] = order21First_ ? third : second;
            m[2] = order21First_ ? second : third;
            m[3] = Value(7);
        }
        TwoPortMatrix s;
        if (parameter_ == 's') {
            s = {m[0], m[1], m[2], m[3]};
        } else {
            // Normalised to the reference: version 2.0 gives ohms or siemens.
            const double r = data_.referenceOhms;
            const double scale = !data_.version2 ? 1 : parameter_ == 'z' ? 1 / r : r;
            for (Complex &value : m)
                value *= scale;
            // S = (z - 1)(z + 1)^-1 for impedances, (1 - y)(1 + y)^-1 for
            // admittances: S = N D^-1 with D = 1 + z or 1 + y.
            const bool impedance = parameter_ == 'z';
            const Complex d11 = 1.0 + m[0], d12 = m[1], d21 = m[2], d22 = 1.0 + m[3];
            const double sign = impedance ? 1 : -1;
            const Complex n11 = sign * (m[0] - 1.0), n12 = sign * m[1], n21 = sign * m[2],
                          n22 = sign * (m[3] - 1.0);
            const Complex det = d11 * d22 - d12 * d21;
            if (!(std::abs(det) > 1e-12))
                Fail("a matrix with no scattering form (1 + z or 1 + y is singular); expected a "
                     "two-port that can be driven from the reference");
            const Complex i11 = d22 / det, i12 = -d12 / det, i21 = -d21 / det, i22 = d11 / det;
            s.s11 = n11 * i11 + n12 * i21;
            s.s12 = n11 * i12 + n12 * i22;
            s.s21 = n21 * i11 + n22 * i21;
            s.s22 = n21 * i12 + n22 * i22;
        }
        for (const Complex value : {s.s11, s.s12, s.s21, s.s22})
            if (!std::isfinite(value.real()) || !std::isfinite(value.imag()))
                Fail("a scattering parameter that is not finite; expected finite values");
        if (!data_.frequenciesHz.empty() && !(frequencyHz > data_.frequenciesHz.back()))
            Fail("frequency " + Figure(point_[0]) +
                 " is not above the one before; expected strictly increasing frequencies");
        data_.frequenciesHz.push_back(frequencyHz);
        s_.push_back(s);
    }

    void AddNoisePoint()
    {
        const double frequencyHz = point_[0] * hzPerUnit_;
        if (!std::isfinite(frequencyHz) || frequencyHz < 0)
            Fail("noise frequency " + Figure(point_[0]) +
                 "; expected a frequency of zero or above");
        if (noise_.size() == kMaxTwoPortPoints)
            Fail("more than " + std::to_string(kMaxTwoPortPoints) +
                 " noise points; expected at most that many");
        if (!noise_.empty() && !(frequencyHz > noise_.back().frequencyHz))
            Fail("noise frequency " + Figure(point_[0]) +
                 " is not above the one before; expected strictly increasing frequencies");
        NoisePoint n;
        n.frequencyHz = frequencyHz;
        n.nfMinDb = point_[1];
        if (n.nfMinDb < 0)
            Fail("NFmin " + Figure(n.nfMinDb) +
                 " dB is below 0; expected a noise figure of 0 dB or more");
        if (point_[2] < 0 || !(point_[2] < 1))
            Fail("|Gamma opt| " + Figure(point_[2]) +
                 "; expected a magnitude from 0 to below 1, a passive source");
        n.gammaOpt = std::polar(point_[2], point_[3] * std::numbers::pi / 180);
        // Version 1.1 normalises Rn to the reference; 2.0 gives ohms.
        n.rnOhms = data_.version2 ? point_[4] : point_[4] * data_.referenceOhms;
        if (!(n.rnOhms > 0) || !std::isfinite(n.rnOhms))
            Fail("noise resistance " + Figure(point_[4]) +
                 "; expected a positive equivalent noise resistance");
        noise_.push_back(n);
    }

    void Finish()
    {
        if (pointLength_ > 0) {
            line_ = pointLine_;
            Fail("the point has " + std::to_string(pointLength_) +
                 " of its 3 numbers; expected the frequency and one complex value");
        }
        if (awaitingReference_)
            Fail("[Reference] without a value; expected the port's reference resistance");
        if (data_.frequenciesHz.empty())
            Fail("no data; expected at least one point: a frequency and one complex value");
        if (frequencyCount_ && *frequencyCount_ != data_.frequenciesHz.size())
            Fail(std::to_string(data_.frequenciesHz.size()) + " points; expected " +
                 std::to_string(*frequencyCount_) + " as [Number of Frequencies] says");
        if (noiseCount_ && *noiseCount_ != noise_.size())
            Fail(std::to_string(noise_.size()) + " noise points; expected " +
                 std::to_string(*noiseCount_) + " as [Number of Noise Frequencies] says");
        if (noiseCount_ && !inNoise_)
            Fail("[Number of Noise Frequencies] without [Noise Data]; expected the noise "
                 "parameters");
    }

    const std::string &fileName_;
    const int ports_;
    const std::size_t quoteBytes_; // the most of a token a message quotes
    OnePortData data_;
    // A two-port's data: the matrices, the noise parameters, and how the
    // file lays them out.
    std::vector<TwoPortMatrix> s_;
    std::vector<NoisePoint> noise_;
    bool sawOrder_ = false, order21First_ = true, halfMatrix_ = false, inNoise_ = false;
    std::optional<std::size_t> noiseCount_;
    std::size_t line_ = 0;
    bool sawAnything_ = false, sawOptions_ = false, sawPorts_ = false;
    bool inNetworkData_ = false, inInformation_ = false, awaitingReference_ = false;
    bool ended_ = false;
    bool noiseAboveUnityWarned_ = false;
    std::optional<std::size_t> frequencyCount_;
    double hzPerUnit_ = units::Frequency::FromGHz(1).hz();
    char parameter_ = 's';
    Format format_ = Format::MagnitudeAngle;
    std::array<double, 9> point_{}; // a two-port's frequency and four complex values at most
    std::size_t pointLength_ = 0;
    std::size_t pointLine_ = 0;
};

} // namespace

OnePortData ReadOnePort(std::string_view text, const std::string &fileName)
{
    Reader reader(fileName, 1);
    reader.Read(text);
    return reader.OnePort();
}

TwoPortData ReadTwoPort(std::string_view text, const std::string &fileName, std::size_t quoteBytes)
{
    Reader reader(fileName, 2, quoteBytes);
    reader.Read(text);
    return reader.TwoPort();
}

} // namespace tevmar::analysis
