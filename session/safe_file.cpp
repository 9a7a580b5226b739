#include "session/safe_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace tevmar::session {

namespace {

namespace fs = std::filesystem;

std::string Reason(const std::string &what, const fs::path &path)
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

const char *KindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a directory";
    if (S_ISFIFO(mode))
        return "a named pipe (FIFO)";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a regular file";
}

// Where a write to `path` lands: the path itself, or the file at the end of
// its chain of symbolic links (a dangling link leads to the file it names,
// which the write then creates). lstat is used throughout, so nothing is
// opened on the way.
std::optional<fs::path> FinalPath(const fs::path &path, std::string &error)
{
    fs::path current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st
        {
        };
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        std::error_code ec;
        const fs::path target = fs::read_symlink(current, ec);
        if (ec) {
            error = "cannot read the link " + current.string() + ": " + ec.message();
            return std::nullopt;
        }
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    errno = ELOOP;
    error = Reason("cannot follow", path);
    return std::nullopt;
}

// Creates a new file beside `path` that no other writer can be using. The
// mode 0666 lets the user's umask decide the permissions, as for any document.
int CreateTemporary(const fs::path &path, std::string &tempName)
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

bool WriteFileSafely(const fs::path &path, const std::string &contents, std::string &error)
{
    error.clear();
    const std::optional<fs::path> target = FinalPath(path, error);
    if (!target)
        return false;

    // What is there now decides what may happen: a regular file is replaced
    // with its permission bits, anything else is left alone.
    std::optional<mode_t> keptMode;
    struct stat st
    {
    };
    if (::lstat(target->c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            error = "will not replace " + target->string() + ": it is " + KindOf(st.st_mode) +
                    ", not a regular file";
            return false;
        }
        keptMode = st.st_mode & 07777;
    }

    std::string tempName;
    const int fd = CreateTemporary(*target, tempName);
    if (fd < 0) {
        const fs::path directory =
            target->has_parent_path() ? target->parent_path() : fs::path(".");
        error = Reason("cannot create a file in", directory);
        return false;
    }
    errno = EIO; // a write that stops short without an error code
    bool written = WriteAll(fd, contents);
    if (written && keptMode && ::fchmod(fd, *keptMode) != 0)
        written = false;
    written = written && ::fsync(fd) == 0;
    if (!written)
        error = Reason("cannot write", tempName);
    if (::close(fd) != 0 && written)
        error = Reason("cannot close", tempName);
    if (!error.empty() || std::rename(tempName.c_str(), target->c_str()) != 0) {
        if (error.empty())
            error = Reason("cannot replace", *target);
        ::unlink(tempName.c_str());
        return false;
    }
    return true;
}

bool SameFile(const fs::path &a, const fs::path &b)
{
    std::error_code ignored;
    return fs::weakly_canonical(fs::absolute(a), ignored) ==
           fs::weakly_canonical(fs::absolute(b), ignored);
}

} // namespace tevmar::session
