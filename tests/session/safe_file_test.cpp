// Files written through a temporary file and a rename: a reader sees the old
// file or the new one, never half of either, and no temporary file stays.

#include "session/io/safe_file.h"
#include "tests/report/test_files.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tevmar {
namespace {

using namespace test_files;
using session::SameFile;
using session::WriteFileSafely;

TEST(WriteFileSafely, WritesTheBytesAsGivenAndReplacesTheOldFile)
{
    TempDir dir;
    WriteBytes(dir / "out.txt", std::string(5000, 'x'));
    const std::string bytes = std::string("a\r\nb\n\0c", 7) + "\r\n";
    std::string error = "left from before";
    ASSERT_TRUE(WriteFileSafely(dir / "out.txt", bytes, error)) << error;
    EXPECT_EQ(error, "");
    EXPECT_EQ(ReadBytes(dir / "out.txt"), bytes);

    ASSERT_TRUE(WriteFileSafely(dir / "empty.txt", "", error)) << error;
    EXPECT_EQ(ReadBytes(dir / "empty.txt"), "");
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"empty.txt", "out.txt"}));
}

TEST(WriteFileSafely, FailureKeepsTheOldFileAndLeavesNoTemporaryFile)
{
    TempDir dir;
    const std::string old = "old contents\r\n";
    WriteBytes(dir / "taken", old);
    // The writer's temporary files are named after the target: a directory
    // in the target's place stops the rename, a missing directory the create.
    std::filesystem::create_directory(dir / "out.txt");
    WriteBytes(dir / "out.txt" / "kept", old);
    const struct
    {
        const char *name;
        std::filesystem::path path;
    } cases[] = {
        {"a directory where the file must go", dir / "out.txt"},
        {"a directory that does not exist", dir / "gone" / "out.txt"},
        {"a path that cannot hold a file", "/proc/tevmar-test/out.txt"},
    };
    for (const auto &c : cases) {
        std::string error;
        EXPECT_FALSE(WriteFileSafely(c.path, "new contents", error)) << c.name;
        EXPECT_NE(error, "") << c.name;
    }
    EXPECT_EQ(ReadBytes(dir / "out.txt" / "kept"), old);
    EXPECT_EQ(ReadBytes(dir / "taken"), old);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"out.txt", "taken"}));
    const std::vector<std::string> inside = {"kept"};
    std::vector<std::string> entries;
    for (const auto &entry : std::filesystem::directory_iterator(dir / "out.txt"))
        entries.push_back(entry.path().filename().string());
    EXPECT_EQ(entries, inside);
}

TEST(WriteFileSafely, ReasonNamesWhatFailed)
{
    TempDir dir;
    std::string error;
    ASSERT_FALSE(WriteFileSafely(dir / "gone" / "out.txt", "x", error));
    EXPECT_NE(error.find((dir / "gone").string()), std::string::npos) << error;
    std::filesystem::create_directory(dir / "out.txt");
    ASSERT_FALSE(WriteFileSafely(dir / "out.txt", "x", error));
    EXPECT_NE(error.find((dir / "out.txt").string()), std::string::npos) << error;
}

TEST(WriteFileSafely, FollowsALinkAndReplacesTheFileItLeadsTo)
{
    TempDir here, there;
    WriteBytes(there / "design.csv", "old");
    std::filesystem::create_symlink(there / "design.csv", here / "abs.csv");
    std::filesystem::create_symlink("abs.csv", here / "chain.csv"); // relative, two hops
    std::filesystem::create_symlink(there / "new.csv", here / "dangling.csv");

    std::string error;
    ASSERT_TRUE(WriteFileSafely(here / "chain.csv", "new", error)) << error;
    EXPECT_TRUE(std::filesystem::is_symlink(here / "chain.csv"));
    EXPECT_TRUE(std::filesystem::is_symlink(here / "abs.csv"));
    EXPECT_EQ(ReadBytes(there / "design.csv"), "new");
    ASSERT_TRUE(WriteFileSafely(here / "dangling.csv", "created", error)) << error;
    EXPECT_TRUE(std::filesystem::is_symlink(here / "dangling.csv"));
    EXPECT_EQ(ReadBytes(there / "new.csv"), "created");
    // The temporary files were made beside the targets and are gone.
    EXPECT_EQ(here.Entries(), (std::vector<std::string>{"abs.csv", "chain.csv", "dangling.csv"}));
    EXPECT_EQ(there.Entries(), (std::vector<std::string>{"design.csv", "new.csv"}));

    std::filesystem::create_symlink("loop-b", here / "loop-a");
    std::filesystem::create_symlink("loop-a", here / "loop-b");
    EXPECT_FALSE(WriteFileSafely(here / "loop-a", "x", error));
    EXPECT_NE(error.find("loop-a"), std::string::npos) << error;
}

TEST(WriteFileSafely, KeepsTheModeOfAReplacedFileAndGivesANewOneTheUmasks)
{
    TempDir dir;
    WriteBytes(dir / "private.prt", "old");
    std::filesystem::permissions(dir / "private.prt", std::filesystem::perms::owner_read |
                                                          std::filesystem::perms::owner_write);
    const mode_t saved = ::umask(027);
    std::string error;
    const bool replaced = WriteFileSafely(dir / "private.prt", "new", error);
    const bool created = WriteFileSafely(dir / "fresh.prt", "new", error);
    ::umask(saved);
    ASSERT_TRUE(replaced && created) << error;
    const auto modeOf = [](const std::filesystem::path &path) {
        struct stat st
        {
        };
        ::stat(path.c_str(), &st);
        return st.st_mode & 07777;
    };
    EXPECT_EQ(modeOf(dir / "private.prt"), 0600u);
    EXPECT_EQ(modeOf(dir / "fresh.prt"), 0640u);
    EXPECT_EQ(ReadBytes(dir / "private.prt"), "new");
}

// Whatever is not a regular file is refused by name and left as it was. A
// FIFO is not opened, so the write returns at once instead of waiting for a
// reader (the test's time limit catches a hang).
TEST(WriteFileSafely, RefusesWhatIsNotARegularFile)
{
    TempDir dir;
    std::vector<std::pair<std::string, std::string>> cases; // name, kind in the message
    std::filesystem::create_directory(dir / "dir");
    cases.emplace_back("dir", "a directory");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    cases.emplace_back("fifo", "a named pipe");
    std::filesystem::create_symlink("fifo", dir / "link-to-fifo");
    cases.emplace_back("link-to-fifo", "a named pipe");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = dir / "socket";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    cases.emplace_back("socket", "a socket");
    // A device node of its own (the null device's numbers), never /dev's.
    if (::geteuid() == 0 && ::mknod((dir / "device").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        cases.emplace_back("device", "a character device");
    else
        std::cout << "(no device node: making one needs root)\n";

    for (const auto &[name, kind] : cases) {
        struct stat before
        {
        };
        ASSERT_EQ(::lstat((dir / name).c_str(), &before), 0);
        std::string error;
        EXPECT_FALSE(WriteFileSafely(dir / name, "new", error)) << name;
        EXPECT_NE(error.find(kind), std::string::npos) << name << ": " << error;
        struct stat after
        {
        };
        ASSERT_EQ(::lstat((dir / name).c_str(), &after), 0);
        EXPECT_EQ(before.st_ino, after.st_ino) << name;
        EXPECT_EQ(before.st_mode, after.st_mode) << name;
    }
    ::close(sock);
    EXPECT_EQ(dir.Entries().size(), cases.size()) << "temporary file left";
}

TEST(SameFile, ComparesWhereThePathsLead)
{
    TempDir dir;
    WriteBytes(dir / "a.prt", "a");
    std::filesystem::create_directory(dir / "sub");
    std::filesystem::create_symlink(dir / "a.prt", dir / "link.prt");
    EXPECT_TRUE(SameFile(dir / "a.prt", dir / "sub" / ".." / "a.prt"));
    EXPECT_TRUE(SameFile(dir / "a.prt", dir / "link.prt"));
    EXPECT_TRUE(SameFile(dir / "new.json", dir / "." / "new.json")); // not there yet
    EXPECT_FALSE(SameFile(dir / "a.prt", dir / "b.prt"));
    EXPECT_FALSE(SameFile(dir / "a.prt", dir / "sub" / "a.prt"));
}

// A run stopped by a signal while it writes leaves the old file or the new
// one, and no temporary file beside it; the process still ends by the signal.
TEST(WriteFileSafely, ASignalMidWriteLeavesNoTemporaryFile)
{
    for (const int signal : {SIGTERM, SIGINT}) {
        TempDir dir;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Large enough that the write and its fsync take a while.
            const std::string bytes(std::size_t{48} << 20, 'x');
            std::string error;
            for (;;)
                if (!WriteFileSafely(dir / "big.bin", bytes, error))
                    ::_exit(3);
        }
        // Wait for a temporary file to appear, then stop the writer.
        bool seen = false;
        for (int i = 0; i < 20000 && !seen; ++i) {
            for (const std::string &name : dir.Entries())
                seen = seen || name.find(".tmp-") != std::string::npos;
            if (!seen)
                ::usleep(500);
        }
        ::kill(child, seen ? signal : SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(seen) << "no temporary file was ever made";
        ASSERT_TRUE(WIFSIGNALED(status)) << status;
        EXPECT_EQ(WTERMSIG(status), signal);
        const std::vector<std::string> left = dir.Entries();
        EXPECT_TRUE(left.empty() || left == std::vector<std::string>{"big.bin"})
            << left.size() << " files, the first " << left.front();
    }
}

} // namespace
} // namespace tevmar
