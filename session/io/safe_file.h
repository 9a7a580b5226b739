#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace tevmar::session {

// Writes `contents` to `path` through a temporary file and a rename, so that a
// reader never sees half a file. A symbolic link is followed by the kernel, so
// its rules on links in shared directories hold: the link stays and the file
// it leads to is replaced, the temporary file being made in that file's
// directory under a name that fits beside any legal name. A replaced file
// keeps its permission bits, except that set-user-ID and set-group-ID stay
// only where the new file has the old one's owner and group; a new file gets
// those the umask allows. A path that exists as anything but a regular file
// (a directory, a FIFO, a device, a socket) is refused and left untouched; a
// FIFO is never opened, so the call cannot block on one. Returns false with a
// reason when the file could not be replaced; the old file then stays as it
// was and no temporary file is left behind.
bool WriteFileSafely(const std::filesystem::path &path, const std::string &contents,
                     std::string &error);

// True when both paths name the same file, whether or not it exists yet: the
// same path once links are resolved, or two links to one file.
bool SameFile(const std::filesystem::path &a, const std::filesystem::path &b);

// A file named by an option, for the rules between inputs and outputs.
struct NamedPath
{
    std::string option; // "--load-s1p"
    std::filesystem::path path;
};

// The first output that is the same file as an input, as
// "--report: \"m.s1p\" is the input of --load-s1p; ...", or empty. A measured
// file must never be replaced by what was made from it.
std::string OutputOverInput(const std::vector<NamedPath> &outputs,
                            const std::vector<NamedPath> &inputs);

// What ReadFileBounded read, or why it stopped.
struct BoundedRead
{
    std::string text;     // the whole file; on error what was read before it
    std::string error;    // empty when the whole file was read
    bool midRead = false; // the system failed after `text` was read
};

// Reads a regular file of at most `maxBytes` without ever blocking or
// growing past that: the file is opened non-blocking, and a FIFO, a device, a
// directory or a socket is refused unread, as is a file larger than the
// limit. Every failure of the system, a read error halfway included, is an
// error, never an exception.
BoundedRead ReadFileBounded(const std::filesystem::path &path, std::size_t maxBytes);

} // namespace tevmar::session
