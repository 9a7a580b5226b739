#include "analysis/model/circuit_expression.h"

#include "report/number_format.h"
#include "units/unit_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <numbers>
#include <optional>
#include <utility>

namespace tevmar::analysis {

namespace {

// The parts a termination's model is made of, with room on either side: a
// bond wire's fraction of a nanohenry to a choke's henry, a fringe field's
// attofarads to a reservoir capacitor's farad.
struct PartLimits
{
    double least, most;
    const char *unit;
};
constexpr PartLimits kResistance{0, 1e9, "ohm"};
constexpr PartLimits kInductance{1e-15, 1, "H"};
constexpr PartLimits kCapacitance{1e-18, 1, "F"};

struct UnitWord
{
    const char *text;
    Circuit::Kind kind;
};
constexpr UnitWord kUnits[] = {{"H", Circuit::Kind::Inductor},
                               {"F", Circuit::Kind::Capacitor},
                               {"ohm", Circuit::Kind::Resistor},
                               {"Ohm", Circuit::Kind::Resistor},
                               {"ohms", Circuit::Kind::Resistor},
                               {"R", Circuit::Kind::Resistor},
                               {"\xCE\xA9", Circuit::Kind::Resistor},     // Greek omega
                               {"\xE2\x84\xA6", Circuit::Kind::Resistor}, // ohm sign
                               {"", Circuit::Kind::Resistor}};

// A byte of a unit word: an ASCII letter or a byte of a UTF-8 sequence (the
// micro, mu, omega and ohm signs).
bool UnitByte(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return std::isalpha(u) || u >= 0x80;
}

// What was found at a position, quoted and printable.
std::string Found(const std::string &text, std::size_t at)
{
    if (at >= text.size())
        return "the end";
    const auto u = static_cast<unsigned char>(text[at]);
    if (u >= 0x20 && u < 0x7f)
        return "\"" + text.substr(at, 1) + "\"";
    static const char hex[] = "0123456789abcdef";
    return std::string("byte 0x") + hex[u >> 4] + hex[u & 15];
}

} // namespace

// A recursive-descent reader of the expression; every refusal names the
// position (1-based) and what it expected there.
class CircuitReader
{
  public:
    explicit CircuitReader(const std::string &text) : text_(text) {}

    Circuit Read()
    {
        if (text_.size() > kMaxCircuitText)
            throw CircuitError("the circuit has " + std::to_string(text_.size()) +
                               " characters; at most " + std::to_string(kMaxCircuitText));
        Circuit c = Group(0);
        SkipSpace();
        if (at_ < text_.size())
            Fail(text_[at_] == ')' ? "an operator (\"+\" or \"||\") or the end; this \")\" closes "
                                     "no \"(\""
                                   : "an operator (\"+\" or \"||\") or the end");
        return c;
    }

  private:
    [[noreturn]] void Fail(const std::string &expected) const { Fail(at_, expected); }
    [[noreturn]] void Fail(std::size_t at, const std::string &expected) const
    {
        throw CircuitError("at character " + std::to_string(at + 1) + ": found " +
                           Found(text_, at) + "; expected " + expected);
    }

    void SkipSpace()
    {
        while (at_ < text_.size() && text_[at_] == ' ')
            ++at_;
    }

    // "+" or "||" at the position, or none.
    std::optional<Circuit::Kind> Operator()
    {
        SkipSpace();
        if (at_ < text_.size() && text_[at_] == '+')
            return Circuit::Kind::Series;
        if (text_.compare(at_, 2, "||") == 0)
            return Circuit::Kind::Parallel;
        if (at_ < text_.size() && text_[at_] == '|')
            Fail(at_ + 1, "a second \"|\": parallel is written \"||\"");
        return std::nullopt;
    }

    Circuit Group(int depth)
    {
        if (depth > kMaxCircuitDepth)
            Fail("at most " + std::to_string(kMaxCircuitDepth) + " levels of parentheses");
        Circuit first = Operand(depth);
        const std::optional<Circuit::Kind> join = Operator();
        if (!join)
            return first;
        Circuit group;
        group.kind_ = *join;
        group.parts_.push_back(std::move(first));
        while (const std::optional<Circuit::Kind> next = Operator()) {
            if (*next != *join)
                Fail(std::string("\"") + (*join == Circuit::Kind::Series ? "+" : "||") +
                     "\" again or parentheses: \"+\" and \"||\" side by side need parentheses "
                     "to say which joins first");
            at_ += *next == Circuit::Kind::Series ? 1 : 2;
            group.parts_.push_back(Operand(depth));
        }
        return group;
    }

    Circuit Operand(int depth)
    {
        SkipSpace();
        if (at_ < text_.size() && text_[at_] == '(') {
            const std::size_t open = at_++;
            Circuit inner = Group(depth + 1);
            SkipSpace();
            if (at_ >= text_.size() || text_[at_] != ')')
                Fail("\")\" to close the \"(\" at character " + std::to_string(open + 1));
            ++at_;
            return inner;
        }
        return Part();
    }

    Circuit Part()
    {
        SkipSpace();
        const std::size_t start = at_;
        const char *first = text_.data() + at_;
        const char *last = text_.data() + text_.size();
        if (at_ >= text_.size() ||
            !(std::isdigit(static_cast<unsigned char>(*first)) || *first == '.'))
            Fail("a part (a number with its unit: 20, 2.7nH, 0.3pF) or \"(\"");
        double number = 0;
        const auto [end, ec] = std::from_chars(first, last, number, std::chars_format::general);
        if (ec == std::errc::result_out_of_range)
            Fail(start, "a number that a double holds");
        if (ec != std::errc{})
            Fail(start, "a number");
        at_ = static_cast<std::size_t>(end - text_.data());
        SkipSpace();
        const std::size_t unitAt = at_;
        while (at_ < text_.size() && UnitByte(text_[at_]))
            ++at_;
        const std::string word = text_.substr(unitAt, at_ - unitAt);
        Circuit part;
        if (!ReadUnit(word, number, part))
            Fail(unitAt, std::string("a unit: ohm (or none), H or F, each with an optional "
                                     "prefix ") +
                             units::kPrefixNames);
        if (++parts_ > kMaxCircuitParts)
            Fail(start, "at most " + std::to_string(kMaxCircuitParts) + " parts");
        const PartLimits &limits = part.kind_ == Circuit::Kind::Inductor    ? kInductance
                                   : part.kind_ == Circuit::Kind::Capacitor ? kCapacitance
                                                                            : kResistance;
        if (!(part.value_ >= limits.least && part.value_ <= limits.most))
            Fail(start, "a value from " + units::EngineeringValue(limits.least, limits.unit) +
                            " to " + units::EngineeringValue(limits.most, limits.unit));
        return part;
    }

    // The unit word after a number: a prefix and a unit, either may be left
    // out ("20", "1k", "2.7nH", "0.3 pF").
    static bool ReadUnit(const std::string &word, double number, Circuit &part)
    {
        // A prefix alone is a resistance's ("1k"); "m" alone is milliohms. No
        // unit word ends another's prefix, so at most one reading fits.
        for (const UnitWord &unit : kUnits) {
            const std::string_view name = unit.text;
            if (word.size() < name.size() ||
                word.compare(word.size() - name.size(), name.size(), name) != 0)
                continue;
            if (const std::optional<double> scale = units::PrefixScale(
                    std::string_view(word).substr(0, word.size() - name.size()))) {
                part.kind_ = unit.kind;
                part.value_ = number * *scale;
                return true;
            }
        }
        return false;
    }

    const std::string &text_;
    std::size_t at_ = 0;
    std::size_t parts_ = 0;
};

Circuit Circuit::Parse(const std::string &text)
{
    return CircuitReader(text).Read();
}

std::complex<double> Circuit::ImpedanceAt(double frequencyHz) const
{
    const double omega = 2 * std::numbers::pi * frequencyHz;
    std::complex<double> z;
    switch (kind_) {
    case Kind::Resistor:
        z = value_;
        break;
    case Kind::Inductor:
        z = {0, omega * value_};
        break;
    case Kind::Capacitor:
        z = {0, -1 / (omega * value_)};
        break;
    case Kind::Series:
        for (const Circuit &part : parts_)
            z += part.ImpedanceAt(frequencyHz);
        break;
    case Kind::Parallel: {
        std::complex<double> y;
        bool shorted = false;
        for (const Circuit &part : parts_) {
            const std::complex<double> zPart = part.ImpedanceAt(frequencyHz);
            if (zPart == std::complex<double>{})
                shorted = true;
            else
                y += 1.0 / zPart;
        }
        z = shorted                       ? std::complex<double>{}
            : y == std::complex<double>{} ? std::complex<double>{kOpenCircuitOhms, 0}
                                          : 1.0 / y;
        break;
    }
    }
    // Passive parts give Re Z >= 0; rounding may leave a trace below it.
    if (!std::isfinite(z.real()) || !std::isfinite(z.imag()) || std::abs(z) > kOpenCircuitOhms)
        return {kOpenCircuitOhms, 0};
    return {std::max(0.0, z.real()), z.imag()};
}

std::string Circuit::Text() const
{
    switch (kind_) {
    case Kind::Resistor:
        return units::EngineeringValue(value_, "ohm", 6);
    case Kind::Inductor:
        return units::EngineeringValue(value_, "H", 6, -9);
    case Kind::Capacitor:
        return units::EngineeringValue(value_, "F", 6, -12);
    case Kind::Series:
    case Kind::Parallel:
        break;
    }
    std::string text;
    for (const Circuit &part : parts_) {
        if (!text.empty())
            text += kind_ == Kind::Series ? " + " : " || ";
        const bool group = part.kind_ == Kind::Series || part.kind_ == Kind::Parallel;
        text += group ? "(" + part.Text() + ")" : part.Text();
    }
    return text;
}

CircuitSamples SampleCircuit(const Circuit &circuit, double f1Hz, double f2Hz, std::size_t count)
{
    const double low = std::min(f1Hz, f2Hz), high = std::max(f1Hz, f2Hz);
    count = std::max<std::size_t>(count, 2);
    CircuitSamples samples;
    for (std::size_t i = 0; i < count; ++i) {
        const double f = i + 1 == count ? high
                                        : low + (high - low) * static_cast<double>(i) /
                                                    static_cast<double>(count - 1);
        if (!samples.frequenciesHz.empty() && !(f > samples.frequenciesHz.back()))
            continue; // a band of one frequency
        samples.frequenciesHz.push_back(f);
        samples.impedanceOhms.push_back(circuit.ImpedanceAt(f));
    }
    return samples;
}

} // namespace tevmar::analysis
