#include "session/io/safe_file.h"

#include "report/printable_text.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
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

// The temporary files being written, for a signal that ends the run.
//
// A run stopped by SIGTERM, SIGINT or SIGHUP must not leave a half-written
// NAME.tmp-PID-N beside the engineer's file. Only the signal handler can take
// it away then, and a handler sees nothing but what is static: so the names
// of the temporary files in progress, and the dispositions the handler
// replaced (to end the process as they would have), are kept here and nowhere
// else. Each slot is claimed and released through a lock-free atomic, and
// the handler calls only unlink, sigaction and raise, all async-signal-safe.
// A handler the program had installed itself (the Python interpreter's for
// Ctrl-C) is called instead and the file left to the writer, which goes on
// and tidies up as it always does.
struct TemporarySlot
{
    std::atomic<int> state{0}; // PendingTemporaries' kFree, kFilling or kArmed
    char name[PATH_MAX + 1] = {};
};
static_assert(std::atomic<int>::is_always_lock_free);

class PendingTemporaries
{
  public:
    static constexpr int kSlots = 8;
    static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

    // Takes a slot for `name` (a slot is taken before the file is made, so
    // no moment is uncovered); -1 when all are taken, the file then being
    // written unguarded.
    static int Claim(const std::string &name)
    {
        InstallOnce();
        if (name.size() >= sizeof(TemporarySlot::name))
            return -1;
        for (int i = 0; i < kSlots; ++i) {
            int free = kFree;
            if (!slots_[i].state.compare_exchange_strong(free, kFilling))
                continue;
            std::memcpy(slots_[i].name, name.c_str(), name.size() + 1);
            slots_[i].state.store(kArmed, std::memory_order_release);
            return i;
        }
        return -1;
    }

    static void Release(int slot)
    {
        if (slot >= 0)
            slots_[slot].state.store(kFree, std::memory_order_release);
    }

  private:
    enum { kFree, kFilling, kArmed };

    static void InstallOnce()
    {
        static std::once_flag installed;
        std::call_once(installed, [] {
            for (std::size_t i = 0; i < std::size(kSignals); ++i) {
                ::sigaction(kSignals[i], nullptr, &previous_[i]);
                // The program's own flags stay: an interpreter that wants a
                // blocking read interrupted by Ctrl-C (no SA_RESTART) still
                // gets that.
                struct sigaction action
                {
                };
                action.sa_sigaction = &Handle;
                action.sa_flags = SA_SIGINFO | (previous_[i].sa_flags & (SA_RESTART | SA_ONSTACK));
                sigemptyset(&action.sa_mask);
                // A signal the program ignores stays ignored.
                if (previous_[i].sa_handler != SIG_IGN)
                    ::sigaction(kSignals[i], &action, nullptr);
            }
        });
    }

    static void Handle(int signal, siginfo_t *info, void *context)
    {
        const int saved = errno;
        std::size_t i = 0;
        while (i < std::size(kSignals) && kSignals[i] != signal)
            ++i;
        if (i == std::size(kSignals))
            return;
        const struct sigaction &before = previous_[i];
        if (before.sa_flags & SA_SIGINFO) {
            before.sa_sigaction(signal, info, context);
        } else if (before.sa_handler != SIG_DFL && before.sa_handler != SIG_IGN) {
            before.sa_handler(signal);
        } else if (before.sa_handler == SIG_DFL) {
            // The signal ends the process: nothing will finish the files.
            for (TemporarySlot &slot : slots_)
                if (slot.state.load(std::memory_order_acquire) == kArmed)
                    ::unlink(slot.name);
            ::sigaction(signal, &before, nullptr);
            ::raise(signal); // delivered, as the default, once this handler returns
        }
        errno = saved;
    }

    static inline TemporarySlot slots_[kSlots];
    static inline struct sigaction previous_[std::size(kSignals)] = {};
};

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
// `slot` is the signal handler's record of it, claimed before the file is
// made.
int CreateTemporary(const fs::path &path, std::string &tempName, int &slot)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName = TemporaryName(path, attempt);
        slot = PendingTemporaries::Claim(tempName);
        const int fd = ::open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0)
            return fd;
        const int failure = errno;
        PendingTemporaries::Release(slot);
        slot = -1;
        if (failure != EEXIST) {
            errno = failure;
            return -1;
        }
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
    int slot = -1;
    const int fd = CreateTemporary(*target, tempName, slot);
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
        PendingTemporaries::Release(slot);
        return fail();
    }
    PendingTemporaries::Release(slot);
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
            if (SameFile(output.path, input.path)) {
                const auto quoted = [](const fs::path &path) {
                    return "\"" + PrintableText(path.string(), 200) + "\"";
                };
                // Through a link, or a kit's part, the file read has a name of its own.
                const std::string read =
                    output.path.lexically_normal() == input.path.lexically_normal()
                        ? ""
                        : " (" + quoted(input.path) + ")";
                return output.option + ": " + quoted(output.path) + " is the file " + input.option +
                       " reads" + read + "; name another file, or the measurement is lost";
            }
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
