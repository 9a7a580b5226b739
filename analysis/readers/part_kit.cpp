#include "analysis/readers/part_kit.h"

#include "analysis/readers/touchstone_reader.h"
#include "report/number_format.h"
#include "report/printable_text.h"
#include "units/quantity.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <map>
#include <numbers>
#include <set>

namespace tevmar::analysis {
namespace {

using Complex = std::complex<double>;

// Vendors de-embed their fixtures to within a few hundredths in S: a part
// whose S11 and S22 differ by more was measured unevenly or is not the
// symmetric two-terminal part the series-through formula assumes.
constexpr double kAsymmetryLimit = 0.05;

// How far outside the passive region S21 may lie and still be a passive
// part's data, rounded by the file and blurred by the analyser's trace noise
// (a part in series passes at most everything: S21 within the disc
// |S21 - 1/2| <= 1/2, which is Re Z >= 0). Beyond it the data show gain.
constexpr double kGainTolerance = 1e-3;

// The most of a kit file's token a message quotes: the files of a kit are
// not named one by one by the user, so a warning shows only enough to find
// the fault.
constexpr std::size_t kKitQuoteBytes = 12;

// A spreadsheet saving a list as UTF-8 puts this mark first.
constexpr std::string_view kByteOrderMark = "\xef\xbb\xbf";

// A few characters of a kit file's text in a message, quoted.
std::string QuotedFew(std::string_view text)
{
    return "\"" + PrintableText(text, kKitQuoteBytes) + "\"";
}

// A kit part's reading as its name in messages: "folder/file".
std::string Named(const std::string &folder, const std::string &file)
{
    return PrintableText(folder + "/" + file, 200);
}

std::string Ghz(double hz)
{
    return Figure(units::Frequency::FromHz(hz).ghz(), 4);
}

std::string Lower(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return std::string(text.substr(first, last - first + 1));
}

std::string StemOf(const std::string &name)
{
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// The value a part's marking would carry: two digits (2.7 nH, 0.5 pF) where
// the measured value is within 2 % of them, the vendors' tolerance band,
// else three.
double NominalOf(double measured)
{
    for (const int digits : {2, 3}) {
        const double scale = std::pow(10.0, std::floor(std::log10(measured)) - (digits - 1));
        const double rounded = std::round(measured / scale) * scale;
        if (digits == 3 || std::abs(measured / rounded - 1) <= 0.02) {
            // The decimal the text shows, read back free of the locale.
            const std::string text = Figure(rounded, digits);
            double value = rounded;
            std::from_chars(text.data(), text.data() + text.size(), value);
            return value;
        }
    }
    return measured;
}

// The reactance's sign the kind gives: positive for an inductor.
bool BehavesAs(bool inductor, Complex z)
{
    return inductor ? z.imag() > 0 : z.imag() < 0;
}

// The first point above 0 Hz: at DC a part has no reactance to tell its kind
// or its value by.
std::size_t FirstAboveDc(const MeasuredLoad &data)
{
    std::size_t first = 0;
    while (first < data.frequenciesHz.size() && !(data.frequenciesHz[first] > 0))
        ++first;
    return first;
}

// The inductance (nH) or capacitance (pF) the reactance at the lowest
// frequencies above DC gives: the mean over the first three points of the
// same sign, where the parasitics are smallest.
std::optional<std::pair<bool, double>> KindFromData(const MeasuredLoad &data)
{
    const std::size_t first = FirstAboveDc(data);
    if (first == data.frequenciesHz.size() || data.impedanceOhms[first].imag() == 0)
        return std::nullopt;
    const bool inductor = data.impedanceOhms[first].imag() > 0;
    double sum = 0;
    int count = 0;
    for (std::size_t i = first; i < data.frequenciesHz.size() && count < 3; ++i) {
        const Complex z = data.impedanceOhms[i];
        if (!BehavesAs(inductor, z))
            break;
        const double omega = 2 * std::numbers::pi * data.frequenciesHz[i];
        sum += inductor ? units::Inductance::FromHenries(z.imag() / omega).nanohenries()
                        : units::Capacitance::FromFarads(-1 / (omega * z.imag())).picofarads();
        ++count;
    }
    const double nominal = NominalOf(sum / count);
    if (!std::isfinite(nominal) || !(nominal > 0))
        return std::nullopt;
    return std::pair{inductor, nominal};
}

// Where a part's data lie furthest outside the passive disc, beyond the
// tolerance: the point's index, or none.
std::optional<std::size_t> GainAt(const std::vector<TwoPortMatrix> &s)
{
    std::optional<std::size_t> worst;
    double worstExcess = kGainTolerance;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (const double excess = std::abs(s[i].s21 - 0.5) - 0.5; excess > worstExcess) {
            worst = i;
            worstExcess = excess;
        }
    return worst;
}

bool Finite(const FittedEquivalent &fit)
{
    return std::isfinite(fit.main) && fit.main > 0 && std::isfinite(fit.parasitic) &&
           fit.parasitic >= 0 && std::isfinite(fit.resistanceOhms) && fit.resistanceOhms >= 0;
}

// parts.csv's rows, by file name.
struct ListedPart
{
    std::string part;
    bool inductor = true;
    double value = 0;
    std::string file;
    int line = 0;
};

std::optional<double> PositiveNumber(std::string_view text)
{
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value) ||
        !(value > 0))
        return std::nullopt;
    return value;
}

std::vector<std::string> Fields(std::string_view line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = line.find(',', start);
        fields.push_back(Trimmed(line.substr(start, comma - start)));
        if (comma == std::string_view::npos)
            return fields;
        start = comma + 1;
    }
}

// The rows of parts.csv, or why it cannot be read.
std::string ReadList(const std::string &text, const std::string &where,
                     std::vector<ListedPart> &rows)
{
    if (text.size() > kMaxKitListBytes)
        return where + ": larger than " + std::to_string(kMaxKitListBytes >> 20) +
               " MiB; expected one row per part";
    std::size_t start = text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    int lineNumber = 0;
    bool header = false;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = Trimmed(std::string_view(text).substr(start, end - start));
        start = end + 1;
        ++lineNumber;
        const std::string at = where + ":" + std::to_string(lineNumber) + ": ";
        if (line.empty() || line.front() == '#')
            continue;
        const std::vector<std::string> f = Fields(line);
        if (!header) {
            if (f.size() != 4 || Lower(f[0]) != "part" || Lower(f[1]) != "kind" ||
                Lower(f[2]) != "value" || Lower(f[3]) != "file")
                return at + QuotedFew(line) + " is not the header; expected part,kind,value,file";
            header = true;
            continue;
        }
        if (f.size() != 4)
            return at + std::to_string(f.size()) + " fields; expected part,kind,value,file";
        ListedPart row;
        row.part = f[0];
        row.file = f[3];
        row.line = lineNumber;
        const std::string kind = Lower(f[1]);
        if (row.part.empty() || row.file.empty())
            return at + "a part without its number or file; expected both";
        if (kind != "inductor" && kind != "capacitor")
            return at + QuotedFew(f[1]) + " is not a kind; expected inductor or capacitor";
        row.inductor = kind == "inductor";
        const std::optional<double> value = PositiveNumber(f[2]);
        if (!value)
            return at + QuotedFew(f[2]) + " is not a positive value in " +
                   (row.inductor ? "nH" : "pF");
        row.value = *value;
        if (rows.size() >= kMaxKitFiles)
            return at + "more than " + std::to_string(kMaxKitFiles) + " parts";
        rows.push_back(std::move(row));
    }
    if (!header)
        return where + ": empty; expected the header part,kind,value,file and a row per part";
    return {};
}

// Least squares of y = a u + b v over the points; false when singular.
bool FitTwo(const std::vector<std::array<double, 3>> &uvy, double &a, double &b)
{
    double suu = 0, suv = 0, svv = 0, suy = 0, svy = 0;
    for (const auto &[u, v, y] : uvy) {
        suu += u * u;
        suv += u * v;
        svv += v * v;
        suy += u * y;
        svy += v * y;
    }
    const double det = suu * svv - suv * suv;
    if (!(std::abs(det) > 1e-12 * suu * svv))
        return false;
    a = (suy * svv - svy * suv) / det;
    b = (svy * suu - suy * suv) / det;
    return std::isfinite(a) && std::isfinite(b);
}

} // namespace

Complex FittedEquivalent::ImpedanceAt(bool inductor, double frequencyHz) const
{
    const double omega = 2 * std::numbers::pi * frequencyHz;
    if (!inductor)
        return {resistanceOhms, omega * parasitic - 1 / (omega * main)};
    const Complex winding{resistanceOhms, omega * main};
    return winding / (1.0 + Complex{0, omega * parasitic} * winding);
}

Complex SeriesThroughImpedance(Complex s21, double referenceOhms)
{
    return 2 * referenceOhms * (1.0 - s21) / s21;
}

FittedEquivalent FitEquivalent(const KitPart &part, double lowHz, double highHz)
{
    std::vector<double> hz;
    for (const double f : part.data.frequenciesHz)
        if (f >= lowHz / 2 && f <= highHz * 2 && BehavesAs(part.inductor, part.ImpedanceAt(f)))
            hz.push_back(f);
    for (int k = 0; k <= 10; ++k)
        hz.push_back(lowHz + (highHz - lowHz) * k / 10);
    FittedEquivalent fit;
    std::vector<std::array<double, 3>> rows;
    if (part.inductor) {
        // X = w L / (1 - w^2 L CP) for a small R: w L / X + w^2 (L CP) = 1.
        for (const double f : hz) {
            const double w = 2 * std::numbers::pi * f, x = part.ImpedanceAt(f).imag();
            rows.push_back({w / x, w * w, 1.0});
        }
        double l = 0, lcp = 0;
        if (!FitTwo(rows, l, lcp) || !(l > 0) || lcp < 0) {
            double sxw = 0, sww = 0;
            for (const double f : hz) {
                const double w = 2 * std::numbers::pi * f;
                sxw += part.ImpedanceAt(f).imag() * w;
                sww += w * w;
            }
            l = sxw / sww;
            lcp = 0;
        }
        fit.main = l;
        fit.parasitic = lcp / l;
    } else {
        // w X = w^2 ESL - 1 / C.
        for (const double f : hz) {
            const double w = 2 * std::numbers::pi * f, x = part.ImpedanceAt(f).imag();
            rows.push_back({w * w, -1.0, w * x});
        }
        double esl = 0, inverseC = 0;
        if (!FitTwo(rows, esl, inverseC) || esl < 0 || !(inverseC > 0)) {
            double sum = 0;
            for (const double f : hz)
                sum += -2 * std::numbers::pi * f * part.ImpedanceAt(f).imag();
            esl = 0;
            inverseC = sum / static_cast<double>(hz.size());
        }
        fit.main = 1 / inverseC;
        fit.parasitic = esl;
    }
    // The loss: the resistance that gives the band's mean real part.
    double sum = 0;
    int count = 0;
    for (int k = 0; k <= 10; ++k) {
        const double f = lowHz + (highHz - lowHz) * k / 10, w = 2 * std::numbers::pi * f;
        const double re = part.ImpedanceAt(f).real();
        const double scale = part.inductor ? std::pow(1 - w * w * fit.main * fit.parasitic, 2) : 1;
        sum += re * scale;
        ++count;
    }
    fit.resistanceOhms = std::max(0.0, sum / count);
    return fit;
}

std::optional<double> ResonanceAbove(const KitPart &part, double highHz)
{
    // An inductor's reactance runs to infinity at its self-resonance, its
    // susceptance through zero; a capacitor's reactance passes through zero.
    const auto crossing = [&](Complex z) { return part.inductor ? (1.0 / z).imag() : z.imag(); };
    const std::vector<double> &f = part.data.frequenciesHz;
    double lastHz = highHz;
    Complex last = part.ImpedanceAt(highHz);
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (!(f[i] > highHz))
            continue;
        const Complex z = part.data.impedanceOhms[i];
        if (!BehavesAs(part.inductor, z)) {
            const double a = crossing(last), b = crossing(z);
            const double t = a / (a - b);
            return lastHz + (std::isfinite(t) ? std::clamp(t, 0.0, 1.0) : 0.5) * (f[i] - lastHz);
        }
        lastHz = f[i];
        last = z;
    }
    // Past the data the fitted circuit tells, where it has a parasitic; one
    // that puts the resonance within the data the data have contradicted.
    const FittedEquivalent &fit = part.fitted;
    if (fit.main > 0 && fit.parasitic > 0) {
        const double hz = 1 / (2 * std::numbers::pi * std::sqrt(fit.main * fit.parasitic));
        if (std::isfinite(hz) && hz > lastHz)
            return hz;
    }
    return std::nullopt;
}

KitReading BuildKit(const std::vector<KitFile> &files, const std::optional<std::string> &listText,
                    const std::string &folder, double lowHz, double highHz, double srfMarginPercent)
{
    KitReading reading;
    const std::string folderName = PrintableText(folder, 200);
    if (files.empty()) {
        reading.problem = folderName + ": no .s2p files; expected a folder of the two-port "
                                       "files of chip parts";
        return reading;
    }
    if (files.size() > kMaxKitFiles) {
        reading.problem = folderName + ": " + std::to_string(files.size()) +
                          " .s2p files; expected at most " + std::to_string(kMaxKitFiles);
        return reading;
    }
    std::vector<ListedPart> rows;
    if (listText) {
        if (std::string problem = ReadList(*listText, Named(folder, "parts.csv"), rows);
            !problem.empty()) {
            reading.problem = std::move(problem);
            return reading;
        }
        for (const ListedPart &row : rows)
            if (std::ranges::none_of(files, [&](const KitFile &f) { return f.name == row.file; })) {
                reading.problem = Named(folder, "parts.csv") + ":" + std::to_string(row.line) +
                                  ": part " + Quoted(PrintableText(row.part, 60)) + " names " +
                                  Quoted(PrintableText(row.file, 100)) +
                                  ", which is not a .s2p file of the folder";
                return reading;
            }
    } else {
        for (const KitFile &f : files)
            rows.push_back({StemOf(f.name), true, 0, f.name, 0});
    }
    // Two parts of one number would make the bill of materials ambiguous.
    std::map<std::string, std::string> numbers;
    for (const ListedPart &row : rows) {
        const auto [at, fresh] = numbers.emplace(row.part, row.file);
        if (!fresh) {
            reading.problem = folderName + ": part " + Quoted(PrintableText(row.part, 60)) +
                              " appears twice (" + PrintableText(at->second, 100) + " and " +
                              PrintableText(row.file, 100) + "); expected one file per part";
            return reading;
        }
    }

    std::vector<std::string> uncovered, resonant, nearResonant;
    const ResonanceRule rule{highHz, srfMarginPercent};
    for (const ListedPart &row : rows) {
        const auto file =
            std::ranges::find_if(files, [&](const KitFile &f) { return f.name == row.file; });
        const std::string name = Named(folder, row.file);
        if (!file->error.empty()) {
            reading.warnings.push_back(name + ": " + file->error + "; skipped");
            continue;
        }
        TwoPortData data;
        try {
            data = ReadTwoPort(file->text, name, kKitQuoteBytes);
        } catch (const TouchstoneError &e) {
            reading.warnings.push_back(std::string(e.what()) + "; skipped");
            continue;
        }
        const std::string partName = "part " + Quoted(row.part);
        // An active part would win every search: its "loss" is gain that no
        // part on the board will give.
        if (const std::optional<std::size_t> at = GainAt(data.s)) {
            const Complex s21 = data.s[*at].s21;
            reading.warnings.push_back(
                name + ": " + partName + " shows gain at " + Ghz(data.frequenciesHz[*at]) +
                " GHz (|S21| " + Figure(std::abs(s21), 4) + ", resistance " +
                Figure(SeriesThroughImpedance(s21, data.referenceOhms).real(), 3) +
                " ohms); expected a passive part; left out");
            continue;
        }
        KitPart part;
        part.partNumber = row.part;
        part.fileName = row.file;
        part.referenceOhms = data.referenceOhms;
        double asymmetry = 0;
        bool open = false;
        for (std::size_t i = 0; i < data.s.size(); ++i) {
            const TwoPortMatrix &s = data.s[i];
            const Complex z = SeriesThroughImpedance(s.s21, data.referenceOhms);
            const bool finite =
                std::abs(s.s21) >= 1e-12 && std::isfinite(z.real()) && std::isfinite(z.imag());
            // At DC a capacitor passes nothing: the point is no fault of the
            // data, only a value no interpolation can use.
            if (!finite && data.frequenciesHz[i] == 0)
                continue;
            open = open || !finite;
            asymmetry = std::max(asymmetry, std::abs(s.s11 - s.s22));
            part.data.frequenciesHz.push_back(data.frequenciesHz[i]);
            part.data.impedanceOhms.push_back(z);
        }
        if (open) {
            reading.warnings.push_back(name + ": S21 of 0, no part in series passes nothing; "
                                              "skipped");
            continue;
        }
        const std::optional<std::pair<bool, double>> kind = KindFromData(part.data);
        if (!kind) {
            const std::size_t first = FirstAboveDc(part.data);
            reading.warnings.push_back(
                name +
                (first == part.data.frequenciesHz.size()
                     ? std::string(": no data above 0 Hz")
                     : ": no reactance at " + Ghz(part.data.frequenciesHz[first]) + " GHz") +
                ", neither inductor nor capacitor; skipped");
            continue;
        }
        if (listText && kind->first != row.inductor) {
            reading.warnings.push_back(name + ": parts.csv says " +
                                       (row.inductor ? "inductor" : "capacitor") +
                                       " but the data at the lowest frequencies are a " +
                                       (kind->first ? "inductor" : "capacitor") + "; skipped");
            continue;
        }
        part.inductor = kind->first;
        part.nominal = listText ? row.value : kind->second;
        if (asymmetry > kAsymmetryLimit)
            reading.warnings.push_back(name + ": S11 and S22 differ by up to " +
                                       Figure(asymmetry, 3) +
                                       "; the data are not of a symmetric series part");
        for (const std::string &w : data.warnings)
            reading.warnings.push_back(w);
        const std::vector<double> &f = part.data.frequenciesHz;
        if (f.front() > lowHz || f.back() < highHz) {
            uncovered.push_back(PrintableText(part.partNumber, 60) + " (" + Ghz(f.front()) +
                                " to " + Ghz(f.back()) + " GHz)");
            continue;
        }
        bool behaves = BehavesAs(part.inductor, part.ImpedanceAt(lowHz)) &&
                       BehavesAs(part.inductor, part.ImpedanceAt(highHz));
        for (std::size_t i = 0; i < f.size(); ++i)
            if (f[i] > lowHz && f[i] < highHz)
                behaves = behaves && BehavesAs(part.inductor, part.data.impedanceOhms[i]);
        if (!behaves) {
            resonant.push_back(PrintableText(part.partNumber, 60));
            continue;
        }
        part.fitted = FitEquivalent(part, lowHz, highHz);
        // A figure that is not a number would reach the netlist and the bill
        // of materials as text no tool reads.
        if (!Finite(part.fitted)) {
            reading.warnings.push_back(name + ": no inductor or capacitor circuit fits the data "
                                              "over the band; skipped");
            continue;
        }
        part.resonanceHz = ResonanceAbove(part, highHz);
        part.clearance = rule.Of(part.resonanceHz);
        if (part.clearance == Clearance::Within) {
            nearResonant.push_back(PrintableText(part.partNumber, 60) + " (" +
                                   Ghz(*part.resonanceHz) + " GHz)");
            continue;
        }
        auto shared = std::make_shared<const KitPart>(std::move(part));
        (shared->inductor ? reading.kit.inductors : reading.kit.capacitors)
            .push_back(std::move(shared));
    }
    const auto list = [](const std::vector<std::string> &names) {
        std::string text;
        for (std::size_t i = 0; i < names.size() && i < 10; ++i)
            text += (i ? ", " : "") + names[i];
        if (names.size() > 10)
            text += " and " + std::to_string(names.size() - 10) + " more";
        return text;
    };
    const std::string band = Ghz(lowHz) + " to " + Ghz(highHz) + " GHz";
    if (!uncovered.empty()) {
        reading.problem = folderName + ": the data of " + list(uncovered) +
                          " do not cover the band " + band +
                          "; expected every part measured over the band";
        return reading;
    }
    if (!resonant.empty())
        reading.warnings.push_back(folderName + ": " + list(resonant) + " resonate within " + band +
                                   " (the reactance changes sign); not used");
    if (!nearResonant.empty())
        reading.warnings.push_back(folderName + ": " + list(nearResonant) + " resonate less than " +
                                   Figure(srfMarginPercent) + " % above the band's top (below " +
                                   Ghz(rule.LowestHz()) + " GHz); not used");
    for (const bool inductor : {true, false}) {
        if (reading.kit.Of(inductor).empty()) {
            reading.problem = folderName + ": no usable " + (inductor ? "inductor" : "capacitor") +
                              " for the band " + band + "; expected at least one of each kind";
            return reading;
        }
    }
    for (std::vector<KitPartRef> *parts : {&reading.kit.inductors, &reading.kit.capacitors})
        std::ranges::stable_sort(*parts, {}, [](const KitPartRef &p) { return p->nominal; });
    reading.kit.lowHz = lowHz;
    reading.kit.highHz = highHz;
    reading.kit.srfMarginPercent = srfMarginPercent;
    return reading;
}

} // namespace tevmar::analysis
