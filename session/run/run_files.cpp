#include "session/run/run_files.h"

#include "session/run/part_kit_folder.h"

#include <filesystem>
#include <system_error>

namespace tevmar::session {
namespace {

namespace fs = std::filesystem;

// The files of a kit folder its reader may open: parts.csv and every
// two-port file, whatever the case of its extension. A folder that cannot be
// listed gives none; its reader then refuses it.
void AddKitFiles(const std::string &folder, const std::string &option,
                 std::vector<NamedPath> &inputs)
{
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const fs::path &path = it->path();
        if (path.filename() == "parts.csv" || IsPartFile(path))
            inputs.push_back({option, path});
    }
}

} // namespace

std::vector<NamedPath> InputFilesOf(const Request &r)
{
    const OptionNaming &n = r.naming;
    std::vector<NamedPath> inputs;
    if (const std::optional<MeasuredLoadInput> &m = r.measuredLoad) {
        if (!m->circuit && !m->filePath.empty())
            inputs.push_back({n("--load-s1p"), m->filePath});
        if (m->source && !m->source->circuit && !m->source->filePath.empty())
            inputs.push_back({n("--source-s1p"), m->source->filePath});
    }
    if (r.device && !r.device->filePath.empty())
        inputs.push_back({n("--device"), r.device->filePath});
    if (const std::optional<AmplifierInput> &a = r.amplifier) {
        if (!a->filePath.empty())
            inputs.push_back({n("--device"), a->filePath});
        if (a->sourceS1p)
            inputs.push_back({n("--source-s1p"), *a->sourceS1p});
        if (a->loadS1p)
            inputs.push_back({n("--load-s1p"), *a->loadS1p});
    }
    if (r.partsFolder)
        AddKitFiles(*r.partsFolder, n("--parts"), inputs);
    return inputs;
}

std::vector<NamedPath> OutputFilesOf(const Request &r)
{
    std::vector<NamedPath> outputs;
    // A transistor's or an amplifier's run saves no report.
    if (r.reportPath && !r.device && !r.amplifier)
        outputs.push_back({r.naming("--report"), *r.reportPath});
    for (const FileRequest &file : r.files)
        if (file.path != kStandardOutputPath)
            outputs.push_back({file.label, file.path});
    return outputs;
}

} // namespace tevmar::session
