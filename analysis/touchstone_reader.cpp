#include "analysis/touchstone_reader.h"

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

enum class Format { MagnitudeAngle, DecibelAngle, RealImaginary };

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
    explicit Reader(const std::string &fileName) : fileName_(fileName) {}

    OnePortData Read(std::string_view text)
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
        return std::move(data_);
    }

  private:
    std::string Where() const
    {
        return PrintableText(fileName_) + ":" + std::to_string(line_) + ": ";
    }

    [[noreturn]] void Fail(const std::string &what) const { throw TouchstoneError(Where() + what); }

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
            Fail("[" + PrintableText(name, kQuotedTokenBytes) +
                 "] belongs to Touchstone 2.0; expected the file to open with [Version] 2.0");
        sawAnything_ = true;
        if (name == "number of ports") {
            const double ports = Number(rest, "the number of ports");
            if (ports != 1)
                Fail("a file of " + PrintableText(rest, kQuotedTokenBytes) +
                     " ports; expected one port, the load's reflection alone");
            sawPorts_ = true;
        } else if (name == "number of frequencies") {
            const double count = Number(rest, "the number of frequencies");
            if (!(count >= 1 && count == std::floor(count) && count < 1e9))
                Fail("[Number of Frequencies] " + Quoted(rest) + "; expected a whole number");
            frequencyCount_ = static_cast<std::size_t>(count);
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
            if (format != "full" && format != "lower" && format != "upper")
                Warn("unknown [Matrix Format] " + Quoted(rest) +
                     "; read as Full, which is all a one-port can be");
        } else if (name == "begin information") {
            inInformation_ = true;
        } else if (name == "network data") {
            if (!sawOptions_ || !sawPorts_)
                Fail("[Network Data] before the option line and [Number of Ports]; expected both "
                     "first");
            inNetworkData_ = true;
        } else if (name == "end") {
            ended_ = true;
        } else if (name == "two-port data order" || name == "number of noise frequencies" ||
                   name == "noise data" || name == "mixed-mode order") {
            Fail("[" + name +
                 "] belongs to a file of more than one port; expected a one-port file");
        } else {
            Fail("unknown keyword [" + PrintableText(name, kQuotedTokenBytes) +
                 "]; expected a Touchstone 2.0 keyword");
        }
    }

    void Reference(std::string_view text)
    {
        const std::vector<std::string_view> tokens = Tokens(text);
        if (tokens.size() != 1)
            Fail(std::to_string(tokens.size()) +
                 " reference resistances; expected one, the port's");
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
                     " parameters describe a two-port; expected S, Y or Z of a one-port");
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
        // Tokens are read one at a time: a line of a million numbers is
        // counted, not stored.
        std::string_view token;
        for (std::size_t at = 0; NextToken(line, at, token);) {
            if (pointLength_ == 0)
                pointLine_ = line_;
            point_[pointLength_] =
                Number(token, pointLength_ == 0 ? "a frequency" : "a value of S11, Y or Z");
            ++pointLength_;
            if (pointLength_ < point_.size())
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
            if (std::abs(value) > 1 + 1e-12)
                Fail("|S11| " + Figure(std::abs(value)) +
                     " is above 1, a negative resistance; expected a passive load, |S11| <= 1");
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
    }

    const std::string &fileName_;
    OnePortData data_;
    std::size_t line_ = 0;
    bool sawAnything_ = false, sawOptions_ = false, sawPorts_ = false;
    bool inNetworkData_ = false, inInformation_ = false, awaitingReference_ = false;
    bool ended_ = false;
    std::optional<std::size_t> frequencyCount_;
    double hzPerUnit_ = units::Frequency::FromGHz(1).hz();
    char parameter_ = 's';
    Format format_ = Format::MagnitudeAngle;
    std::array<double, 3> point_{};
    std::size_t pointLength_ = 0;
    std::size_t pointLine_ = 0;
};

} // namespace

OnePortData ReadOnePort(std::string_view text, const std::string &fileName)
{
    return Reader(fileName).Read(text);
}

} // namespace tevmar::analysis
