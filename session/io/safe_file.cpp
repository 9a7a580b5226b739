#include "session/io/safe_file.h"

#include "report/printable_text.h"

#include <array>
#include <cerrno>
#include <cstdint>
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

// The longest name a directory entry may have on the file systems in use.
constexpr std::size_t kMaxNameBytes = 255;

// The kernel's name for the file an open descriptor stands for.
std::optional<fs::path> NameOf(int fd)
{
    std::array<char, 4096> buffer{};
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(link.c_str(), buffer.data(), buffer.size() - 1);
    if (n <= 0)
        return std::nullopt;
    return fs::path(std::string(buffer.data(), static_cast<std::size_t>(n)));
}

// Where a write to `path` lands: the path itself, or the file at the end of
// its chain of symbolic links. The kernel follows the links (O_PATH opens
// nothing for reading or writing and never waits on a FIFO), so its rules on
// links in shared sticky directories decide, not ours. A dangling link is
// followed with O_CREAT, under the same rules, and the file it names is
// created; `created` says so, so that a failure can take it away again.
std::optional<fs::path> FinalPath(const fs::path &path, bool &created, std::string &error)
{
    created = false;
    struct stat st
    {
    };
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    int fd = ::open(path.c_str(), O_PATH | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
        created = fd >= 0;
    }
    if (fd < 0) {
        error = Reason("cannot follow the link", path);
        return std::nullopt;
    }
    std::optional<fs::path> target = NameOf(fd);
    ::close(fd);
    if (!target) {
        std::error_code ec;
        target = fs::canonical(path, ec);
        if (ec) {
            error = "cannot follow the link " + path.string() + ": " + ec.message();
            return std::nullopt;
        }
    }
    return target;
}

// A temporary name beside `path` that fits in a directory entry: a name near
// the limit gives up its end, never the suffix that makes it unique.
std::string TemporaryName(const fs::path &path, int attempt)
{
    const std::string suffix = ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
    std::string name = path.filename().string();
    if (name.size() + suffix.size() > kMaxNameBytes)
        name.resize(kMaxNameBytes - suffix.size());
    return (path.parent_path() / (name + suffix)).string();
}

// Creates a new file beside `path` that no other writer can be using. The
// mode 0666 lets the user's umask decide the permissions, as for any document.
int CreateTemporary(const fs::path &path, std::string &tempName)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName = TemporaryName(path, attempt);
        const int fd = ::open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// The old file's permission bits for the new one. Set-user-ID and
// set-group-ID name an owner and a group: the new file belongs to whoever
// writes it, so those bits stay only where owner and group are the same.
mode_t KeptMode(int fd, const struct stat &old)
{
    mode_t mode = old.st_mode & 07777;
    struct stat now
    {
    };
    if (::fstat(fd, &now) != 0)
        return mode & ~mode_t{S_ISUID | S_ISGID};
    if (now.st_uid != old.st_uid)
        mode &= ~mode_t{S_ISUID};
    if (now.st_gid != old.st_gid)
        mode &= ~mode_t{S_ISGID};
    return mode;
}

std::string SizeText(std::size_t bytes)
{
    constexpr std::size_t kMiB = std::size_t{1} << 20;
    return bytes % kMiB == 0 ? std::to_string(bytes / kMiB) + " MiB"
                             : std::to_string(bytes) + " bytes";
}

} // namespace

bool WriteFileSafely(const fs::path &path, const std::string &contents, std::string &error)
{
    error.clear();
    bool createdTarget = false;
    const std::optional<fs::path> target = FinalPath(path, createdTarget, error);
    if (!target)
        return false;
    const auto fail = [&] {
        if (createdTarget)
            ::unlink(target->c_str());
        return false;
    };

    // What is there now decides what may happen: a regular file is replaced
    // with its permission bits, anything else is left alone.
    std::optional<struct stat> old;
    struct stat st
    {
    };
    if (::lstat(target->c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            error = "will not replace " + target->string() + ": it is " + KindOf(st.st_mode) +
                    ", not a regular file";
            return false;
        }
        old = st;
    }

    std::string tempName;
    const int fd = CreateTemporary(*target, tempName);
    if (fd < 0) {
        const fs::path directory =
            target->has_parent_path() ? target->parent_path() : fs::path(".");
        error = Reason("cannot create a file in", directory);
        return fail();
    }
    errno = EIO; // a write that stops short without an error code
    bool written = WriteAll(fd, contents);
    if (written && old && ::fchmod(fd, KeptMode(fd, *old)) != 0)
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
        return fail();
    }
    return true;
}

bool SameFile(const fs::path &a, const fs::path &b)
{
    struct stat sa
    {
    };
    struct stat sb
    {
    };
    if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    std::error_code ignored;
    return fs::weakly_canonical(fs::absolute(a), ignored) ==
           fs::weakly_canonical(fs::absolute(b), ignored);
}

std::string OutputOverInput(const std::vector<NamedPath> &outputs,
                            const std::vector<NamedPath> &inputs)
{
    for (const NamedPath &output : outputs)
        for (const NamedPath &input : inputs)
            if (SameFile(output.path, input.path))
                return output.option + ": " + Quoted(output.path.string()) + " is the file " +
                       input.option + " reads; name another file, or the measurement is lost";
    return {};
}

BoundedRead ReadFileBounded(const fs::path &path, std::size_t maxBytes)
{
    BoundedRead read;
    // Non-blocking: a FIFO without a writer opens at once, and is then
    // refused like any file that is not regular.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        read.error = std::strerror(errno);
        return read;
    }
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0) {
        read.error = std::strerror(errno);
    } else if (!S_ISREG(st.st_mode)) {
        read.error = std::string("it is ") + KindOf(st.st_mode) + ", not a regular file";
    } else if (static_cast<std::uintmax_t>(st.st_size) > maxBytes) {
        read.error =
            "it holds " + std::to_string(st.st_size) + " bytes, more than " + SizeText(maxBytes);
    }
    if (!read.error.empty()) {
        ::close(fd);
        return read;
    }
    read.text.reserve(static_cast<std::size_t>(st.st_size));
    // Files under /proc say 0 bytes and may hold any number: the limit is
    // kept while reading too.
    std::array<char, 1 << 16> chunk{};
    for (;;) {
        const ssize_t n = ::read(fd, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            read.error = std::strerror(errno);
            read.midRead = true;
            break;
        }
        if (n == 0)
            break;
        if (read.text.size() + static_cast<std::size_t>(n) > maxBytes) {
            read.error = "it holds more than " + SizeText(maxBytes);
            break;
        }
        read.text.append(chunk.data(), static_cast<std::size_t>(n));
    }
    ::close(fd);
    return read;
}

} // namespace tevmar::session
