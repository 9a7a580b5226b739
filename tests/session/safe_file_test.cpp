// Files written through a temporary file and a rename: a reader sees the old
// file or the new one, never half of either, and no temporary file stays.

#include "session/safe_file.h"
#include "tests/report/test_files.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace tevmar
