// The kit folder's reader on any folder: the input lays out the band and the
// folder's files, names and parts.csv included, and the reader builds the kit
// or says why not, nothing else. Its messages carry no control byte and
// never quote the file outside the folder that links may lead to; every part
// it keeps is passive, of finite nominal value and fitted circuit, and
// behaves as its kind over the band.
//
//   line 1       the band in GHz, "low high" (else 1 to 2 GHz)
//   "==> NAME"   a file of the folder, its text the lines up to the next
//   "==> NAME -> TARGET"  a symbolic link NAME to TARGET ("../outside.s2p"
//                leads out of the folder, to a file holding kOutsideText)

#include "session/run/part_kit_folder.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/run_checks.h"

#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>

using namespace tevmar;
namespace fs = std::filesystem;

namespace {

// What the file outside the folder holds: a message that quotes it read
// where it had no business.
constexpr std::string_view kOutsideText = "OUTSIDE-SECRET-7f3a";

// The folder's files at most: enough for every rule between them, few
// enough to keep an input at a millisecond or so.
constexpr std::size_t kMaxFiles = 24;

// The scratch place for the whole run: the folder "kit" and, beside it, the
// file links may lead out to. Removed when the run ends normally.
const fs::path &Scratch()
{
    static const fs::path root = [] {
        std::string name = (fs::temp_directory_path() / "tevmar-kit-fuzz-XXXXXX").string();
        if (::mkdtemp(name.data()) == nullptr)
            std::abort();
        std::ofstream(fs::path(name) / "outside.s2p") << kOutsideText << '\n';
        return fs::path(name);
    }();
    // Registered once the path is made, so that it runs before the path's
    // own destructor.
    [[maybe_unused]] static const bool removed = [] {
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(Scratch(), ignored);
        });
        return true;
    }();
    return root;
}

// A file name the folder can hold: no slash and no NUL, neither "." nor "..".
std::string Fit(std::string name)
{
    for (char &c : name)
        if (c == '/' || c == '\0')
            c = '_';
    if (name.empty() || name == "." || name == "..")
        return {};
    return name.substr(0, 200);
}

void Check(const analysis::KitReading &r, bool mayQuoteOutside)
{
    const auto said = [&](const std::string &text) {
        fuzz::RequirePrintable(text);
        if (!mayQuoteOutside && text.find(kOutsideText) != text.npos)
            std::abort();
    };
    said(r.problem);
    for (const std::string &w : r.warnings)
        said(w);
    if (!r.problem.empty())
        return;
    for (const bool inductor : {true, false}) {
        const std::vector<analysis::KitPartRef> &parts = r.kit.Of(inductor);
        if (parts.empty())
            std::abort();
        for (std::size_t i = 0; i < parts.size(); ++i) {
            const analysis::KitPart &p = *parts[i];
            if (p.inductor != inductor || !std::isfinite(p.nominal) || !(p.nominal > 0) ||
                (i > 0 && parts[i - 1]->nominal > p.nominal))
                std::abort();
            const analysis::FittedEquivalent &f = p.fitted;
            if (!std::isfinite(f.main) || !(f.main > 0) || !std::isfinite(f.parasitic) ||
                !std::isfinite(f.resistanceOhms))
                std::abort();
            // Passive at every point: S21 of the series part within the disc
            // |S21 - 1/2| <= 1/2, allowing the reader's rounding tolerance.
            for (const std::complex<double> z : p.data.impedanceOhms) {
                const std::complex<double> s21 = 1.0 / (1.0 + z / (2 * p.referenceOhms));
                if (!std::isfinite(z.real()) || !std::isfinite(z.imag()) ||
                    std::abs(s21 - 0.5) - 0.5 > 1.001e-3)
                    std::abort();
            }
            for (const double hz : {r.kit.lowHz, r.kit.highHz}) {
                const double x = p.ImpedanceAt(hz).imag();
                if (inductor ? !(x > 0) : !(x < 0))
                    std::abort();
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const std::vector<std::string> lines = fuzz::SplitLines(data, size);
    const fs::path kit = Scratch() / "kit";
    std::error_code error;
    fs::remove_all(kit, error);
    if (error || !fs::create_directory(kit, error))
        std::abort();

    double lowGhz = 1, highGhz = 2;
    std::size_t at = 0;
    if (!lines.empty() && !lines[0].starts_with("==> ")) {
        std::istringstream band(lines[at++]);
        double low = 0, high = 0;
        if (band >> low >> high && std::isfinite(low) && std::isfinite(high) && low > 0 &&
            high >= low && high < 1e3) {
            lowGhz = low;
            highGhz = high;
        }
    }
    std::size_t files = 0;
    while (at < lines.size()) {
        if (!lines[at].starts_with("==> ")) {
            ++at;
            continue;
        }
        std::string header = lines[at++].substr(4);
        std::string text;
        for (; at < lines.size() && !lines[at].starts_with("==> "); ++at)
            text += lines[at] + '\n';
        if (files++ == kMaxFiles)
            break;
        const std::size_t arrow = header.find(" -> ");
        const std::string name = Fit(header.substr(0, arrow));
        if (name.empty())
            continue;
        if (arrow != header.npos) {
            fs::create_symlink(header.substr(arrow + 4), kit / name, error);
            continue;
        }
        // A new file only: a name given twice may be a link by now, and
        // writing through it could reach any file of the machine.
        const int fd = ::open((kit / name).c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0)
            continue;
        const bool written =
            ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        if (::close(fd) != 0 || !written)
            std::abort();
    }
    Check(session::ReadPartKit(kit.string(), lowGhz * 1e9, highGhz * 1e9),
          input.find(kOutsideText) != input.npos);
    return 0;
}
