// The tevmar Python module: a design, a tuning or a match into a measured
// load as one function call, its outcome as Python values and numpy arrays.
// Every figure and text comes from the same run as tevmar-cli's; this file
// only turns Python arguments into a request and the outcome into objects.

#include "report/line.h"
#include "report/number_format.h"
#include "report/report_file.h"
#include "session/analysis_settings.h"
#include "session/command_line.h"
#include "session/input_checks.h"
#include "session/network_view.h"
#include "session/run.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <pybind11/complex.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace py = pybind11;
using namespace tevmar;

namespace {

// ---------------------------------------------------------------- arguments

// A box's text: a string as typed, a number as its shortest round-trip text.
std::string BoxText(const py::handle &value, const char *option)
{
    if (py::isinstance<py::str>(value)) {
        std::string text = value.cast<std::string>();
        if (text.find_first_of("\r\n") != std::string::npos)
            throw std::invalid_argument(std::string(option) +
                                        ": the text holds a line break, which no text box "
                                        "can hold");
        return text;
    }
    const bool number = py::isinstance<py::float_>(value) || py::isinstance<py::int_>(value);
    if (py::isinstance<py::bool_>(value) || !number)
        throw py::type_error(std::string(option) + ": expects a text or a number");
    return ShortestNumber(value.cast<double>());
}

// The text of an argument as tevmar-cli would have received it.
std::string ArgumentText(const py::handle &value)
{
    if (py::isinstance<py::str>(value))
        return value.cast<std::string>();
    if (py::isinstance<py::float_>(value))
        return ShortestNumber(value.cast<double>());
    return py::str(value).cast<std::string>();
}

// The keyword arguments as tevmar-cli's options: q_l=60 as "--q-l 60", a
// flag given True alone, a (MIN, MAX) pair as "MIN:MAX"; None and False
// leave an option out.
void AddKeywords(const py::kwargs &kwargs, std::vector<std::string> &args)
{
    for (const auto &[key, value] : kwargs) {
        std::string option = "--" + py::str(key).cast<std::string>();
        std::replace(option.begin(), option.end(), '_', '-');
        if (value.is_none() || (py::isinstance<py::bool_>(value) && !value.cast<bool>()))
            continue;
        args.push_back(option);
        if (py::isinstance<py::bool_>(value))
            continue;
        if (py::isinstance<py::tuple>(value) || py::isinstance<py::list>(value)) {
            const py::sequence pair = value.cast<py::sequence>();
            if (pair.size() != 2)
                throw std::invalid_argument(option + ": expects (MIN, MAX)");
            args.push_back(ArgumentText(pair[0]) + ":" + ArgumentText(pair[1]));
        } else {
            args.push_back(ArgumentText(value));
        }
    }
}

// The request tevmar-cli makes of the same arguments, refused with its
// message; the report file is left alone until save().
session::Request RequestOf(const std::vector<std::string> &args)
{
    const session::CommandLine c = session::ParseCommandLine(args, kReportFileName);
    if (!c.problem.empty())
        throw std::invalid_argument(c.problem);
    for (const std::string &warning : c.warnings)
        PyErr_WarnEx(PyExc_UserWarning, warning.c_str(), 1);
    for (const std::string &warning : session::DesignInputWarnings(c.design))
        PyErr_WarnEx(PyExc_UserWarning, warning.c_str(), 1);
    session::Request request = session::RequestOf(c);
    request.reportPath.reset();
    return request;
}

// ------------------------------------------------------------------ outcome

// Runs the request without the interpreter's lock: a tuning takes seconds
// and other Python threads go on meanwhile.
session::Outcome RunReleased(const session::Request &request)
{
    py::gil_scoped_release release;
    return session::Run(request);
}

// A request the run could not carry out is the caller's error: the run's own
// message, as tevmar-cli prints it. Warnings go to Python's warnings.
void RaiseOnBadUsage(const session::Outcome &outcome)
{
    std::string problems;
    for (const session::Message &m : outcome.messages) {
        if (m.kind == session::Message::Kind::Warning)
            PyErr_WarnEx(PyExc_UserWarning, m.text.c_str(), 1);
        else if (outcome.status == session::ExitStatus::BadUsage)
            problems += (problems.empty() ? "" : "; ") + m.text;
    }
    if (outcome.status == session::ExitStatus::BadUsage)
        throw std::invalid_argument(problems);
}

// A str or os.PathLike as the path's text.
std::string PathText(const py::object &path)
{
    return py::str(py::module_::import("os").attr("fspath")(path)).cast<std::string>();
}

py::object JsonLoads(const std::string &text)
{
    return py::module_::import("json").attr("loads")(text);
}

class Network
{
  public:
    Network(analysis::Network ladder, double gammaMax, py::object elements)
        : ladder_(std::move(ladder)), gammaMax_(gammaMax), elements_(std::move(elements))
    {
    }

    double gammaMax() const { return gammaMax_; }
    py::object elements() const { return elements_; }
    std::pair<double, double> ports() const { return {ladder_.port1Ohms, ladder_.port2Ohms}; }

    // (N, 2, 2) complex S-parameters of the network alone.
    py::array_t<std::complex<double>> s(const std::vector<double> &frequenciesHz) const
    {
        const std::vector<session::TwoPortS> points =
            session::NetworkSParameters(ladder_, frequenciesHz);
        py::array_t<std::complex<double>> out(
            {static_cast<py::ssize_t>(points.size()), py::ssize_t{2}, py::ssize_t{2}});
        auto view = out.mutable_unchecked<3>();
        for (py::ssize_t i = 0; i < static_cast<py::ssize_t>(points.size()); ++i) {
            const session::TwoPortS &p = points[static_cast<std::size_t>(i)];
            view(i, 0, 0) = p.s11;
            view(i, 0, 1) = p.s12;
            view(i, 1, 0) = p.s21;
            view(i, 1, 1) = p.s22;
        }
        return out;
    }

    py::object toSkrf(const py::object &frequenciesHz) const
    {
        py::module_ skrf;
        try {
            skrf = py::module_::import("skrf");
        } catch (const py::error_already_set &) {
            throw py::import_error("Network.to_skrf needs scikit-rf (Debian: python3-scikit-rf)");
        }
        const py::module_ np = py::module_::import("numpy");
        const py::object f = np.attr("asarray")(frequenciesHz, "float");
        const py::object sMatrix = s(f.cast<std::vector<double>>());
        // Each port referred to its own termination, one row per frequency.
        const py::object z0 = np.attr("tile")(py::make_tuple(ladder_.port1Ohms, ladder_.port2Ohms),
                                              py::make_tuple(py::len(f), 1));
        const py::object frequency =
            skrf.attr("Frequency").attr("from_f")(f, py::arg("unit") = "hz");
        return skrf.attr("Network")(py::arg("frequency") = frequency, py::arg("s") = sMatrix,
                                    py::arg("z0") = z0);
    }

  private:
    analysis::Network ladder_;
    double gammaMax_;
    py::object elements_;
};

class Design
{
  public:
    Design(session::Request request, session::Outcome outcome)
        : request_(std::move(request)), outcome_(std::move(outcome))
    {
    }

    bool solved() const { return outcome_.design.solved(); }
    double gammaMax() const { return session::DesignGammaMax(outcome_); }
    int status() const { return static_cast<int>(outcome_.status); }

    std::vector<std::string> paneLines() const { return ComposeLines(outcome_.design.report.pane); }

    py::bytes report() const { return py::bytes(outcome_.design.report.file); }

    std::vector<std::string> messages() const
    {
        std::vector<std::string> texts;
        for (const session::Message &m : outcome_.messages)
            texts.push_back(m.text);
        return texts;
    }

    // The JSON document of tevmar-cli --json for the same inputs; a plain
    // design is analysed the first time it is asked for.
    const std::string &json()
    {
        if (request_.json)
            return outcome_.standardOutput;
        if (!json_) {
            session::Request request = request_;
            request.json = true;
            json_ = RunReleased(request).standardOutput;
        }
        return *json_;
    }

    py::object document() { return JsonLoads(json()); }
    py::object elements() { return document().attr("get")("elements"); }
    py::object fit() { return document().attr("get")("measuredLoad"); }

    void save(const py::object &path) const
    {
        if (!solved())
            throw std::invalid_argument("no design: there is no report to save");
        session::CalculateOutcome design = outcome_.design;
        session::SaveReport(design, PathText(path));
        if (design.saving != session::ReportSaving::Saved)
            throw py::value_error(design.reportError);
    }

    Network network()
    {
        std::optional<analysis::Network> ladder = session::NetworkOf(outcome_);
        if (!ladder)
            throw std::invalid_argument("no design: " + outcome_.design.boxes.errorReason);
        return {std::move(*ladder), session::NetworkGammaMax(outcome_), NetworkElements()};
    }

  private:
    // The JSON's entries of the network's parts, in the network's order.
    py::list NetworkElements()
    {
        const py::object doc = document();
        if (outcome_.tuned && outcome_.tuned->standard)
            return doc["tuned"]["standardValues"]["elements"];
        if (outcome_.tuned)
            return doc["tuned"]["elements"];
        py::list parts;
        for (const py::handle &row : doc["elements"])
            if (row.contains("part") && !row["absorbedLoad"].cast<bool>())
                parts.append(row);
        return parts;
    }

    // The design run again with more keywords and `flag` set, into the
    // measured data already read: the file may have changed since.
    Design Rerun(const py::kwargs &kwargs, const char *flag) const
    {
        py::kwargs merged;
        for (const auto &[key, value] : settingsKwargs_)
            merged[key] = value;
        for (const auto &[key, value] : kwargs)
            merged[key] = value;
        merged[flag] = true;
        std::vector<std::string> args = arguments_;
        AddKeywords(merged, args);
        session::Request request = RequestOf(args);
        request.json = true;
        if (outcome_.match && request.measuredLoad)
            request.measuredLoad->data = outcome_.match->data;
        session::Outcome outcome = RunReleased(request);
        RaiseOnBadUsage(outcome);
        return {std::move(request), std::move(outcome)};
    }

  public:
    Design tune(const py::kwargs &kwargs) const { return Rerun(kwargs, "tune"); }

    // Every candidate topology tuned into the true load, best first, as the
    // JSON's "candidates" lists them.
    py::object candidates(const py::kwargs &kwargs) const
    {
        Design ranked = Rerun(kwargs, "candidates");
        return ranked.document()["candidates"];
    }

    // The design's own arguments and analysis keywords, which a tune starts from.
    void KeepArguments(std::vector<std::string> arguments, py::kwargs kwargs)
    {
        arguments_ = std::move(arguments);
        settingsKwargs_ = std::move(kwargs);
    }

  private:
    session::Request request_;
    session::Outcome outcome_;
    std::optional<std::string> json_;
    std::vector<std::string> arguments_;
    py::kwargs settingsKwargs_;
};

Design MakeDesign(const py::object &f1, const py::object &f2, const py::object &zhigh,
                  const py::object &zlow, const py::object &order, const py::object &load,
                  const py::object &absorb, const py::kwargs &analysis)
{
    std::vector<std::string> args{
        "--f1",    BoxText(f1, "--f1"),       "--f2",   BoxText(f2, "--f2"),
        "--zhigh", BoxText(zhigh, "--zhigh"), "--zlow", BoxText(zlow, "--zlow"),
        "--order", ArgumentText(order),       "--load", ArgumentText(load)};
    if (!absorb.is_none())
        args.insert(args.end(), {"--absorb", BoxText(absorb, "--absorb")});
    std::vector<std::string> all = args;
    AddKeywords(analysis, all);
    session::Request request = RequestOf(all);
    // A tuning keeps its document: the run that tunes also renders it.
    request.json = request.tune;
    session::Outcome outcome = request.tune ? RunReleased(request) : session::Run(request);
    RaiseOnBadUsage(outcome);
    Design design(std::move(request), std::move(outcome));
    design.KeepArguments(std::move(args), analysis);
    return design;
}

Design MakeMatch(const py::object &f1, const py::object &f2, const py::object &loadS1p,
                 const py::object &source, const py::object &order, const py::object &loadKind,
                 const py::kwargs &analysis)
{
    std::vector<std::string> args{
        "--f1",     BoxText(f1, "--f1"), "--f2",       BoxText(f2, "--f2"),
        "--order",  ArgumentText(order), "--load-s1p", PathText(loadS1p),
        "--source", ArgumentText(source)};
    if (!loadKind.is_none())
        args.insert(args.end(), {"--load-kind", ArgumentText(loadKind)});
    std::vector<std::string> all = args;
    AddKeywords(analysis, all);
    session::Request request = RequestOf(all);
    request.json = true; // a measured load is always analysed: keep the document
    session::Outcome outcome = RunReleased(request);
    RaiseOnBadUsage(outcome);
    Design design(std::move(request), std::move(outcome));
    design.KeepArguments(std::move(args), analysis);
    return design;
}

} // namespace

PYBIND11_MODULE(tevmar, m)
{
    m.doc() = "Chebyshev impedance-matching networks: design, tune and match a measured load";

    py::class_<Network>(m, "Network", "The matching network alone, between its two ports")
        .def_property_readonly("elements", &Network::elements,
                               "the parts from port 1 (high impedance), as the JSON lists them")
        .def_property_readonly("gamma_max", &Network::gammaMax,
                               "worst in-band |S11| into the true load")
        .def_property_readonly("port_ohms", &Network::ports,
                               "(port 1, port 2) reference resistances")
        .def("s", &Network::s, py::arg("freqs_hz"),
             "S-parameters, shape (N, 2, 2), port 1 referred to Zhigh and port 2 to Zlow")
        .def("to_skrf", &Network::toSkrf, py::arg("freqs_hz"),
             "the same as a scikit-rf Network (needs scikit-rf)");

    py::class_<Design>(m, "Design", "One run: a design, a tuning or a match into measured data")
        .def_property_readonly("solved", &Design::solved)
        .def_property_readonly("pane_lines", &Design::paneLines,
                               "the result lines tevmar-cli prints")
        .def_property_readonly("report", &Design::report, "the bytes of tevmar.prt")
        .def_property_readonly("elements", &Design::elements)
        .def_property_readonly("gamma_max", &Design::gammaMax)
        .def_property_readonly("fit", &Design::fit, "the measured load's fit (match only)")
        .def_property_readonly("messages", &Design::messages)
        .def_property_readonly("exit_status", &Design::status, "tevmar-cli's exit status")
        .def("to_json", &Design::json, "the document tevmar-cli --json writes")
        .def("save", &Design::save, py::arg("path"), "writes the report file")
        .def("network", &Design::network)
        .def("tune", &Design::tune,
             "re-tunes the values into the true load (eseries=, l_range=, c_range=, ...)")
        .def("candidates", &Design::candidates,
             "every candidate topology tuned into the true load, best first");

    m.def("design", &MakeDesign, py::arg("f1"), py::arg("f2"), py::arg("zhigh"), py::arg("zlow"),
          py::arg("order") = 4, py::arg("load") = "series-rl", py::arg("absorb") = py::none(),
          "designs from the boxes' texts (numbers accepted)");
    m.def("match", &MakeMatch, py::arg("f1"), py::arg("f2"), py::arg("load_s1p"), py::arg("source"),
          py::arg("order") = 4, py::arg("load_kind") = py::none(),
          "designs into a load measured in a one-port Touchstone file");
}
