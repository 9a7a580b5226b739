#pragma once

// Frequencies, inductances, capacitances, resistances and lengths as value types, each
// stored in its SI unit. A value enters in the unit it was typed or read in
// (FromGHz, FromNanohenries, ...) and leaves in the unit a text needs (ghz(),
// nanohenries(), ...): the factors between units are written here and nowhere
// else, and a capacitance cannot be passed where an inductance is meant.

#include <compare>
#include <numbers>

namespace tevmar::units {

// The arithmetic every quantity shares: sums and differences of one kind,
// scaling by a plain number, the ratio of two of one kind, and ordering.
template <class Derived> class Quantity
{
  public:
    constexpr Quantity() = default;

    // The value in the SI unit (Hz, H, F, ohm, m).
    constexpr double si() const { return si_; }

    friend constexpr Derived operator+(Derived a, Derived b)
    {
        return Derived::FromSi(a.si_ + b.si_);
    }
    friend constexpr Derived operator-(Derived a, Derived b)
    {
        return Derived::FromSi(a.si_ - b.si_);
    }
    friend constexpr Derived operator*(Derived a, double k) { return Derived::FromSi(a.si_ * k); }
    friend constexpr Derived operator*(double k, Derived a) { return Derived::FromSi(a.si_ * k); }
    friend constexpr Derived operator/(Derived a, double k) { return Derived::FromSi(a.si_ / k); }
    friend constexpr double operator/(Derived a, Derived b) { return a.si_ / b.si_; }
    friend constexpr auto operator<=>(const Derived &a, const Derived &b)
    {
        return a.si_ <=> b.si_;
    }
    friend constexpr bool operator==(const Derived &a, const Derived &b) { return a.si_ == b.si_; }

  protected:
    constexpr explicit Quantity(double si) : si_(si) {}

  private:
    double si_ = 0;
};

class Frequency : public Quantity<Frequency>
{
  public:
    constexpr Frequency() = default;
    static constexpr Frequency FromSi(double hz) { return Frequency(hz); }
    static constexpr Frequency FromHz(double hz) { return Frequency(hz); }
    static constexpr Frequency FromKHz(double khz) { return Frequency(khz * 1e3); }
    static constexpr Frequency FromMHz(double mhz) { return Frequency(mhz * 1e6); }
    static constexpr Frequency FromGHz(double ghz) { return Frequency(ghz * 1e9); }

    constexpr double hz() const { return si(); }
    constexpr double khz() const { return si() / 1e3; }
    constexpr double mhz() const { return si() / 1e6; }
    constexpr double ghz() const { return si() / 1e9; }
    // The angular frequency, rad/s.
    constexpr double omega() const { return 2.0 * std::numbers::pi * si(); }

  private:
    constexpr explicit Frequency(double hz) : Quantity(hz) {}
};

class Inductance : public Quantity<Inductance>
{
  public:
    constexpr Inductance() = default;
    static constexpr Inductance FromSi(double henries) { return Inductance(henries); }
    static constexpr Inductance FromHenries(double henries) { return Inductance(henries); }
    static constexpr Inductance FromNanohenries(double nh) { return Inductance(nh * 1e-9); }

    constexpr double henries() const { return si(); }
    constexpr double nanohenries() const { return si() * 1e9; }

  private:
    constexpr explicit Inductance(double henries) : Quantity(henries) {}
};

class Capacitance : public Quantity<Capacitance>
{
  public:
    constexpr Capacitance() = default;
    static constexpr Capacitance FromSi(double farads) { return Capacitance(farads); }
    static constexpr Capacitance FromFarads(double farads) { return Capacitance(farads); }
    static constexpr Capacitance FromPicofarads(double pf) { return Capacitance(pf * 1e-12); }

    constexpr double farads() const { return si(); }
    constexpr double picofarads() const { return si() * 1e12; }

  private:
    constexpr explicit Capacitance(double farads) : Quantity(farads) {}
};

class Resistance : public Quantity<Resistance>
{
  public:
    constexpr Resistance() = default;
    static constexpr Resistance FromSi(double ohms) { return Resistance(ohms); }
    static constexpr Resistance FromOhms(double ohms) { return Resistance(ohms); }

    constexpr double ohms() const { return si(); }

  private:
    constexpr explicit Resistance(double ohms) : Quantity(ohms) {}
};

// A length on a board: a substrate's height, a copper thickness, a line's
// width and length, a surface roughness.
class Length : public Quantity<Length>
{
  public:
    constexpr Length() = default;
    static constexpr Length FromSi(double metres) { return Length(metres); }
    static constexpr Length FromMetres(double metres) { return Length(metres); }
    static constexpr Length FromMillimetres(double mm) { return Length(mm * 1e-3); }
    static constexpr Length FromMicrometres(double um) { return Length(um * 1e-6); }
    // A thousandth of an inch, the unit laminates and copper are often sold in.
    static constexpr Length FromMils(double mils) { return Length(mils * 25.4e-6); }

    constexpr double metres() const { return si(); }
    constexpr double millimetres() const { return si() * 1e3; }
    constexpr double micrometres() const { return si() * 1e6; }

  private:
    constexpr explicit Length(double metres) : Quantity(metres) {}
};

// A time in seconds as nanoseconds, the unit group delay is shown in.
constexpr double Nanoseconds(double seconds)
{
    return seconds * 1e9;
}

// A time counted in nanoseconds (as a clock gives it) in milliseconds.
constexpr double Milliseconds(double nanoseconds)
{
    return nanoseconds / 1e6;
}

// Siemens to millisiemens, the unit an admittance is read in on the chart.
inline constexpr double kMillisiemensPerSiemens = 1e3;

// The factor between a product of a frequency and a length in GHz mm, the
// unit the published microstrip dispersion formulas are fitted in, and the
// same product in Hz m.
inline constexpr double kGigahertzMillimetresPerHertzMetre = 1e-6;

// The factor between a part's value in the unit the element table, the
// exports and the options write it (nH for an inductor, pF for a capacitor)
// and its SI value, for code that holds both kinds as one number.
inline constexpr double kSiPerNanohenry = 1e-9;
inline constexpr double kSiPerPicofarad = 1e-12;

} // namespace tevmar::units
