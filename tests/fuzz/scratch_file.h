#pragma once

// The file a reader's fuzz target hands its input to: one scratch file for
// the whole run, rewritten for each input. Its name is removed at once; the
// reader opens it through the descriptor's entry in /proc, which the kernel
// follows to the file itself, so nothing is left behind in the temporary
// directory however the run ends.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>

namespace tevmar::fuzz {

// The path the reader opens, holding exactly `bytes`.
inline std::string WriteScratchFile(std::string_view bytes)
{
    static const int fd = [] {
        std::string name = (std::filesystem::temp_directory_path() / "tevmar-fuzz-XXXXXX").string();
        const int opened = ::mkstemp(name.data());
        if (opened < 0 || ::unlink(name.c_str()) != 0)
            std::abort();
        return opened;
    }();
    if (::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
        std::abort();
    return "/proc/self/fd/" + std::to_string(fd);
}

} // namespace tevmar::fuzz
