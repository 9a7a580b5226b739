#include "session/run/part_kit_folder.h"

#include "report/printable_text.h"
#include "session/io/safe_file.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace tevmar::session {
namespace {

// The file `name` of the folder once every link is followed, or empty with
// the reason in `why`: a kit is the folder's own files, and a link that leads
// elsewhere (to a key, to /proc) must not be read, let alone quoted in a
// warning.
std::filesystem::path InsideFolder(const std::filesystem::path &folder, const std::string &name,
                                   std::string &why)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path resolved = fs::weakly_canonical(folder / name, error);
    if (error) {
        why = "cannot be followed (" + error.message() + ")";
        return {};
    }
    // Within the folder when the folder's components begin the file's.
    auto at = resolved.begin();
    for (const fs::path &component : folder)
        if (at == resolved.end() || *at++ != component) {
            why = "a link to a file outside the kit folder, not read";
            return {};
        }
    return resolved;
}

} // namespace

bool IsPartFile(const std::filesystem::path &name)
{
    std::string extension = name.extension().string();
    std::ranges::transform(extension, extension.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".s2p";
}

analysis::KitReading ReadPartKit(const std::string &folder, double lowHz, double highHz,
                                 double srfMarginPercent)
{
    namespace fs = std::filesystem;
    analysis::KitReading reading;
    const std::string name = PrintableText(folder, 200);
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        reading.problem = name + ": not a folder; expected a folder of the two-port files of "
                                 "chip parts";
        return reading;
    }
    const fs::path home = fs::canonical(folder, error);
    if (error) {
        reading.problem = name + ": cannot be found (" + error.message() + ")";
        return reading;
    }
    // The names first, bounded, then each file: a folder of many thousand
    // files is refused before any is read.
    std::vector<std::string> names;
    bool hasList = false;
    fs::directory_iterator it(folder, error), end;
    for (; !error && it != end; it.increment(error)) {
        const std::string file = it->path().filename().string();
        if (file == "parts.csv") {
            hasList = true;
            continue;
        }
        if (!IsPartFile(file))
            continue;
        if (names.size() >= analysis::kMaxKitFiles) {
            reading.problem = name + ": more than " + std::to_string(analysis::kMaxKitFiles) +
                              " .s2p files; expected at most that many parts";
            return reading;
        }
        names.push_back(file);
    }
    if (error) {
        reading.problem = name + ": cannot be listed (" + error.message() + ")";
        return reading;
    }
    std::ranges::sort(names);
    std::vector<analysis::KitFile> files;
    std::size_t total = 0;
    for (const std::string &file : names) {
        std::string why;
        const fs::path inside = InsideFolder(home, file, why);
        if (inside.empty()) {
            files.push_back({file, {}, why});
            continue;
        }
        BoundedRead read = ReadFileBounded(inside, analysis::kMaxKitFileBytes);
        total += read.text.size();
        if (total > analysis::kMaxKitBytes) {
            reading.problem = name + ": more than " + std::to_string(analysis::kMaxKitBytes >> 20) +
                              " MiB of part files; expected a kit of that size at most";
            return reading;
        }
        analysis::KitFile kitFile{file, std::move(read.text), {}};
        if (!read.error.empty()) {
            kitFile.text.clear();
            kitFile.error = "cannot be read (" + read.error + ")";
        }
        files.push_back(std::move(kitFile));
    }
    std::optional<std::string> list;
    if (hasList) {
        std::string why;
        const fs::path inside = InsideFolder(home, "parts.csv", why);
        if (inside.empty()) {
            reading.problem = PrintableText(folder + "/parts.csv", 200) + ": " + why +
                              "; expected the kit's own list";
            return reading;
        }
        BoundedRead read = ReadFileBounded(inside, analysis::kMaxKitListBytes);
        if (!read.error.empty()) {
            reading.problem = PrintableText(folder + "/parts.csv", 200) + ": cannot be read (" +
                              read.error + "); expected a list of at most " +
                              std::to_string(analysis::kMaxKitListBytes >> 20) + " MiB";
            return reading;
        }
        list = std::move(read.text);
    }
    return analysis::BuildKit(files, list, folder, lowHz, highHz, srfMarginPercent);
}

} // namespace tevmar::session
