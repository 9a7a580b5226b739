// The tevmar Python module: a design, a tuning or a match into a measured
// load as one function call, its outcome as Python values and numpy arrays.
// Every figure and text comes from the same run as tevmar-cli's; this file
// only turns Python arguments into a request and the outcome into objects.

#include "format/port_text.h"
#include "python/microstrip_binding.h"
#include "report/line.h"
#include "report/number_format.h"
#include "report/report_file.h"
#include "session/io/safe_file.h"
#include "session/options/analysis_settings.h"
#include "session/options/command_line.h"
#include "session/options/input_checks.h"
#include "session/run/result_tree.h"
#include "session/run/run.h"
#include "session/run/run_files.h"
#include "session/views/network_view.h"
#include "session/views/smith_path.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <future>
#include <limits>
#include <map>
#include <memory>
#include <pybind11/complex.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <set>
#include <stdexcept>
#include <string>
#include <system_error>
#include <tuple>
#include <utility>
#include <vector>

namespace py = pybind11;
using namespace tevmar;

namespace {

// ---------------------------------------------------------------- arguments
//
// Every keyword argument fills the setting of the run it names, and every
// parameter of a function the field of the call it stands for, its value
// read by the same rules as tevmar-cli's option of that setting: text as the
// interpreter's own argv would hold it (UTF-8, with surrogate escapes for
// undecodable bytes), paths as open() takes them, numbers as the numbers
// they are (where a setting reads text, a box above all, the run writes the
// number's shortest round-trip decimal). What is neither is refused here.

// A Python str as command-line bytes: UTF-8, with lone surrogates as the bytes
// they stand for (surrogateescape) or, failing that, encoded as they are
// (surrogatepass), so the run sees text that is not UTF-8 and says so as it
// would for such an argument. `undecodable` is set when the text was not
// plain UTF-8.
std::string StrBytes(const py::handle &text, bool *undecodable = nullptr)
{
    const py::str str = py::reinterpret_borrow<py::str>(text);
    py::object encoded;
    try {
        encoded = str.attr("encode")("utf-8");
    } catch (const py::error_already_set &e) {
        if (!e.matches(PyExc_UnicodeEncodeError))
            throw;
        if (undecodable)
            *undecodable = true;
        try {
            encoded = str.attr("encode")("utf-8", "surrogateescape");
        } catch (const py::error_already_set &again) {
            if (!again.matches(PyExc_UnicodeEncodeError))
                throw;
            encoded = str.attr("encode")("utf-8", "surrogatepass");
        }
    }
    return encoded.cast<std::string>();
}

// No argument of a command line can hold a NUL: it would end the path or the
// text there. Python's open() refuses it with the same ValueError.
std::string WithoutNul(std::string bytes, const char *what)
{
    if (bytes.find('\0') != std::string::npos)
        throw py::value_error(std::string("embedded null ") + what);
    return bytes;
}

// A path as open() takes it: str (or os.PathLike giving str) encoded as the
// file system encoding does, bytes as they are.
std::string PathBytes(const py::handle &path)
{
    const py::object os = py::module_::import("os");
    const py::object named = os.attr("fspath")(path);
    if (py::isinstance<py::bytes>(named))
        return WithoutNul(named.cast<std::string>(), "byte");
    return WithoutNul(os.attr("fsencode")(named).cast<std::string>(), "character");
}

// An integer or a real number (Python's, numpy's, any numbers.Integral or
// numbers.Real), never a bool.
enum class NumberKind { None, Integer, Real };
NumberKind KindOfNumber(const py::handle &value)
{
    // numpy's bool is bool_ (numpy 1) or bool (numpy 2), and no subclass of bool.
    const std::string type = py::type::of(value).attr("__name__").cast<std::string>();
    if (py::isinstance<py::bool_>(value) || type == "bool_" || type == "bool")
        return NumberKind::None;
    const py::module_ numbers = py::module_::import("numbers");
    if (py::isinstance(value, numbers.attr("Integral")))
        return NumberKind::Integer;
    if (py::isinstance(value, numbers.attr("Real")))
        return NumberKind::Real;
    return NumberKind::None;
}

// A number as the run reads it typed: a real number as the double it is, an
// integer where a double holds it exactly; nothing for a larger integer,
// which goes as its digits.
std::optional<session::TypedNumber> TypedNumberOf(const py::handle &value, NumberKind kind)
{
    if (kind == NumberKind::Real)
        return session::TypedNumber{
            py::float_(py::reinterpret_borrow<py::object>(value)).cast<double>(), false};
    constexpr long long kExact = 1LL << 53;
    const py::object whole = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
    if (!whole)
        throw py::error_already_set();
    int overflow = 0;
    const long long number = PyLong_AsLongLongAndOverflow(whole.ptr(), &overflow);
    if (number == -1 && PyErr_Occurred())
        throw py::error_already_set();
    if (overflow != 0 || number > kExact || number < -kExact)
        return std::nullopt;
    return session::TypedNumber{static_cast<double>(number), true};
}

// A number's text as typed, where a text must carry it (half of a pair given
// partly as text): the run's own text of the number, or an integer beyond a
// double's exact range in all its digits.
std::string NumberText(const py::handle &value, NumberKind kind)
{
    if (const std::optional<session::TypedNumber> number = TypedNumberOf(value, kind))
        return session::TypedValueText(*number);
    return py::module_::import("operator")
        .attr("index")(value)
        .attr("__str__")()
        .cast<std::string>();
}

// Keywords whose value came as a number or as text that is not UTF-8: a
// warning the run gives about such a value ("read as inf") is then a value no
// caller meant, and is raised rather than warned.
using StrictKeywords = std::set<std::string>;

// The text of a value as the option of `keyword` reads it: a str, a number,
// bytes or a path; anything else is refused.
std::string ArgumentText(const py::handle &value, const std::string &keyword,
                         StrictKeywords *strict = nullptr)
{
    if (py::isinstance<py::str>(value)) {
        bool undecodable = false;
        std::string text = WithoutNul(StrBytes(value, &undecodable), "character");
        if (undecodable && strict)
            strict->insert(keyword);
        return text;
    }
    if (const NumberKind kind = KindOfNumber(value); kind != NumberKind::None) {
        if (strict)
            strict->insert(keyword);
        return NumberText(value, kind);
    }
    if (py::isinstance<py::bytes>(value) || py::hasattr(value, "__fspath__"))
        return PathBytes(value);
    throw py::type_error(keyword + ": expects a text or a number, not " +
                         py::type::of(value).attr("__name__").cast<std::string>());
}

// What a call gives the run: its own fields (the mode, a device's file and
// levels) typed, and every keyword written, as text or typed; with the
// keywords whose warnings are raised (see StrictKeywords).
struct Call
{
    session::KeywordCall arguments;
    StrictKeywords strict;
};

// A keyword a call takes: one naming a setting of the run that is neither a
// question about the program (help, version) nor a file the call itself
// decides (the report: save() writes it).
void CheckKeyword(const std::string &keyword, const char *function)
{
    if (!session::IsSettingName(keyword, session::OptionNaming::KeywordArguments()))
        throw py::type_error(std::string(function) + "() got an unexpected keyword argument '" +
                             keyword + "'");
}

// One keyword's value into the call: a flag given True alone, a number (or a
// (MIN, MAX) pair of numbers) as the number it is, anything else as its text
// ("MIN:MAX" for a pair of texts). None and False leave a setting at its
// default.
void AddKeyword(const std::string &name, const py::handle &value, Call &call)
{
    if (value.is_none() || (py::isinstance<py::bool_>(value) && !value.cast<bool>()))
        return;
    std::vector<session::NamedValue> &values = call.arguments.values;
    if (py::isinstance<py::bool_>(value)) {
        values.push_back({name, std::nullopt});
    } else if (py::isinstance<py::tuple>(value) || py::isinstance<py::list>(value)) {
        const py::sequence pair = value.cast<py::sequence>();
        if (pair.size() != 2)
            throw std::invalid_argument(name + ": expects (MIN, MAX)");
        const NumberKind low = KindOfNumber(pair[0]), high = KindOfNumber(pair[1]);
        if (low != NumberKind::None && high != NumberKind::None) {
            const std::optional<session::TypedNumber> min = TypedNumberOf(pair[0], low);
            const std::optional<session::TypedNumber> max = TypedNumberOf(pair[1], high);
            if (min && max) {
                call.strict.insert(name);
                call.arguments.numbers.push_back({name, std::pair{*min, *max}});
                return;
            }
        }
        values.push_back({name, ArgumentText(pair[0], name, &call.strict) + ":" +
                                    ArgumentText(pair[1], name, &call.strict)});
    } else if (const NumberKind kind = KindOfNumber(value);
               kind != NumberKind::None && TypedNumberOf(value, kind)) {
        call.strict.insert(name);
        call.arguments.numbers.push_back({name, *TypedNumberOf(value, kind)});
    } else {
        values.push_back({name, ArgumentText(value, name, &call.strict)});
    }
}

// The keyword arguments a caller wrote, each checked to name a setting.
void AddKeywords(const py::kwargs &kwargs, Call &call, const char *function)
{
    for (const auto &[key, value] : kwargs) {
        const std::string name = py::str(key).cast<std::string>();
        CheckKeyword(name, function);
        AddKeyword(name, value, call);
    }
}

// One of a function's own parameters, by its keyword: a number as the number
// it is (an integer beyond a double's exact range as its digits), anything
// else as ArgumentText takes it; None leaves the setting at its default.
std::optional<session::CallValue> Setting(const char *keyword, const py::handle &value, Call &call)
{
    if (value.is_none())
        return std::nullopt;
    if (const NumberKind kind = KindOfNumber(value); kind != NumberKind::None) {
        if (const std::optional<session::TypedNumber> number = TypedNumberOf(value, kind)) {
            call.strict.insert(keyword);
            return *number;
        }
    }
    return ArgumentText(value, keyword, &call.strict);
}

// A box's value by its keyword: a str as typed or a number, whose text the
// run puts in the box.
session::CallValue Box(const char *keyword, const py::handle &value, Call &call)
{
    if (py::isinstance<py::str>(value) || KindOfNumber(value) != NumberKind::None)
        return *Setting(keyword, value, call);
    throw py::type_error(std::string(keyword) + ": expects a text or a number");
}

// A box's value when given; None leaves it out.
std::optional<session::CallValue> GivenBox(const char *keyword, const py::handle &value, Call &call)
{
    return value.is_none() ? std::nullopt : std::optional(Box(keyword, value, call));
}

// A file's path as open() takes it; None: not given.
std::optional<std::string> Path(const py::handle &path)
{
    return path.is_none() ? std::nullopt : std::optional(PathBytes(path));
}

// One number of a band, as a double: TypeError naming the keyword for
// anything else.
double BandNumber(const py::handle &value, const char *keyword)
{
    if (KindOfNumber(value) == NumberKind::None)
        throw py::type_error(std::string(keyword) + ": a band's figures are numbers, not " +
                             py::type::of(value).attr("__name__").cast<std::string>());
    return py::float_(py::reinterpret_borrow<py::object>(value)).cast<double>();
}

// bands= and reject= as the run's typed bands: a list of (F1, F2) in GHz,
// a passband optionally with {"limit_db": -15} or {"weight": 2} as its third
// item, a band to reject with its attenuation in dB as its third. None: not
// given. The figures' ranges are the run's to check, as --band checks them.
std::optional<std::vector<session::BandValues>> BandsOf(const py::object &given, bool reject)
{
    if (given.is_none())
        return std::nullopt;
    const char *keyword = reject ? "reject" : "bands";
    const std::string shape = reject ? "a list of (F1, F2, ATT_DB) tuples, GHz and dB"
                                     : "a list of (F1, F2) tuples in GHz, each with "
                                       "{\"limit_db\": -15} or {\"weight\": 2} as a third "
                                       "item if need be";
    if (py::isinstance<py::str>(given) || py::isinstance<py::bytes>(given) ||
        !py::isinstance<py::sequence>(given))
        throw py::type_error(std::string(keyword) + ": expects " + shape);
    std::vector<session::BandValues> bands;
    for (const py::handle &item : given.cast<py::sequence>()) {
        if (py::isinstance<py::str>(item) || !py::isinstance<py::sequence>(item))
            throw py::type_error(std::string(keyword) + ": expects " + shape);
        const py::sequence band = item.cast<py::sequence>();
        const std::size_t size = band.size();
        if (size != (reject ? 3U : 2U) && (reject || size != 3))
            throw std::invalid_argument(std::string(keyword) + ": " +
                                        py::repr(item).cast<std::string>() + " is not a band; " +
                                        "expected " + shape);
        session::BandValues v;
        v.f1Ghz = BandNumber(band[0], keyword);
        v.f2Ghz = BandNumber(band[1], keyword);
        if (reject) {
            v.attenuationDb = BandNumber(band[2], keyword);
        } else if (size == 3) {
            if (!py::isinstance<py::dict>(band[2]))
                throw py::type_error(std::string(keyword) + ": a passband's third item is "
                                                            "{\"limit_db\": DB} or "
                                                            "{\"weight\": W}");
            for (const auto &[key, value] : band[2].cast<py::dict>()) {
                const std::string name = py::str(key).cast<std::string>();
                if (name == "limit_db")
                    v.limitDb = BandNumber(value, keyword);
                else if (name == "weight")
                    v.weight = BandNumber(value, keyword);
                else
                    throw std::invalid_argument(std::string(keyword) + ": unknown key '" + name +
                                                "'; a passband takes limit_db or weight");
            }
        }
        bands.push_back(v);
    }
    return bands;
}

// The typed bands into the call, named by the function's keywords.
void AddBands(const py::object &bands, const py::object &reject, Call &call)
{
    call.arguments.bands = BandsOf(bands, false);
    call.arguments.rejects = BandsOf(reject, true);
    call.arguments.bandsName = "bands";
    call.arguments.rejectName = "reject";
}

// A warning to Python's warnings: raised as the exception a filter turns it
// into. The text is decoded as the command line's bytes were encoded.
void Warn(const std::string &text)
{
    const py::object message = py::reinterpret_steal<py::object>(PyUnicode_DecodeUTF8(
        text.data(), static_cast<py::ssize_t>(text.size()), "surrogateescape"));
    if (!message)
        throw py::error_already_set();
    py::module_::import("warnings").attr("warn")(message, py::handle(PyExc_UserWarning));
}

// The request the call makes, refused with the message that names the
// keyword at fault; the report file is left alone until save().
session::Request RequestOf(const Call &call)
{
    const session::CommandLine c = session::ParseKeywordCall(
        call.arguments, kReportFileName, session::OptionNaming::KeywordArguments());
    if (!c.problem.empty())
        throw std::invalid_argument(c.problem);
    std::vector<std::string> warnings = c.warnings;
    for (const std::string &warning : session::DesignInputWarnings(c.design))
        warnings.push_back(warning);
    for (const std::string &warning : warnings)
        for (const std::string &keyword : call.strict)
            if (warning.starts_with(keyword + ": "))
                throw std::invalid_argument(warning);
    for (const std::string &warning : warnings)
        Warn(warning);
    session::Request request = session::RequestOf(c);
    request.reportPath.reset();
    return request;
}

// ------------------------------------------------------------------ outcome

// Runs the request without the interpreter's lock: a tuning takes seconds
// and other Python threads go on meanwhile. The run goes on in a thread of
// its own while this one looks for a signal (Ctrl-C) every 50 ms, which only
// the interpreter's thread can: on one, the run's stop is raised, the search
// ends at its next step, and the KeyboardInterrupt goes up to the caller.
session::Outcome RunReleased(session::Request request)
{
    std::atomic<bool> stop{false};
    request.stop = &stop;
    std::future<session::Outcome> running;
    try {
        py::gil_scoped_release release;
        running = std::async(std::launch::async, [&request] { return session::Run(request); });
    } catch (const std::system_error &e) {
        // No thread for want of memory: MemoryError, as for any allocation.
        if (e.code() == std::errc::resource_unavailable_try_again)
            throw std::bad_alloc();
        throw;
    }
    for (;;) {
        {
            py::gil_scoped_release release;
            if (running.wait_for(std::chrono::milliseconds(50)) == std::future_status::ready)
                break;
        }
        if (PyErr_CheckSignals() != 0) {
            stop = true;
            {
                py::gil_scoped_release release;
                running.wait();
            }
            throw py::error_already_set();
        }
    }
    return running.get();
}

// A request the run could not carry out is the caller's error: the run's own
// message, as tevmar-cli prints it. Warnings go to Python's warnings.
void RaiseOnBadUsage(const session::Outcome &outcome)
{
    std::string problems;
    for (const session::Message &m : outcome.messages) {
        if (m.kind == session::Message::Kind::Warning)
            Warn(m.text);
        else if (outcome.status == session::ExitStatus::BadUsage)
            problems += (problems.empty() ? "" : "; ") + m.text;
    }
    if (outcome.status == session::ExitStatus::BadUsage)
        throw std::invalid_argument(problems);
}

// A part of the result document as Python values: objects as dicts in the
// document's order, arrays as lists. Text that is not UTF-8 (a file's name)
// comes out with U+FFFD in its place, as the document writes it.
py::object ToPython(const session::ResultTree &tree)
{
    using Type = session::ResultTree::value_t;
    switch (tree.type()) {
    case Type::object: {
        py::dict out;
        for (const auto &[key, value] : tree.items())
            out[py::str(key)] = ToPython(value);
        return out;
    }
    case Type::array: {
        py::list out;
        for (const session::ResultTree &value : tree)
            out.append(ToPython(value));
        return out;
    }
    case Type::string: {
        const std::string &text = tree.get_ref<const std::string &>();
        const py::object decoded = py::reinterpret_steal<py::object>(
            PyUnicode_DecodeUTF8(text.data(), static_cast<py::ssize_t>(text.size()), "replace"));
        if (!decoded)
            throw py::error_already_set();
        return decoded;
    }
    case Type::boolean:
        return py::bool_(tree.get<bool>());
    case Type::number_integer:
        return py::int_(tree.get<std::int64_t>());
    case Type::number_unsigned:
        return py::int_(tree.get<std::uint64_t>());
    case Type::number_float:
        return py::float_(tree.get<double>());
    default:
        return py::none();
    }
}

// A part of the result document as Python's json.dumps writes it: ", " and
// ": " between items, every character beyond ASCII escaped, and each
// fraction by Python's own float repr (the shortest text that reads back to
// the same double, which the document's writer does not always find). The
// document holds no infinity or NaN.
std::string PythonJsonText(const session::ResultTree &tree)
{
    using Type = session::ResultTree::value_t;
    std::string text;
    if (tree.type() == Type::object) {
        for (const auto &[key, value] : tree.items())
            text += (text.empty() ? "" : ", ") +
                    session::ResultTree(key).dump(-1, ' ', true,
                                                  session::ResultTree::error_handler_t::replace) +
                    ": " + PythonJsonText(value);
        return "{" + text + "}";
    }
    if (tree.type() == Type::array) {
        for (const session::ResultTree &value : tree)
            text += (text.empty() ? "" : ", ") + PythonJsonText(value);
        return "[" + text + "]";
    }
    if (tree.type() == Type::number_float)
        return py::repr(py::float_(tree.get<double>())).cast<std::string>();
    return tree.dump(-1, ' ', true, session::ResultTree::error_handler_t::replace);
}

// The frequencies of one s() call, counted before any is converted: a sweep
// too long for memory is refused before it takes any.
std::vector<double> Frequencies(const py::object &frequenciesHz)
{
    const std::size_t count = py::len(frequenciesHz);
    if (const std::string tooMany = session::TooManyFrequencies(count); !tooMany.empty())
        throw std::invalid_argument(tooMany);
    return frequenciesHz.cast<std::vector<double>>();
}

// The parts of a network in one layout wherever they come from (the design's
// table, a tuned network, a candidate, a kit's network): the JSON's entries
// as they are, with one meaning per key. "name" is the part's reference
// ("L1"; None for a table's terminations and absorbed load), "part" its kit
// part number and None off a kit; "value" (what the network holds, in
// "unit") and "kind" are always present. The documents name a table's part
// "part" and a kit network's part "name" beside its number: both read here.
py::list UniformElements(const py::handle &rows, const char *valueKey)
{
    py::list parts;
    for (const py::handle &row : rows) {
        py::dict entry = row.attr("copy")().cast<py::dict>();
        if (!entry.contains("name")) {
            entry["name"] = entry.contains("part") ? py::object(entry["part"]) : py::none();
            entry["part"] = py::none();
        } else if (!entry.contains("part")) {
            entry["part"] = py::none();
        }
        if (!entry.contains("value")) {
            const char *key = entry.contains("standard") ? "standard" : valueKey;
            entry["value"] = entry[key];
        }
        parts.append(entry);
    }
    return parts;
}

// The runs a keyword's setting serves.
session::SettingUse UseOf(const py::handle &keyword)
{
    return session::UseOfSetting(py::str(keyword).cast<std::string>(),
                                 session::OptionNaming::KeywordArguments());
}

bool Given(const py::dict &kwargs, const char *key)
{
    return kwargs.contains(key) && py::bool_(kwargs[key]).cast<bool>();
}

// How a network's path names its parts: by place from port 1 ("C3", as the
// design's and the tuned network's elements are named), or by the parts' own
// labels (a candidate's, counted from the source's side).
enum class PartNaming { ByPlace, ByLabel };

class Network
{
  public:
    Network(analysis::Network ladder, double gammaMax, py::object elements, double centreHz,
            PartNaming naming)
        : ladder_(std::move(ladder)), gammaMax_(gammaMax), elements_(std::move(elements)),
          centreHz_(centreHz), naming_(naming)
    {
    }

    double gammaMax() const { return gammaMax_; }
    py::object elements() const { return elements_; }
    // The resistance each port's files are referred to: a port facing data
    // no fitted kind describes takes the data's own reference, never the fit's.
    std::pair<double, double> ports() const
    {
        return {format::FileReferenceOhms(ladder_, 1), format::FileReferenceOhms(ladder_, 2)};
    }

    // (N, 2, 2) complex S-parameters of the network alone, each port
    // referred to its true termination.
    py::array_t<std::complex<double>> s(const py::object &frequenciesHz) const
    {
        const std::vector<session::TwoPortS> points =
            session::NetworkSParameters(ladder_, Frequencies(frequenciesHz));
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

    // (N, 2) complex: the impedance each port of s() is referred to.
    py::array_t<std::complex<double>> z0(const py::object &frequenciesHz) const
    {
        const std::vector<session::TwoPortS> points =
            session::NetworkSParameters(ladder_, Frequencies(frequenciesHz));
        py::array_t<std::complex<double>> out(
            {static_cast<py::ssize_t>(points.size()), py::ssize_t{2}});
        auto view = out.mutable_unchecked<2>();
        for (py::ssize_t i = 0; i < static_cast<py::ssize_t>(points.size()); ++i) {
            view(i, 0) = points[static_cast<std::size_t>(i)].z1;
            view(i, 1) = points[static_cast<std::size_t>(i)].z2;
        }
        return out;
    }

    // A measured termination makes a port's reference complex: the waves
    // are then power waves, which scikit-rf is told.
    bool complexReferences() const { return ladder_.measured != nullptr; }

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
        const py::object sMatrix = s(f);
        const py::object frequency =
            skrf.attr("Frequency").attr("from_f")(f, py::arg("unit") = "hz");
        if (complexReferences())
            return skrf.attr("Network")(py::arg("frequency") = frequency, py::arg("s") = sMatrix,
                                        py::arg("z0") = z0(f), py::arg("s_def") = "power");
        // Each port referred to its own termination, one row per frequency.
        const py::object ports = np.attr("tile")(
            py::make_tuple(ladder_.port1Ohms, ladder_.port2Ohms), py::make_tuple(py::len(f), 1));
        return skrf.attr("Network")(py::arg("frequency") = frequency, py::arg("s") = sMatrix,
                                    py::arg("z0") = ports);
    }

    // The path on the Smith chart at the band's centre: the load first, then
    // after each part toward the source the impedance looking toward the load,
    // as (after, z) with after "load" or the part's name. An open circuit's
    // point is infinite.
    py::list path() const
    {
        if (!(std::isfinite(centreHz_) && centreHz_ > 0))
            throw std::invalid_argument("this network has no band to take a centre of");
        // The path names each part by its place; a candidate's by its label.
        std::map<std::string, std::string> labels;
        for (std::size_t i = 0; i < ladder_.parts.size(); ++i)
            labels[analysis::PartName(ladder_, i)] = naming_ == PartNaming::ByLabel
                                                         ? ladder_.parts[i].label
                                                         : analysis::PartName(ladder_, i);
        py::list points;
        for (const session::SmithPathPoint &p :
             session::PathThroughParts(ladder_, centreHz_).points) {
            const auto label = labels.find(p.after);
            points.append(py::make_tuple(label == labels.end() ? p.after : label->second, p.z));
        }
        return points;
    }

  private:
    analysis::Network ladder_;
    double gammaMax_;
    py::object elements_;
    double centreHz_;
    PartNaming naming_;
};

// One candidate network of a candidate search: its entry of the JSON's
// "candidates" (read as a dict is read: c["gammaMax"]) and its network.
class Candidate
{
  public:
    Candidate(session::ResultTree entry, analysis::Network ladder, double centreHz)
        : tree_(std::move(entry)), entry_(ToPython(tree_).cast<py::dict>()),
          ladder_(std::move(ladder)), centreHz_(centreHz)
    {
    }

    // The network the candidate stands for, as the files of --pick carry it:
    // on standard values when a series was set.
    double gammaMax() const { return Held()["gammaMax"].cast<double>(); }
    // The in-band maximum transducer loss of the network as built (kit
    // parts, chip models, a finite Q, pads); None for ideal parts, whose
    // loss follows from gamma_max alone.
    py::object lossDbMax() const { return Held().attr("get")("lossDbMax"); }
    py::list elements() const { return UniformElements(py::object(Held()["elements"]), "value"); }
    // Its figure band by band over several bands (the JSON's "bands"); None
    // for one band.
    py::object bands() const { return entry_.attr("get")("bands"); }
    Network network() const
    {
        return {ladder_, gammaMax(), elements(), centreHz_, PartNaming::ByLabel};
    }
    std::string json() const { return PythonJsonText(tree_); }
    py::dict entry() const { return entry_.attr("copy")().cast<py::dict>(); }
    py::object item(const py::object &key) const { return entry_[key]; }
    py::object keys() const { return entry_.attr("keys")(); }
    bool contains(const py::object &key) const { return entry_.contains(key); }
    bool equals(const py::object &other) const
    {
        if (py::isinstance<Candidate>(other))
            return entry_.equal(other.cast<const Candidate &>().entry_);
        return entry_.equal(other);
    }
    std::string repr() const
    {
        return "<tevmar.Candidate " + entry_["topology"].cast<std::string>() + ", " +
               std::to_string(entry_["parts"].cast<int>()) + " parts, gamma_max " +
               Figure(gammaMax()) + ">";
    }

  private:
    // The entry of the network held: its standard values' or its own.
    py::object Held() const
    {
        return entry_.contains("standardValues") ? py::object(entry_["standardValues"])
                                                 : py::object(entry_);
    }

    session::ResultTree tree_;
    py::dict entry_;
    analysis::Network ladder_;
    double centreHz_; // the band's centre, where the path is taken
};

// A figure that may not exist: None where it is not finite, as the
// document writes null.
py::object Finite(double value)
{
    return std::isfinite(value) ? py::object(py::float_(value + 0.0)) : py::object(py::none());
}

class Design
{
  public:
    Design(session::Request request, session::Outcome outcome)
        : request_(std::move(request)), outcome_(std::move(outcome))
    {
    }

    // Over several bands there is no textbook design to stand for: the run
    // synthesises one over their span only to start the candidates from.
    bool solved() const { return request_.goal.empty() && outcome_.design.solved(); }

    // The figure of the network this design stands for: the tuned one when
    // tuned, the picked candidate when one was picked, the design's (into
    // the measured data for a match); None when there is no network.
    std::optional<double> gammaMax() const
    {
        if (const analysis::Candidate *c = Picked())
            return c->standard ? c->standard->gammaMax : c->tuned.gammaMax;
        if (outcome_.tuned || solved())
            return session::NetworkGammaMax(Built());
        return std::nullopt;
    }

    // The in-band maximum transducer loss of the network gamma_max is of,
    // as built, as the JSON gives it; None with ideal parts and no pads
    // (the loss then follows from gamma_max) and without a network.
    py::object lossDbMax() const
    {
        if (Picked())
            return Candidate(PickedEntry(), {}, 0).lossDbMax();
        // On a kit, the kit network's own figure; else the tuned network's, on
        // standard values when snapped, none for ideal parts as drawn.
        if (outcome_.tunedKit)
            return Finite(outcome_.tunedKit->figures.lossDbMax);
        if (outcome_.tuned) {
            const analysis::TunedNetwork &t = *outcome_.tuned;
            const analysis::Network &held = t.standard ? t.standard->network : t.tuned.network;
            if (analysis::IdealAsDrawn(held))
                return py::none();
            return py::float_(t.standard ? t.standard->lossDbMax : t.tuned.lossDbMax);
        }
        if (!solved())
            return py::none();
        session::AnalyseDesign(request_, outcome_);
        if (!outcome_.analysis->asBuilt)
            return py::none();
        return py::float_(outcome_.analysis->asBuilt->lossDbMax);
    }

    // The synthesis' own figure, as the report prints it (into the fitted
    // model for a match); None without a textbook design.
    std::optional<double> textbookGammaMax() const
    {
        if (!solved())
            return std::nullopt;
        return outcome_.design.result.GammaMax;
    }

    // Why there is no textbook design (the reason the run gives after "no
    // solution: "), None when there is one. A match into a load the
    // synthesis cannot absorb still has its tune and its candidates.
    std::optional<std::string> designNote() const
    {
        if (solved())
            return std::nullopt;
        if (!request_.goal.empty())
            return "no textbook design or report for several bands; the candidates are "
                   "matched over every band";
        const session::BoxUpdates &boxes = outcome_.design.boxes;
        if (!boxes.errorReason.empty())
            return boxes.errorReason;
        return "no textbook design for these inputs";
    }

    int status() const { return static_cast<int>(outcome_.status); }

    // The lines tevmar-cli prints for the same arguments without --json.
    std::vector<std::string> paneLines() const
    {
        std::vector<std::string> lines;
        const std::string &text = outcome_.lines;
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t end = text.find('\n', at);
            lines.push_back(text.substr(at, end - at));
            at = end == std::string::npos ? text.size() : end + 1;
        }
        return lines;
    }

    py::bytes report() const
    {
        return py::bytes(request_.goal.empty() ? outcome_.design.report.file : std::string());
    }

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
        if (!document_)
            document_ = session::ResultDocument(request_, outcome_);
        return *document_;
    }

    // The design's element table, terminations and absorbed load included,
    // its entries laid out as every network's elements are.
    py::object elements() const
    {
        if (!request_.goal.empty())
            return py::none();
        const session::ResultTree table = session::DesignElementsTree(outcome_);
        if (table.is_null())
            return py::none();
        return UniformElements(ToPython(table), "full");
    }
    py::object fit() const { return ToPython(session::MeasuredLoadTree(outcome_)); }
    py::object sourceFit() const { return ToPython(session::MeasuredSourceTree(outcome_)); }

    void save(const py::object &path) const
    {
        const std::string file = PathBytes(path);
        if (const std::string refused =
                session::OutputOverInput({{"save()", file}}, session::InputFilesOf(ReadFrom()));
            !refused.empty())
            throw std::invalid_argument(refused);
        if (!solved())
            throw std::invalid_argument("no design: there is no report to save");
        session::CalculateOutcome design = outcome_.design;
        session::SaveReport(design, file);
        if (design.saving != session::ReportSaving::Saved)
            throw py::value_error(design.reportError);
    }

    Network network()
    {
        if (const analysis::Candidate *c = Picked())
            return Candidate(PickedEntry(), c->standard ? c->standard->network : c->tuned.network,
                             c->problem.band.centreHz)
                .network();
        if (!request_.goal.empty())
            throw std::invalid_argument("no design over several bands: a candidate's network "
                                        "is candidates()[k].network(), or pick=K");
        std::optional<analysis::Network> ladder = session::TerminatedNetworkOf(Built());
        if (!ladder)
            throw std::invalid_argument("no design: " + outcome_.design.boxes.errorReason);
        return {std::move(*ladder), session::NetworkGammaMax(Built()), NetworkElements(),
                CentreHz(), PartNaming::ByPlace};
    }

  private:
    // The band's centre of the network shown: the tune's band once tuned,
    // else the design's.
    double CentreHz() const
    {
        if (outcome_.tuned)
            return outcome_.tuned->problem.band.centreHz;
        return analysis::BandOf(outcome_.design.result.band).centreHz;
    }

    // The outcome whose network is the one to be built: a plain design with
    // part models, a finite Q or pads is analysed for them (the synthesis
    // alone draws ideal parts); any other run's network is its own.
    const session::Outcome &Built() const
    {
        if (!session::PartModelsOf(request_.settings).lossless())
            session::AnalyseDesign(request_, outcome_);
        return outcome_;
    }

    session::ResultTree PickedEntry() const
    {
        return session::CandidatesTree(outcome_).at(static_cast<std::size_t>(*request_.pick - 1));
    }

    // The request as far as the files it reads go: a kit given as parts= is
    // read only by tune() and candidates(), but its files are this design's
    // inputs all the same, which no file it writes may replace.
    session::Request ReadFrom() const
    {
        session::Request request = request_;
        if (!request.partsFolder && settingsKwargs_.contains("parts") &&
            !settingsKwargs_["parts"].is_none())
            request.partsFolder = PathBytes(settingsKwargs_["parts"]);
        return request;
    }

    // The candidate picked, whose network the files carry.
    const analysis::Candidate *Picked() const
    {
        if (!request_.pick || !outcome_.candidates)
            return nullptr;
        const auto k = static_cast<std::size_t>(*request_.pick);
        return k >= 1 && k <= outcome_.candidates->candidates.size()
                   ? &outcome_.candidates->candidates[k - 1]
                   : nullptr;
    }

    // The JSON's entries of the network's parts, from its port 1.
    py::list NetworkElements() const
    {
        // On kit parts, each element names its part number.
        if (outcome_.tunedKit) {
            // The document names each kit part by its label; its reference
            // is its place in the network, as the tuned network's parts.
            py::list parts =
                UniformElements(ToPython(session::TunedKitElementsTree(outcome_)), "value");
            const analysis::Network &kit = outcome_.tunedKit->network;
            for (std::size_t i = 0; i < kit.parts.size() && i < parts.size(); ++i)
                parts[i].cast<py::dict>()["name"] = analysis::PartName(kit, i);
            return parts;
        }
        if (outcome_.tuned) {
            const session::ResultTree tuned = session::TunedTree(outcome_);
            if (outcome_.tuned->standard)
                return UniformElements(ToPython(tuned["standardValues"]["elements"]), "standard");
            return UniformElements(ToPython(tuned["elements"]), "tuned");
        }
        session::ResultTree parts = session::ResultTree::array();
        for (const session::ResultTree &row : session::DesignElementsTree(outcome_))
            if (row.contains("part") && !row["absorbedLoad"].get<bool>())
                parts.push_back(row);
        return UniformElements(ToPython(parts), "full");
    }

    // The design run again with more keywords and `flag` set, into the
    // measured data already read: the file may have changed since.
    Design Rerun(const py::kwargs &kwargs, const char *flag) const
    {
        py::kwargs merged;
        // The design's own lines serve its candidates, not a tune of it.
        const bool ranks = std::string(flag) == "candidates" || Given(kwargs, "candidates") ||
                           (!kwargs.contains("candidates") && Given(settingsKwargs_, "candidates"));
        for (const auto &[key, value] : settingsKwargs_)
            if (ranks || UseOf(key) != session::SettingUse::Candidates)
                merged[key] = value;
        for (const auto &[key, value] : kwargs)
            merged[key] = value;
        // The run this call is: a tune or a candidate search, whatever the
        // keywords say of it.
        if (merged.contains(flag))
            PyDict_DelItemString(merged.ptr(), flag);
        Call call = own_;
        AddKeywords(merged, call, flag);
        (std::string(flag) == "tune" ? call.arguments.tune : call.arguments.candidates) = true;
        session::Request request = RequestOf(call);
        request.json = true;
        if (outcome_.match && request.measuredLoad) {
            request.measuredLoad->data = outcome_.match->data;
            if (outcome_.match->source && request.measuredLoad->source)
                request.measuredLoad->source->data = outcome_.match->source->data;
        }
        session::Outcome outcome = RunReleased(request);
        RaiseOnBadUsage(outcome);
        return {std::move(request), std::move(outcome)};
    }

  public:
    Design tune(const py::kwargs &kwargs) const { return Rerun(kwargs, "tune"); }

    // Every candidate topology tuned into the true load, best first, as the
    // JSON's "candidates" lists them.
    std::vector<Candidate> candidates(const py::kwargs &kwargs) const
    {
        // A run over several bands is its candidates: asked for as they
        // are, they are the ones found, not a second search.
        if (!request_.goal.empty() && kwargs.empty())
            return CandidatesOf(outcome_);
        return CandidatesOf(Rerun(kwargs, "candidates").outcome_);
    }

  private:
    static std::vector<Candidate> CandidatesOf(const session::Outcome &outcome)
    {
        if (!outcome.candidates)
            return {};
        const session::ResultTree entries = session::CandidatesTree(outcome);
        const std::vector<analysis::Candidate> &found = outcome.candidates->candidates;
        std::vector<Candidate> list;
        for (std::size_t i = 0; i < found.size(); ++i) {
            const analysis::Candidate &c = found[i];
            list.emplace_back(entries.at(i), c.standard ? c.standard->network : c.tuned.network,
                              c.problem.band.centreHz);
        }
        return list;
    }

  public:
    // The design's own arguments and analysis keywords, which a tune starts from.
    void KeepArguments(Call own, py::kwargs kwargs)
    {
        own_ = std::move(own);
        settingsKwargs_ = std::move(kwargs);
    }

  private:
    session::Request request_;
    // The figures a plain design's document or network as built needs are
    // worked out into it when first asked for.
    mutable session::Outcome outcome_;
    std::optional<std::string> document_; // to_json()'s text, rendered once
    Call own_;                            // the function's own parameters
    py::kwargs settingsKwargs_;
};

// The keywords of a design or match run: the kit waits for tune() or
// candidates(), the lines for candidates(), unless the run itself tunes or
// ranks.
py::kwargs FirstRunKeywords(const py::kwargs &analysis)
{
    const bool tune = Given(analysis, "tune"), candidates = Given(analysis, "candidates");
    py::kwargs first;
    for (const auto &[key, value] : analysis) {
        const session::SettingUse use = UseOf(key);
        if ((use == session::SettingUse::Searches && !tune && !candidates) ||
            (use == session::SettingUse::Candidates && !candidates))
            continue;
        first[key] = value;
    }
    return first;
}

// The arguments a call cannot go without (None is none): f1 and f2 unless
// the bands (bands=, or band= as text) stand for them.
void RequireArguments(const char *function,
                      std::initializer_list<std::pair<const char *, const py::object *>> required,
                      const py::object &bands, const py::kwargs &analysis)
{
    const bool banded = !bands.is_none() || analysis.contains("band");
    for (const auto &[name, value] : required)
        if (value->is_none() &&
            !(banded && (std::string(name) == "f1" || name == std::string("f2"))))
            throw py::type_error(std::string(function) + "() needs " + name + ": " + name +
                                 ": expects a text or a number (bands= may stand for f1 and f2)");
}

Design MakeDesign(const py::object &f1, const py::object &f2, const py::object &zhigh,
                  const py::object &zlow, const py::object &order, const py::object &load,
                  const py::object &absorb, const py::object &bands, const py::object &reject,
                  const py::kwargs &analysis)
{
    RequireArguments("design", {{"f1", &f1}, {"f2", &f2}, {"zhigh", &zhigh}, {"zlow", &zlow}},
                     bands, analysis);
    Call own;
    // None leaves a box out (bands= stands for f1 and f2).
    session::CallSettings &s = own.arguments.settings;
    s.f1 = GivenBox("f1", f1, own);
    s.f2 = GivenBox("f2", f2, own);
    s.zhigh = GivenBox("zhigh", zhigh, own);
    s.zlow = GivenBox("zlow", zlow, own);
    AddBands(bands, reject, own);
    s.order = Setting("order", order, own);
    s.load = Setting("load", load, own);
    s.absorb = GivenBox("absorb", absorb, own);
    Call call = own;
    AddKeywords(FirstRunKeywords(analysis), call, "design");
    session::Request request = RequestOf(call);
    // A tuning or a candidate search keeps its document: the run that tunes
    // also renders it, and a second search might rank otherwise.
    request.json = request.tune || request.candidates;
    session::Outcome outcome = request.json ? RunReleased(request) : session::Run(request);
    RaiseOnBadUsage(outcome);
    Design design(std::move(request), std::move(outcome));
    design.KeepArguments(std::move(own), analysis);
    return design;
}

Design MakeMatch(const py::object &f1, const py::object &f2, const py::object &loadS1p,
                 const py::object &source, const py::object &order, const py::object &loadKind,
                 const py::object &bands, const py::object &reject, const py::kwargs &analysis)
{
    RequireArguments("match", {{"f1", &f1}, {"f2", &f2}}, bands, analysis);
    Call own;
    session::CallSettings &s = own.arguments.settings;
    s.f1 = GivenBox("f1", f1, own);
    s.f2 = GivenBox("f2", f2, own);
    AddBands(bands, reject, own);
    s.order = Setting("order", order, own);
    // A load written as a circuit (load_circuit=) stands in place of the file.
    s.loadS1p = Path(loadS1p);
    // A measured source (source_s1p=) stands in place of the resistance.
    s.source = Setting("source", source, own);
    s.loadKind = Setting("load_kind", loadKind, own);
    Call call = own;
    AddKeywords(FirstRunKeywords(analysis), call, "match");
    session::Request request = RequestOf(call);
    request.json = true; // a measured load is always analysed: keep the document
    session::Outcome outcome = RunReleased(request);
    RaiseOnBadUsage(outcome);
    Design design(std::move(request), std::move(outcome));
    design.KeepArguments(std::move(own), analysis);
    return design;
}

// ------------------------------------------------------------------- device
// One figure of every point as a numpy array.
template <typename T, typename Point, typename F>
py::array_t<T> ArrayOf(const std::vector<Point> &points, F figure)
{
    py::array_t<T> out(static_cast<py::ssize_t>(points.size()));
    auto view = out.template mutable_unchecked<1>();
    for (std::size_t i = 0; i < points.size(); ++i)
        view(static_cast<py::ssize_t>(i)) = figure(points[i]);
    return out;
}

// A transistor's figures at each of its data frequencies, from tevmar-cli
// --device's run: arrays of every figure (NaN where a figure does not exist)
// and its circles on request.
class Device
{
  public:
    explicit Device(session::Outcome outcome) : outcome_(std::move(outcome)) {}

    double referenceOhms() const { return Data().referenceOhms; }
    py::array_t<double> frequencies() const
    {
        return Real([](const analysis::DevicePoint &p) { return p.frequencyHz; });
    }
    py::array_t<double> k() const
    {
        return Real([](const auto &p) { return Or(p.k); });
    }
    py::array_t<double> delta() const
    {
        return Real([](const auto &p) { return p.delta; });
    }
    py::array_t<double> mu() const
    {
        return Real([](const auto &p) { return Or(p.mu); });
    }
    py::array_t<double> muPrime() const
    {
        return Real([](const auto &p) { return Or(p.muPrime); });
    }
    py::array_t<double> msgDb() const
    {
        return Real([](const auto &p) { return Or(p.msgDb); });
    }
    py::array_t<double> magDb() const
    {
        return Real([](const auto &p) { return Or(p.magDb); });
    }
    py::array_t<std::complex<double>> gammaS() const
    {
        return ComplexArray([](const auto &p) { return Or(p.gammaS); });
    }
    py::array_t<std::complex<double>> gammaL() const
    {
        return ComplexArray([](const auto &p) { return Or(p.gammaL); });
    }
    py::array_t<double> nfMinDb() const
    {
        return Real([](const auto &p) { return p.noise ? p.noise->nfMinDb : kNone; });
    }
    py::array_t<std::complex<double>> gammaOpt() const
    {
        return ComplexArray([](const auto &p) {
            return p.noise ? p.noise->gammaOpt : std::complex<double>(kNone, kNone);
        });
    }
    py::array_t<double> rnOhms() const
    {
        return Real([](const auto &p) { return p.noise ? p.noise->rnOhms : kNone; });
    }

    // (N, 2, 2) complex S-parameters as the file gives them.
    py::array_t<std::complex<double>> s() const
    {
        const auto &points = Points();
        py::array_t<std::complex<double>> out(
            {static_cast<py::ssize_t>(points.size()), py::ssize_t{2}, py::ssize_t{2}});
        auto view = out.mutable_unchecked<3>();
        for (py::ssize_t i = 0; i < static_cast<py::ssize_t>(points.size()); ++i) {
            const analysis::TwoPortMatrix &m = points[static_cast<std::size_t>(i)].s;
            view(i, 0, 0) = m.s11;
            view(i, 0, 1) = m.s12;
            view(i, 1, 0) = m.s21;
            view(i, 1, 1) = m.s22;
        }
        return out;
    }

    // One circle: {"center": complex, "radius": float} and, for a stability
    // circle, "stable_inside".
    py::dict circles(const std::string &kind, const py::object &level, double frequencyHz) const
    {
        const std::optional<session::DeviceCircleKind> which = session::DeviceCircleKindOf(kind);
        if (!which)
            throw std::invalid_argument("kind \"" + kind +
                                        "\"; expected \"source stability\", \"load "
                                        "stability\", \"available gain\", \"operating gain\" "
                                        "or \"noise\"");
        const bool stability = *which == session::DeviceCircleKind::SourceStability ||
                               *which == session::DeviceCircleKind::LoadStability;
        if (!stability && level.is_none())
            throw std::invalid_argument(kind + " circles need a level in dB");
        const double db = level.is_none() ? 0 : level.cast<double>();
        if (!std::isfinite(db))
            throw std::invalid_argument("the level must be a finite number of dB");
        const session::DeviceCircleResult result =
            session::DeviceCircleAt(*outcome_.device, *which, db, frequencyHz);
        if (!result.circle)
            throw std::invalid_argument(result.problem);
        py::dict circle;
        circle["center"] = result.circle->center;
        circle["radius"] = result.circle->radius;
        if (result.stableInside)
            circle["stable_inside"] = *result.stableInside;
        return circle;
    }

    std::string json() const { return session::ResultText(session::DeviceTree(outcome_)); }

  private:
    static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
    static double Or(const std::optional<double> &value) { return value.value_or(kNone); }
    static std::complex<double> Or(const std::optional<std::complex<double>> &value)
    {
        return value.value_or(std::complex<double>(kNone, kNone));
    }
    const analysis::TwoPortData &Data() const { return outcome_.device->data; }
    const std::vector<analysis::DevicePoint> &Points() const { return outcome_.device->points; }

    template <typename F> py::array_t<double> Real(F figure) const
    {
        return ArrayOf<double>(Points(), figure);
    }
    template <typename F> py::array_t<std::complex<double>> ComplexArray(F figure) const
    {
        return ArrayOf<std::complex<double>>(Points(), figure);
    }

    session::Outcome outcome_;
};

// Circle levels in dB, as numbers; None: no circles.
std::optional<std::vector<double>> Levels(const py::object &levels)
{
    if (levels.is_none())
        return std::nullopt;
    std::vector<double> db;
    for (const py::handle &level : levels.cast<py::sequence>()) {
        if (KindOfNumber(level) == NumberKind::None)
            throw py::type_error("circle levels are numbers of dB");
        // An integer past any double is past every level too: refused as
        // the infinity it rounds to, not as an overflow.
        const double value = PyFloat_AsDouble(level.ptr());
        if (value == -1.0 && PyErr_Occurred()) {
            if (!PyErr_ExceptionMatches(PyExc_OverflowError))
                throw py::error_already_set();
            PyErr_Clear();
            db.push_back(py::int_(py::reinterpret_borrow<py::object>(level)) > py::int_(0)
                             ? std::numeric_limits<double>::infinity()
                             : -std::numeric_limits<double>::infinity());
            continue;
        }
        db.push_back(value);
    }
    return db;
}

Device MakeDevice(const py::object &path, const py::object &f1, const py::object &f2,
                  const py::object &gainCircles, const py::object &noiseCircles)
{
    if (f1.is_none() != f2.is_none())
        throw std::invalid_argument("give both f1 and f2 for the points in a band, or neither");
    Call call;
    call.arguments.devicePath = PathBytes(path);
    call.arguments.json = true;
    if (!f1.is_none()) {
        call.arguments.settings.f1 = Box("f1", f1, call);
        call.arguments.settings.f2 = Box("f2", f2, call);
    }
    call.arguments.gainDb = Levels(gainCircles);
    call.arguments.noiseDb = Levels(noiseCircles);
    session::Request request = RequestOf(call);
    session::Outcome outcome = RunReleased(request);
    RaiseOnBadUsage(outcome);
    return Device(std::move(outcome));
}

void BindDevice(py::module_ &m)
{
    py::class_<Device>(m, "Device",
                       "A transistor's figures at each of its data frequencies (NaN where a "
                       "figure does not exist); reflections referred to reference_ohms")
        .def_property_readonly("reference_ohms", &Device::referenceOhms)
        .def_property_readonly("frequencies_hz", &Device::frequencies)
        .def_property_readonly("k", &Device::k, "Rollett's stability factor")
        .def_property_readonly("delta", &Device::delta, "|S11 S22 - S12 S21|")
        .def_property_readonly("mu", &Device::mu, "Edwards-Sinsky mu, at the input")
        .def_property_readonly("mu_prime", &Device::muPrime, "Edwards-Sinsky mu', at the output")
        .def_property_readonly("msg_db", &Device::msgDb, "maximum stable gain |S21/S12|")
        .def_property_readonly("mag_db", &Device::magDb,
                               "maximum available gain, where K > 1 and |Delta| < 1")
        .def_property_readonly("gamma_s", &Device::gammaS, "simultaneous conjugate match, source")
        .def_property_readonly("gamma_l", &Device::gammaL, "simultaneous conjugate match, load")
        .def_property_readonly("nf_min_db", &Device::nfMinDb)
        .def_property_readonly("gamma_opt", &Device::gammaOpt)
        .def_property_readonly("rn_ohms", &Device::rnOhms)
        .def_property_readonly("s", &Device::s, "S-parameters, shape (N, 2, 2)")
        .def("circles", &Device::circles, py::arg("kind"), py::arg("level"), py::arg("frequency"),
             "one circle at a data frequency (Hz): kind \"source stability\", \"load "
             "stability\", \"available gain\", \"operating gain\" or \"noise\", level in dB (None "
             "for the stability circles)")
        .def("to_json", &Device::json, "the document tevmar-cli --device --json writes");
    m.def("device", &MakeDevice, py::arg("path"), py::arg("f1") = py::none(),
          py::arg("f2") = py::none(), py::arg("gain_circles") = py::none(),
          py::arg("noise_circles") = py::none(),
          "a transistor's figures from its two-port Touchstone file");
}

// ---------------------------------------------------------------- amplifier

// Both matching networks of an amplifier from tevmar-cli --amplifier's run:
// the networks as its JSON lists them, the band's figures as arrays (NaN
// where a figure does not exist).
class Amplifier
{
  public:
    Amplifier(session::Request request, session::Outcome outcome)
        : request_(std::move(request)), outcome_(std::move(outcome))
    {
    }

    std::string goal() const { return analysis::AmplifierGoalName(Design().goal); }
    py::object input() const { return Entry("input"); }
    py::object output() const { return Entry("output"); }
    py::array_t<double> frequencies() const
    {
        return Real([](const analysis::AmplifierPoint &p) { return p.frequencyHz; });
    }
    py::array_t<double> gtDb() const
    {
        return Real([](const analysis::AmplifierPoint &p) { return p.gtDb; });
    }
    py::array_t<double> nfDb() const
    {
        return Real([](const analysis::AmplifierPoint &p) { return p.nfDb.value_or(kNone); });
    }
    py::array_t<double> inputReturnLossDb() const
    {
        return Real([](const analysis::AmplifierPoint &p) { return p.inputReturnLossDb; });
    }
    py::array_t<double> outputReturnLossDb() const
    {
        return Real([](const analysis::AmplifierPoint &p) { return p.outputReturnLossDb; });
    }
    py::array_t<double> mu() const
    {
        return Real([](const analysis::AmplifierPoint &p) { return p.mu.value_or(kNone); });
    }
    py::array_t<std::complex<double>> gammaS() const
    {
        return ComplexArray([](const analysis::AmplifierPoint &p) { return p.gammaS; });
    }
    py::array_t<std::complex<double>> gammaL() const
    {
        return ComplexArray([](const analysis::AmplifierPoint &p) { return p.gammaL; });
    }
    double gtDbMin() const { return Design().gtDbMin; }
    double gtDbMax() const { return Design().gtDbMax; }
    std::optional<double> nfDbMax() const { return Design().nfDbMax; }
    bool stable() const { return Design().stable; }
    py::object stability() const { return Entry("stability"); }
    // The stabilising resistors and what they cost; None without stabilise.
    py::object stabiliser() const { return Entry("stabiliser"); }
    std::string json() const
    {
        return session::ResultText(session::AmplifierTree(request_, outcome_));
    }

  private:
    static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
    const analysis::Amplifier &Design() const { return outcome_.amplifier->amplifier; }
    // One entry of the document's "amplifier".
    py::object Entry(const char *key) const
    {
        return ToPython(session::AmplifierTree(request_, outcome_)["amplifier"][key]);
    }
    const std::vector<analysis::AmplifierPoint> &Points() const { return Design().band; }

    template <typename F> py::array_t<double> Real(F figure) const
    {
        return ArrayOf<double>(Points(), figure);
    }
    template <typename F> py::array_t<std::complex<double>> ComplexArray(F figure) const
    {
        return ArrayOf<std::complex<double>>(Points(), figure);
    }

    session::Request request_;
    session::Outcome outcome_;
};

Amplifier MakeAmplifier(const py::object &path, const py::object &f1, const py::object &f2,
                        const std::string &goal, const py::object &source, const py::object &load,
                        const py::object &sourceS1p, const py::object &loadS1p,
                        const py::object &stabilityMargin, const py::object &tolerance,
                        const py::object &qL, const py::object &qC, const py::object &qModel,
                        const py::object &lModel, const py::object &cModel, const py::object &pad,
                        const py::object &parts, bool stabilise)
{
    Call call;
    call.arguments.devicePath = PathBytes(path);
    call.arguments.amplifier = true;
    call.arguments.json = true;
    // Each parameter fills the setting of its keyword, read as a design's is;
    // None leaves it at its default.
    session::CallSettings &s = call.arguments.settings;
    s.f1 = Box("f1", f1, call);
    s.f2 = Box("f2", f2, call);
    s.goal = goal;
    s.source = Setting("source", source, call);
    s.loadOhms = Setting("load_ohms", load, call);
    s.stabilityMargin = Setting("stability_margin", stabilityMargin, call);
    s.tolerance = Setting("tolerance", tolerance, call);
    s.inductorQ = Setting("q_l", qL, call);
    s.capacitorQ = Setting("q_c", qC, call);
    s.qModel = Setting("q_model", qModel, call);
    s.inductorModel = Setting("l_model", lModel, call);
    s.capacitorModel = Setting("c_model", cModel, call);
    s.pad = Setting("pad", pad, call);
    // The measured terminations and the kit, as open() takes their paths.
    s.sourceS1p = Path(sourceS1p);
    s.loadS1p = Path(loadS1p);
    s.parts = Path(parts);
    call.arguments.stabilise = stabilise;
    session::Request request = RequestOf(call);
    session::Outcome outcome = RunReleased(request);
    RaiseOnBadUsage(outcome);
    if (!outcome.amplifier) {
        std::string problems;
        for (const session::Message &m : outcome.messages)
            if (m.kind != session::Message::Kind::Warning)
                problems += (problems.empty() ? "" : "; ") + m.text;
        throw py::value_error(problems);
    }
    return Amplifier(std::move(request), std::move(outcome));
}

void BindAmplifier(py::module_ &m)
{
    py::class_<Amplifier>(m, "Amplifier",
                          "Both matching networks of an amplifier and its figures at the device's "
                          "data frequencies in the band (NaN where a figure does not exist)")
        .def_property_readonly("goal", &Amplifier::goal, "\"gain\" or \"noise\"")
        .def_property_readonly("input", &Amplifier::input,
                               "the input network, parts from the source toward the device")
        .def_property_readonly("output", &Amplifier::output,
                               "the output network, parts from the device toward the load")
        .def_property_readonly("frequencies_hz", &Amplifier::frequencies)
        .def_property_readonly("gt_db", &Amplifier::gtDb, "transducer gain, source to load")
        .def_property_readonly("nf_db", &Amplifier::nfDb, "noise figure")
        .def_property_readonly("gamma_s", &Amplifier::gammaS,
                               "the source reflection the device sees")
        .def_property_readonly("gamma_l", &Amplifier::gammaL, "the load reflection the device sees")
        .def_property_readonly("input_return_loss_db", &Amplifier::inputReturnLossDb)
        .def_property_readonly("output_return_loss_db", &Amplifier::outputReturnLossDb)
        .def_property_readonly("mu", &Amplifier::mu, "the whole amplifier's mu")
        .def_property_readonly("gt_db_min", &Amplifier::gtDbMin)
        .def_property_readonly("gt_db_max", &Amplifier::gtDbMax)
        .def_property_readonly("nf_db_max", &Amplifier::nfDbMax)
        .def_property_readonly("stable", &Amplifier::stable,
                               "mu above 1 at every data frequency of the file")
        .def_property_readonly("stability", &Amplifier::stability,
                               "what was checked: marginAsked, worstLoopInBand, "
                               "worstLoopOverData, atFrequencyHz, toleranceChecked (percent)")
        .def_property_readonly("stabiliser", &Amplifier::stabiliser,
                               "with stabilise=True the JSON's stabiliser dict (inputSeriesOhms, "
                               "outputShuntOhms, gainCostDb, ...), else None")
        .def("to_json", &Amplifier::json, "the document tevmar-cli --amplifier --json writes");
    m.def("amplifier", &MakeAmplifier, py::arg("path"), py::arg("f1"), py::arg("f2"),
          py::arg("goal") = "gain", py::arg("source") = py::none(),
          py::arg("load_ohms") = py::none(), py::arg("source_s1p") = py::none(),
          py::arg("load_s1p") = py::none(), py::arg("stability_margin") = py::none(),
          py::arg("tolerance") = py::none(), py::arg("q_l") = py::none(),
          py::arg("q_c") = py::none(), py::arg("q_model") = py::none(),
          py::arg("l_model") = py::none(), py::arg("c_model") = py::none(),
          py::arg("pad") = py::none(), py::arg("parts") = py::none(), py::arg("stabilise") = false,
          "both matching networks of an amplifier around a transistor's two-port file, over "
          "f1..f2 GHz, for goal \"gain\" or \"noise\"; source and load_ohms in ohms (50 unless "
          "given), or measured in the one-port files source_s1p and load_s1p; in band both "
          "loops at or below stability_margin squared (0.9 unless given), each part also "
          "checked at +-tolerance percent; q_l, q_c, q_model, l_model, c_model and pad build "
          "both networks of the parts as tevmar.design() takes them, and every figure is of "
          "the networks as built; parts, a folder of measured chip parts as tevmar-cli --parts "
          "takes it, builds both networks of its parts (each element then names its \"part\"); "
          "stabilise=True loads the device with resistors until it is unconditionally stable "
          "first, as --stabilise does");
}

} // namespace

PYBIND11_MODULE(tevmar, m)
{
    // A refusal names what was given, and a path or a text may hold bytes that
    // are not UTF-8: they come back as the surrogate escapes they came in as.
    py::register_local_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown)
                std::rethrow_exception(thrown);
        } catch (const std::invalid_argument &e) {
            const std::string text = e.what();
            PyObject *message = PyUnicode_DecodeUTF8(
                text.data(), static_cast<py::ssize_t>(text.size()), "surrogateescape");
            if (message) {
                PyErr_SetObject(PyExc_ValueError, message);
                Py_DECREF(message);
            }
        }
    });

    m.doc() = "Chebyshev impedance-matching networks: design, tune and match a measured load";

    py::class_<Network>(m, "Network", "The matching network alone, between its two ports")
        .def_property_readonly("elements", &Network::elements,
                               "the parts as the JSON lists them, each with name (its "
                               "reference, \"L1\"), part (its kit part number, None off a "
                               "kit), kind, unit and value: a design's or tuned network's "
                               "from port 1 (high impedance), a candidate's from the source")
        .def_property_readonly("gamma_max", &Network::gammaMax,
                               "worst in-band |S11| into the true load")
        .def_property_readonly("port_ohms", &Network::ports,
                               "(port 1, port 2): the resistance each port of the network's "
                               "Touchstone and SPICE files is referred to: as typed, a used "
                               "fit's resistance for a measured load or source, and for data "
                               "no fitted kind describes within 5 % (fit or source_fit "
                               "dataUsedDirectly) the reference the data were measured "
                               "against, never the fit's; s() refers a measured "
                               "termination's port to z0() instead")
        .def("s", &Network::s, py::arg("freqs_hz"),
             "S-parameters, shape (N, 2, 2), each port referred to its true termination: port "
             "1 to Zhigh and port 2 to Zlow, a port a measured load or source terminates to "
             "that data's impedance at each frequency (power waves; see z0()); at most "
             "1000000 frequencies per call (ask for a longer sweep in blocks)")
        .def("z0", &Network::z0, py::arg("freqs_hz"),
             "the impedances s() refers its ports to, shape (N, 2) complex")
        .def("path", &Network::path,
             "the path on the Smith chart at the band's centre, part by part from the load: "
             "a list of (after, z), after \"load\" or the part just passed (named as in "
             "elements), z the impedance in ohms looking toward the load, as the JSON's path")
        .def("to_skrf", &Network::toSkrf, py::arg("freqs_hz"),
             "the same as a scikit-rf Network (needs scikit-rf); at most 1000000 frequencies");

    py::class_<Candidate>(m, "Candidate",
                          "One candidate network, tuned into the true load; read as its JSON "
                          "entry too (c[\"gammaMax\"])")
        .def_property_readonly("gamma_max", &Candidate::gammaMax,
                               "worst in-band |S11| of this candidate into the true load")
        .def_property_readonly("loss_db_max", &Candidate::lossDbMax,
                               "in-band max transducer loss (dB) of this candidate as built "
                               "(kit parts, part models, Q, pads); None with ideal parts")
        .def_property_readonly("elements", &Candidate::elements,
                               "the parts from the source's end, each with name, part (a kit "
                               "part number or None), kind, unit and value")
        .def_property_readonly("bands", &Candidate::bands,
                               "over several bands, its figure band by band as the JSON's "
                               "\"bands\" lists them (kind, gammaMax or s21Max, atGHz, "
                               "score); None for one band")
        .def("network", &Candidate::network)
        .def("to_json", &Candidate::json, "the candidate's entry of tevmar-cli's JSON")
        .def("to_dict", &Candidate::entry)
        .def("keys", &Candidate::keys)
        .def("__getitem__", &Candidate::item)
        .def("__contains__", &Candidate::contains)
        .def("__eq__", &Candidate::equals)
        .def("__repr__", &Candidate::repr);

    py::class_<Design>(m, "Design",
                       "One run standing for one network: a design, a tuning, a picked "
                       "candidate or a match into measured data")
        .def_property_readonly("solved", &Design::solved)
        .def_property_readonly("pane_lines", &Design::paneLines,
                               "the lines tevmar-cli prints for the same arguments")
        .def_property_readonly("report", &Design::report, "the bytes of tevmar.prt")
        .def_property_readonly("elements", &Design::elements,
                               "the design's element table as the JSON lists it, from port "
                               "1, with name (None for the terminations and the absorbed "
                               "load), part (None) and value")
        .def_property_readonly("gamma_max", &Design::gammaMax,
                               "worst in-band |S11| of the network this design stands for, "
                               "as built: tuned when tuned, into the measured data for a "
                               "match; None when there is no network")
        .def_property_readonly("loss_db_max", &Design::lossDbMax,
                               "in-band max transducer loss (dB) of that network as built "
                               "(kit parts, part models, Q, pads); None with ideal parts or "
                               "without a network")
        .def_property_readonly("textbook_gamma_max", &Design::textbookGammaMax,
                               "the synthesis' own figure, as the report prints it; None "
                               "without a textbook design")
        .def_property_readonly("fit", &Design::fit,
                               "the measured load's fit (match only), as the JSON's "
                               "measuredLoad: chosen[\"rmsErrorPercent\"] and "
                               "dataUsedDirectly (True where the fit is more than 5 % off and "
                               "the data stand for the load)")
        .def_property_readonly("source_fit", &Design::sourceFit,
                               "the measured source's fit (match with source_s1p= or "
                               "source_circuit=), as the JSON's measuredSource, with "
                               "dataUsedDirectly always given as fit's; None without a "
                               "measured source")
        .def_property_readonly("design_note", &Design::designNote,
                               "why there is no textbook design (the run's reason), None "
                               "when there is one")
        .def_property_readonly("messages", &Design::messages)
        .def_property_readonly("exit_status", &Design::status, "tevmar-cli's exit status")
        .def("to_json", &Design::json, "the document tevmar-cli --json writes")
        .def("save", &Design::save, py::arg("path"), "writes the report file")
        .def("network", &Design::network)
        .def("tune", &Design::tune,
             "re-tunes the values into the true load (eseries=, l_range=, c_range=, ...)")
        .def("candidates", &Design::candidates,
             "every candidate topology tuned into the true load, best first");

    m.def("design", &MakeDesign, py::arg("f1") = py::none(), py::arg("f2") = py::none(),
          py::arg("zhigh") = py::none(), py::arg("zlow") = py::none(), py::arg("order") = 4,
          py::arg("load") = "series-rl", py::arg("absorb") = py::none(), py::kw_only(),
          py::arg("bands") = py::none(), py::arg("reject") = py::none(),
          "designs from the boxes' texts (numbers accepted); further keywords are tevmar-cli's "
          "options (q_l=40, eseries=\"E24\", monte_carlo=N of at most 1000000 tolerance trials, "
          "points=N of at most 1000000 sweep points, ...). bands=[(F1, F2), ...] in GHz (each "
          "with {\"limit_db\": -15} or {\"weight\": 2} as a third item if need be) and "
          "reject=[(F1, F2, ATT_DB), ...] match several bands at once in place of f1 and f2: "
          "only the candidates run, as with tevmar-cli --band and --reject");
    m.def("match", &MakeMatch, py::arg("f1") = py::none(), py::arg("f2") = py::none(),
          py::arg("load_s1p") = py::none(), py::arg("source") = py::none(), py::arg("order") = 4,
          py::arg("load_kind") = py::none(), py::kw_only(), py::arg("bands") = py::none(),
          py::arg("reject") = py::none(),
          "designs into a load measured in a one-port Touchstone file (or written as a circuit, "
          "load_circuit=\"(20 + 2.7nH) || 0.3pF\"), from a source of `source` ohms, measured "
          "in source_s1p= or written as source_circuit=; keywords (bands= and reject= too) as "
          "design()'s");
    BindDevice(m);
    BindAmplifier(m);
    python::BindMicrostrip(m);
}
