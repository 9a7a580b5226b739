#pragma once

#include <filesystem>
#include <string>

namespace tevmar::session {

// Writes `contents` to `path` through a temporary file in the same directory
// and a rename, so that a reader never sees half a file. Returns false with a
// reason when the file could not be replaced; the old file then stays as it
// was and no temporary file is left behind.
bool WriteFileSafely(const std::filesystem::path &path, const std::string &contents,
                     std::string &error);

// True when both paths name the same file, whether or not it exists yet.
bool SameFile(const std::filesystem::path &a, const std::filesystem::path &b);

} // namespace tevmar::session
