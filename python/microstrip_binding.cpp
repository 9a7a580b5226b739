// tevmar.microstrip(substrate, z0=... | width=...): the line's width for an
// impedance or the line of a width, then its impedance, effective
// permittivity, loss and a length's S-parameters at any frequencies. The
// substrate is read and the line worked out by the session's own calls,
// the same tevmar-cli --microstrip makes; nothing here is option text.

#include "python/microstrip_binding.h"

#include "report/number_format.h"
#include "session/options/line_options.h"
#include "session/run/microstrip.h"
#include "units/unit_text.h"

#include <cmath>
#include <complex>
#include <pybind11/complex.h>
#include <pybind11/numpy.h>
#include <stdexcept>
#include <string>

namespace py = pybind11;

namespace tevmar::python {

namespace {

// A plain number: a float, an int or numpy's scalars, not a truth value.
bool IsNumber(const py::handle &value)
{
    return !py::isinstance<py::bool_>(value) && !py::isinstance<py::str>(value) &&
           py::hasattr(value, "__float__") && !py::isinstance<py::array>(value);
}

// A length in metres, or a text with its unit ("25mm").
double LengthOf(const py::handle &value, const char *name)
{
    if (py::isinstance<py::str>(value)) {
        const units::UnitRead<units::Length> read = units::ReadLength(value.cast<std::string>());
        if (!read.value)
            throw std::invalid_argument(std::string(name) + ": " + read.problem);
        return read.value->metres();
    }
    if (!IsNumber(value))
        throw py::type_error(std::string(name) +
                             " is a length in metres or a text such as \"3mm\"");
    return value.cast<double>();
}

class Microstrip
{
  public:
    explicit Microstrip(session::MicrostripOutcome outcome) : o_(std::move(outcome)) {}

    double width() const { return o_.report.width; }
    double z0Static() const { return o_.report.z0Static; }
    double epsEffStatic() const { return o_.report.epsEffStatic; }
    double openEndExtension() const { return o_.report.openEndExtension; }

    py::object z0(const py::object &f) const
    {
        return Each(f, [](const format::MicrostripPoint &p) { return p.z0Ohms; });
    }
    py::object epsEff(const py::object &f) const
    {
        return Each(f, [](const format::MicrostripPoint &p) { return p.epsEff; });
    }
    py::object attenuation(const py::object &f) const
    {
        return Each(f, [](const format::MicrostripPoint &p) { return p.attenuation; });
    }

    // Shape (2, 2) for one frequency, (N, 2, 2) for an array of them.
    py::array_t<std::complex<double>> s(const py::object &f, const py::object &length,
                                        double portOhms) const
    {
        const double metres = LengthOf(length, "length");
        if (!(metres > 0 && metres <= session::kMostLineLength))
            throw std::invalid_argument("length: expected above 0 and at most " +
                                        Figure(session::kMostLineLength) + " m");
        if (!(portOhms > 0 && std::isfinite(portOhms)))
            throw std::invalid_argument("z_port: expected above 0 ohms");
        const bool scalar = IsScalar(f);
        const py::array_t<double> hz = Frequencies(f);
        const auto n = static_cast<py::ssize_t>(hz.size());
        py::array_t<std::complex<double>> s(std::vector<py::ssize_t>{n, 2, 2});
        auto out = s.mutable_unchecked<3>();
        for (py::ssize_t i = 0; i < n; ++i) {
            const format::MicrostripPoint p =
                session::MicrostripPointAt(o_.line, hz.at(i), metres, portOhms);
            out(i, 0, 0) = out(i, 1, 1) = *p.s11;
            out(i, 0, 1) = out(i, 1, 0) = *p.s21;
        }
        if (scalar)
            return s.attr("reshape")(2, 2).cast<py::array_t<std::complex<double>>>();
        return s;
    }

    std::string repr() const
    {
        return "<tevmar.Microstrip width " +
               Figure(units::Length::FromMetres(width()).millimetres()) + " mm, Z0 " +
               Figure(z0Static()) + " ohms>";
    }

  private:
    static bool IsScalar(const py::object &f) { return IsNumber(f); }

    // The frequencies in Hz, each from 0 to the highest the calculator takes.
    static py::array_t<double> Frequencies(const py::object &f)
    {
        const auto hz = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(f);
        if (!hz)
            throw py::type_error("frequencies are numbers of Hz");
        py::array_t<double> flat = hz.attr("ravel")();
        for (py::ssize_t i = 0; i < flat.size(); ++i)
            if (!(flat.at(i) >= 0 && flat.at(i) <= session::kMostLineFrequency.hz()))
                throw std::invalid_argument("a frequency of " + Figure(flat.at(i)) +
                                            " Hz; expected 0 to " +
                                            Figure(session::kMostLineFrequency.hz()) + " Hz");
        return flat;
    }

    template <typename Value> py::object Each(const py::object &f, Value value) const
    {
        const py::array_t<double> hz = Frequencies(f);
        py::array_t<double> values(hz.size());
        auto out = values.mutable_unchecked<1>();
        for (py::ssize_t i = 0; i < hz.size(); ++i)
            out(i) = value(session::MicrostripPointAt(o_.line, hz.at(i), std::nullopt, 50));
        if (IsScalar(f))
            return py::float_(out(0));
        return values.attr("reshape")(py::array(f).attr("shape"));
    }

    session::MicrostripOutcome o_;
};

Microstrip MakeMicrostrip(const std::string &substrate, const py::object &z0,
                          const py::object &width)
{
    const session::SubstrateRead read = session::ReadSubstrate(substrate);
    if (!read.substrate)
        throw std::invalid_argument("substrate: " + read.problem);
    if (z0.is_none() == width.is_none())
        throw std::invalid_argument("give either z0 (ohms) or width");
    session::MicrostripInput input;
    input.substrate = *read.substrate;
    if (!z0.is_none()) {
        if (!IsNumber(z0))
            throw py::type_error("z0 is a number of ohms");
        input.impedanceOhms = z0.cast<double>();
        if (!(*input.impedanceOhms > 0))
            throw std::invalid_argument("z0: expected above 0 ohms");
    } else {
        input.width = LengthOf(width, "width");
        if (!(*input.width > 0))
            throw std::invalid_argument("width: expected above 0");
    }
    session::MicrostripRun run = session::RunMicrostrip(input);
    if (!run.outcome)
        throw std::invalid_argument("microstrip: " + run.problem);
    for (const std::string &warning : run.warnings)
        if (PyErr_WarnEx(PyExc_UserWarning, ("microstrip: " + warning).c_str(), 1) != 0)
            throw py::error_already_set();
    return Microstrip(std::move(*run.outcome));
}

} // namespace

void BindMicrostrip(py::module_ &m)
{
    py::class_<Microstrip>(m, "Microstrip",
                           "A microstrip line on a substrate: Hammerstad-Jensen static values "
                           "with the strip-thickness correction, Kirschning-Jansen dispersion, "
                           "conductor loss with roughness, dielectric loss. SI units: metres, "
                           "Hz, ohms, nepers per metre")
        .def_property_readonly("width", &Microstrip::width, "the strip's width, m")
        .def_property_readonly("z0_static", &Microstrip::z0Static, "quasi-static Z0, ohms")
        .def_property_readonly("eps_eff_static", &Microstrip::epsEffStatic)
        .def_property_readonly("open_end_extension", &Microstrip::openEndExtension,
                               "how much longer an open end makes the line, m")
        .def("z0", &Microstrip::z0, py::arg("f"), "the impedance at f (Hz, number or array)")
        .def("eps_eff", &Microstrip::epsEff, py::arg("f"),
             "the effective permittivity at f (Hz, number or array)")
        .def("attenuation", &Microstrip::attenuation, py::arg("f"),
             "conductor and dielectric loss at f (Hz), nepers per metre")
        .def("s", &Microstrip::s, py::arg("f"), py::arg("length"), py::arg("z_port") = 50.0,
             "the S-parameters of a length of the line (m, or a text such as \"25mm\") between "
             "two ports of z_port ohms: shape (2, 2) at one frequency, (N, 2, 2) at N")
        .def("__repr__", &Microstrip::repr);
    m.def("microstrip", &MakeMicrostrip, py::arg("substrate"), py::kw_only(),
          py::arg("z0") = py::none(), py::arg("width") = py::none(),
          "a microstrip line on substrate (\"er=4.4,h=1.6mm,t=35um,tand=0.02\") of impedance "
          "z0 ohms, or of width (m, or a text such as \"3mm\")");
}

} // namespace tevmar::python
