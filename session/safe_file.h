#pragma once

#include <filesystem>
#include <string>

namespace tevmar::session {

// Writes `contents` to `path` through a temporary file and a rename, so that a
// reader never sees half a file. A symbolic link is followed: the link stays
// and the file it leads to is replaced, the temporary file being made in that
// file's directory. A replaced file keeps its permission bits; a new file gets
// those the umask allows. A path that exists as anything but a regular file
// (a directory, a FIFO, a device, a socket) is refused and left untouched; a
// FIFO is never opened, so the call cannot block on one. Returns false with a
// reason when the file could not be replaced; the old file then stays as it
// was and no temporary file is left behind.
bool WriteFileSafely(const std::filesystem::path &path, const std::string &contents,
                     std::string &error);

// True when both paths name the same file, whether or not it exists yet.
bool SameFile(const std::filesystem::path &a, const std::filesystem::path &b);

} // namespace tevmar::session
