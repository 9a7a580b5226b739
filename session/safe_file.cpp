#include "session/safe_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tevmar::session {

namespace {

std::string Reason(const std::string &what, const std::filesystem::path &path)
{
    return what + " " + path.string() + ": " + std::strerror(errno);
}

bool WriteAll(int fd, const std::string &contents)
{
    std::size_t done = 0;
    while (done < contents.size()) {
        const ssize_t n = ::write(fd, contents.data() + done, contents.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

namespace {

// Creates a new file beside `path` that no other writer can be using. The
// mode 0666 lets the user's umask decide the permissions, as for any document.
int CreateTemporary(const std::filesystem::path &path, std::string &tempName)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName =
            path.string() + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        const int fd = ::open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

bool WriteFileSafely(const std::filesystem::path &path, const std::string &contents,
                     std::string &error)
{
    error.clear();
    std::string tempName;
    const int fd = CreateTemporary(path, tempName);
    if (fd < 0) {
        const std::filesystem::path directory =
            path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
        error = Reason("cannot create a file in", directory);
        return false;
    }
    errno = EIO; // a write that stops short without an error code
    const bool written = WriteAll(fd, contents) && ::fsync(fd) == 0;
    if (!written)
        error = Reason("cannot write", tempName);
    if (::close(fd) != 0 && written)
        error = Reason("cannot close", tempName);
    if (!error.empty() || std::rename(tempName.c_str(), path.c_str()) != 0) {
        if (error.empty())
            error = Reason("cannot replace", path);
        ::unlink(tempName.c_str());
        return false;
    }
    return true;
}

bool SameFile(const std::filesystem::path &a, const std::filesystem::path &b)
{
    std::error_code ignored;
    return std::filesystem::weakly_canonical(std::filesystem::absolute(a), ignored) ==
           std::filesystem::weakly_canonical(std::filesystem::absolute(b), ignored);
}

} // namespace tevmar::session
