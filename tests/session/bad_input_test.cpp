// Hostile and mistaken input: a measurement file of any kind or size is read
// or refused in bounded time and memory with its name, line and reason; files
// are replaced under any legal name without granting rights; typed values the
// engineer likely did not mean, and designs without solution, are explained.

#include "analysis/readers/touchstone_reader.h"
#include "session/io/safe_file.h"
#include "session/options/input_checks.h"
#include "session/run/measured_match.h"
#include "tests/report/test_files.h"
#include "tests/session/chip_antenna.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tevmar::session {
namespace {

using namespace test_files;

// The message of the TouchstoneError reading `path` raises, or "" if it reads.
std::string RefusalOf(const std::string &path)
{
    try {
        ReadOnePortFile(path);
    } catch (const analysis::TouchstoneError &e) {
        return e.what();
    }
    return "";
}

bool Contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

TEST(BadInput, MeasurementFilesOfAnyKindAndSizeAreReadOrRefusedAtOnce)
{
    TempDir dir;
    const std::string fifo = (dir / "vna.s1p").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Opening a FIFO without a writer would wait for ever; it is refused unread.
    EXPECT_TRUE(Contains(RefusalOf(fifo), "vna.s1p: cannot be read (it is a named pipe (FIFO)"));
    EXPECT_TRUE(Contains(RefusalOf("/dev/zero"), "it is a character device"));
    EXPECT_TRUE(Contains(RefusalOf(dir.path().string()), "it is a directory"));
    // A read error halfway names the line reached.
    EXPECT_TRUE(Contains(RefusalOf("/proc/self/mem"), "/proc/self/mem:1: cannot be read ("));

    // A sparse file above the limit is refused by its size, without a read.
    const std::string sparse = (dir / "sparse.s1p").string();
    WriteBytes(sparse, "");
    ASSERT_EQ(::truncate(sparse.c_str(), static_cast<off_t>(kMaxOnePortFileBytes) + 1), 0);
    EXPECT_TRUE(Contains(RefusalOf(sparse), "more than 256 MiB"));

    // A line of numbers is measured, then its tokens counted without storing.
    const std::string longLine = (dir / "line.s1p").string();
    WriteBytes(longLine, "# GHz S RI\n" + std::string(analysis::kMaxLineBytes + 2, '1') + "\n");
    EXPECT_TRUE(Contains(RefusalOf(longLine), "line.s1p:2: a line of 1048578 bytes"));
    std::string manyNumbers = "# GHz S RI\n";
    for (int i = 0; i < 200000; ++i)
        manyNumbers += "1 ";
    WriteBytes(longLine, manyNumbers);
    EXPECT_TRUE(Contains(RefusalOf(longLine), "line.s1p:2: 200000 numbers on the line"));

    // A negative magnitude has no angle to turn; the file says where.
    WriteBytes(longLine, "# GHz S MA\n1 0.5 10\n2 -0.5 10\n");
    EXPECT_TRUE(Contains(RefusalOf(longLine), "line.s1p:3: magnitude -0.5 is negative"));
    WriteBytes(longLine, test_files::ChipAntennaS1p());
    EXPECT_EQ(RefusalOf(longLine), "");
}

TEST(BadInput, MessagesShowControlBytesEscapedLongTokensCutAndNameTheCircuit)
{
    const auto refusal = [](std::string_view text) {
        try {
            analysis::ReadOnePort(text, "m\x1b[2J.s1p");
        } catch (const analysis::TouchstoneError &e) {
            return std::string(e.what());
        }
        return std::string();
    };
    static constexpr char kBellAndNul[] = "# GHz S RI\n1 0.1\x07\x00z 0\n";
    const std::string escaped = refusal(std::string(kBellAndNul, sizeof kBellAndNul - 1));
    EXPECT_EQ(escaped, "m\\x1b[2J.s1p:2: \"0.1\\x07\\x00z\" is not a number; expected a value "
                       "of S11, Y or Z");
    const std::string cut = refusal("# GHz S RI\n1 " + std::string(500'000, '7') + "x 0\n");
    EXPECT_TRUE(Contains(cut, "\"7777777777777777777777777777777777777777... (500001 bytes)\""))
        << cut.substr(0, 200);
    EXPECT_LT(cut.size(), 200u);
    EXPECT_TRUE(Contains(refusal("# GHz S RI\n1 -1 0\n"), ":2: a short circuit"));
    EXPECT_TRUE(Contains(refusal("# GHz Y RI\n1 0 0\n"), ":2: an open circuit"));
}

TEST(BadInput, LenientReadingIsKeptAndSaid)
{
    const std::string antenna = test_files::ChipAntennaS1p();
    const analysis::OnePortData plain = analysis::ReadOnePort(antenna, "a.s1p");
    EXPECT_TRUE(plain.warnings.empty());

    // A byte order mark and old Mac line ends read as the plain file does.
    std::string crOnly = antenna;
    std::replace(crOnly.begin(), crOnly.end(), '\n', '\r');
    for (const std::string &text : {"\xef\xbb\xbf" + antenna, crOnly}) {
        const analysis::OnePortData read = analysis::ReadOnePort(text, "a.s1p");
        EXPECT_EQ(read.impedanceOhms, plain.impedanceOhms);
        EXPECT_TRUE(read.warnings.empty());
    }

    // The last token of a kind still wins, and each doubt names its line.
    const analysis::OnePortData twice =
        analysis::ReadOnePort("# GHz MHz S RI R 75 R 50\n1000 0 0\n# Hz\n", "a.s1p");
    EXPECT_EQ(twice.frequenciesHz, std::vector<double>{1e9});
    EXPECT_EQ(twice.referenceOhms, 50);
    EXPECT_EQ(twice.warnings,
              (std::vector<std::string>{
                  "a.s1p:1: \"MHz\" after \"GHz\" in the option line; the last one counts",
                  "a.s1p:1: \"50\" after \"75\" in the option line; the last one counts",
                  "a.s1p:3: a second option line, ignored; the first one counts"}));
    const analysis::OnePortData v2 = analysis::ReadOnePort(
        "[Version] 2.0\n# GHz Z RI\n[Number of Ports] 1\n[Matrix Format] Garbage\n"
        "[Network Data]\n1 50 0\n[Reference] 75\n2 50 0\n[End]\n",
        "b.s1p");
    ASSERT_EQ(v2.warnings.size(), 2u);
    EXPECT_TRUE(v2.warnings[0].starts_with("b.s1p:4: unknown [Matrix Format] \"Garbage\""));
    EXPECT_TRUE(v2.warnings[1].starts_with("b.s1p:7: [Reference] after the data"));
}

TEST(BadInput, NoOutputIsTheMeasuredFileHoweverItIsNamed)
{
    TempDir dir;
    WriteBytes(dir / "m.s1p", "data");
    std::filesystem::create_symlink("m.s1p", dir / "link.s1p");
    std::filesystem::create_hard_link(dir / "m.s1p", dir / "hard.s1p");
    const std::vector<NamedPath> inputs{{"--load-s1p", dir / "m.s1p"}};
    for (const char *name : {"m.s1p", "link.s1p", "hard.s1p", "./m.s1p"}) {
        const std::string problem =
            OutputOverInput({{"--sweep", dir / "new.csv"}, {"--report", dir / name}}, inputs);
        EXPECT_TRUE(problem.starts_with("--report: \"")) << name;
        EXPECT_TRUE(Contains(problem, "is the file --load-s1p reads")) << problem;
    }
    EXPECT_EQ(OutputOverInput({{"--report", dir / "m.prt"}}, inputs), "");
    EXPECT_EQ(ReadBytes(dir / "m.s1p"), "data");
}

TEST(BadInput, ReplacingWorksForAnyLegalNameAndGrantsNoRights)
{
    TempDir dir;
    std::string error;
    const std::filesystem::path longName = dir / std::string(250, 'r');
    ASSERT_TRUE(WriteFileSafely(longName, "one", error)) << error;
    ASSERT_TRUE(WriteFileSafely(longName, "two", error)) << error;
    EXPECT_EQ(ReadBytes(longName), "two");
    EXPECT_EQ(dir.Entries().size(), 1u);

    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a file to another owner needs root";
    const std::filesystem::path tool = dir / "tool";
    WriteBytes(tool, "old");
    ASSERT_EQ(::chown(tool.c_str(), 4242, 4242), 0);
    ASSERT_EQ(::chmod(tool.c_str(), 06755), 0);
    ASSERT_TRUE(WriteFileSafely(tool, "new", error)) << error;
    struct stat st
    {
    };
    ASSERT_EQ(::stat(tool.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u); // no set-user-ID root from a file of user 4242
}

// A link of another user in a shared sticky directory is the kernel's to
// refuse, as it is for any program.
TEST(BadInput, LinksInSharedStickyDirectoriesFollowTheKernelsRule)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "links of other users need root";
    if (!ReadBytes("/proc/sys/fs/protected_symlinks").starts_with("1"))
        GTEST_SKIP() << "the kernel does not protect links in sticky directories here";
    TempDir dir;
    std::string error;
    const std::filesystem::path shared = dir / "shared";
    std::filesystem::create_directory(shared);
    ASSERT_EQ(::chown(shared.c_str(), 4242, 4242), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    std::filesystem::create_symlink(dir / "victim", shared / "trap");
    ASSERT_EQ(::lchown((shared / "trap").c_str(), 4343, 4343), 0);
    EXPECT_FALSE(WriteFileSafely(shared / "trap", "x", error));
    EXPECT_TRUE(Contains(error, "cannot follow the link")) << error;
    EXPECT_FALSE(std::filesystem::exists(dir / "victim"));
}

TEST(BadInput, PlausibleButWrongBoxesAreSaidAndNoSolutionExplained)
{
    const auto inputs = [](std::string f1, std::string f2, std::string zhigh, std::string zlow) {
        DesignInputs in;
        in.f1Text = std::move(f1);
        in.f2Text = std::move(f2);
        in.zhighText = std::move(zhigh);
        in.zlowText = std::move(zlow);
        return in;
    };
    DesignInputs negative = inputs("1.8", "2.2", "50", "10");
    negative.absorb = true;
    negative.absorbText = "-5";
    EXPECT_EQ(
        DesignInputWarnings(negative),
        std::vector<std::string>{"the absorbed value -5 nH is negative; nothing is absorbed"});
    EXPECT_TRUE(DesignInputWarnings(inputs("2.2", "1.8", "50", "10"))[0].starts_with(
        "the band edges are swapped (F1 2.2 GHz above F2 1.8 GHz)"));
    EXPECT_TRUE(Contains(DesignInputWarnings(inputs("1800", "2200", "50", "10"))[0],
                         "(MHz typed as GHz?)"));
    EXPECT_TRUE(DesignInputWarnings(inputs("1.8", "2.2", "50", "10")).empty());

    const auto reason = [](const DesignInputs &in) { return Calculate(in).boxes.errorReason; };
    EXPECT_EQ(reason(inputs("1.8", "2.2", "50", "-10")),
              "a negative impedance: Zlow reads -10 ohms");
    EXPECT_TRUE(reason(inputs("1.8", "2.2", "10", "50")).starts_with("swapped ports:"));
    DesignInputs heavy = inputs("1.8", "2.2", "50", "10");
    heavy.absorb = true;
    heavy.absorbText = "100";
    const CalculateOutcome unsolved = Calculate(heavy);
    EXPECT_TRUE(unsolved.boxes.errorReason.starts_with("a load Q of 125.034 that the synthesis "
                                                       "cannot absorb"));
    EXPECT_EQ(unsolved.boxes.errorText, kOutOfRangeMessage); // the box keeps its words
    EXPECT_EQ(reason(inputs("1.8", "2.2", "50", "10")), "");
}

} // namespace
} // namespace tevmar::session
