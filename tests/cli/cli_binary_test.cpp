// tevmar-cli from outside: the built program run in a directory of its own,
// its exit status, standard output and error, and the report it leaves.
#include "tests/report/test_files.h"

#include <clocale>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
extern char **environ;
namespace tevmar {
namespace {

using test_files::ReadBytes;
using test_files::TempDir;
using test_files::WriteBytes;
using Args = std::vector<std::string>;

struct Outcome
{
    int exitCode = -1;
    std::string out, err;
};

// Runs tevmar-cli in `workDir`, with `extraEnv` ("NAME=value") added to the environment.
Outcome RunProgram(const Args &args, const std::filesystem::path &workDir,
                   const Args &extraEnv = {})
{
    TempDir streams; // outside workDir, so that only the program's files are there
    const std::string outPath = streams / "out", errPath = streams / "err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);

    std::vector<std::string> argStrings{TEVMAR_CLI_PATH};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &a : argStrings)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStrings(extraEnv);
    std::vector<char *> envp;
    for (std::string &e : envStrings)
        envp.push_back(e.data());
    for (char **e = environ; *e != nullptr; ++e)
        envp.push_back(*e);
    envp.push_back(nullptr);

    Outcome outcome;
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, TEVMAR_CLI_PATH, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << TEVMAR_CLI_PATH;
        return outcome;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.out = ReadBytes(outPath);
    outcome.err = ReadBytes(errPath);
    return outcome;
}

const Args kOrder8ShuntRc{"--f1", "1",       "--f2", "2",      "--zhigh",  "50",       "--zlow",
                          "10",   "--order", "8",    "--load", "shunt-rc", "--absorb", "1"};
const std::string kGolden = TEVMAR_GOLDEN_DIR "/order8_shunt_rc_1pF";

TEST(TevmarCli, DesignsAndSavesTheReport)
{
    TempDir dir;
    const Outcome run = RunProgram(kOrder8ShuntRc, dir.path());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, ReadBytes(kGolden + ".pane"));
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(ReadBytes(dir / "tevmar.prt"), ReadBytes(kGolden + ".prt"));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"tevmar.prt"});
}

TEST(TevmarCli, SameBytesUnderAGermanLocale)
{
    const char *const previous = std::setlocale(LC_ALL, nullptr);
    const std::string restore = previous != nullptr ? previous : "C";
    const bool available = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    std::setlocale(LC_ALL, restore.c_str());
    if (!available)
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";

    TempDir dir;
    const Outcome run = RunProgram(kOrder8ShuntRc, dir.path(), {"LC_ALL=de_DE.UTF-8"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, ReadBytes(kGolden + ".pane"));
    EXPECT_EQ(ReadBytes(dir / "tevmar.prt"), ReadBytes(kGolden + ".prt"));
}

TEST(TevmarCli, NoSolutionLeavesTheReportAlone)
{
    TempDir dir;
    const std::string old = ReadBytes(kGolden + ".prt");
    WriteBytes(dir / "tevmar.prt", old);
    const Outcome run =
        RunProgram({"--f1", "1", "--f2", "2", "--zhigh", "10", "--zlow", "50"}, dir.path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "  SOLUTION OUT OF RANGE\ntevmar-cli: no solution: swapped ports: Zhigh (10 "
                       "ohms) is below Zlow (50 ohms); Zhigh is the high-impedance port\n");
    EXPECT_EQ(ReadBytes(dir / "tevmar.prt"), old);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"tevmar.prt"});
}

TEST(TevmarCli, ReportNotSavedStillShowsTheDesign)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "tevmar.prt");
    const Outcome run = RunProgram(kOrder8ShuntRc, dir.path());
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.out, ReadBytes(kGolden + ".pane"));
    EXPECT_TRUE(run.err.starts_with("  REPORT NOT SAVED\ntevmar-cli: ")) << run.err;
    EXPECT_TRUE(std::filesystem::is_directory(dir / "tevmar.prt"));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"tevmar.prt"}) << "temporary file left";
}

// The report through a link, a private report, a FIFO where a file should go.
TEST(TevmarCli, SavesThroughLinksKeepsModesAndRefusesAFifo)
{
    TempDir dir, archive;
    WriteBytes(archive / "design.prt", "old");
    ::chmod((archive / "design.prt").c_str(), 0600);
    std::filesystem::create_symlink(archive / "design.prt", dir / "tevmar.prt");
    ASSERT_EQ(::mkfifo((dir / "sweep.csv").c_str(), 0644), 0);

    const Outcome run = RunProgram(
        [] {
            Args args = kOrder8ShuntRc;
            args.insert(args.end(), {"--sweep", "sweep.csv", "--touchstone", "-"});
            return args;
        }(),
        dir.path());
    EXPECT_EQ(run.exitCode, 5);
    EXPECT_NE(run.err.find("--sweep: will not replace sweep.csv: it is a named pipe"),
              std::string::npos)
        << run.err;
    EXPECT_TRUE(run.out.starts_with("! ")) << run.out.substr(0, 80); // Touchstone comments
    EXPECT_TRUE(std::filesystem::is_fifo(dir / "sweep.csv"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "tevmar.prt"));
    EXPECT_EQ(ReadBytes(archive / "design.prt"), ReadBytes(kGolden + ".prt"));
    struct stat st
    {
    };
    ::stat((archive / "design.prt").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"sweep.csv", "tevmar.prt"}));
    EXPECT_EQ(archive.Entries(), std::vector<std::string>{"design.prt"});
}

TEST(TevmarCli, BadUsageAndVersion)
{
    TempDir dir;
    const Outcome bad = RunProgram({"--order", "6", "--f1", "1"}, dir.path());
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err,
              "tevmar-cli: --order: \"6\" is not one of 4, 8, 12 (see \"tevmar-cli --help\")\n");
    EXPECT_TRUE(dir.Entries().empty());

    const Outcome version = RunProgram({"--version"}, dir.path());
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "0.09\n");
    EXPECT_EQ(version.err, "");
}

} // namespace
} // namespace tevmar
