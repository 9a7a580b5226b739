// No file a run writes may be a file it reads: each output aimed at each
// kind of input, by its own name, through a symbolic link and through a hard
// link, is refused before anything is written.

#include "tests/common/gaas_fet.h"
#include "tests/kit/kit_fixture.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>

namespace tevmar {
namespace {

namespace fs = std::filesystem;
using test_files::ReadBytes;
using test_files::TempDir;

// Every file in `dir` (recursively) with its bytes.
std::map<std::string, std::string> Snapshot(const fs::path &dir)
{
    std::map<std::string, std::string> files;
    for (const fs::directory_entry &e : fs::recursive_directory_iterator(dir))
        if (!e.is_directory())
            files[e.path().string()] = e.is_regular_file() ? ReadBytes(e.path()) : "";
    return files;
}

class OutputOverInput : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        test_kit::WriteSyntheticKit(dir_ / "kit", true);
        test_kit::WriteAntenna(dir_ / "antenna.s1p");
        // A 50 ohm source measured, for --source-s1p.
        test_files::WriteBytes(dir_ / "source.s1p",
                               "# GHz S RI R 50\n1 0 0\n2 0 0\n3 0 0\n4 0 0\n");
        test_files::WriteBytes(dir_ / "fet.s2p", test::kGaasFet);
        fs::create_symlink(dir_ / "kit" / part_, dir_ / "part-link.s2p");
        fs::create_hard_link(dir_ / "kit" / part_, dir_ / "part-hard.s2p");
        fs::create_symlink(dir_ / "kit" / "parts.csv", dir_ / "list-link.csv");
        fs::create_hard_link(dir_ / "antenna.s1p", dir_ / "antenna-hard.s1p");
        fs::create_hard_link(dir_ / "fet.s2p", dir_ / "fet-hard.s2p");
    }

    // Runs `args` with `option` aimed at `target` and checks the refusal:
    // exit 2, both files named, and every file as it was.
    void ExpectRefused(std::vector<std::string> args, const std::string &option,
                       const fs::path &target, const std::string &reader)
    {
        const auto before = Snapshot(dir_.path());
        args.insert(args.end(), {option, target.string()});
        const test_kit::Cli run = test_kit::RunCli(args, dir_);
        EXPECT_EQ(run.code, 2) << option << ' ' << target << '\n' << run.err;
        EXPECT_NE(run.err.find(option + ": \"" + target.string()), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("is the file " + reader + " reads"), std::string::npos) << run.err;
        EXPECT_EQ(Snapshot(dir_.path()), before) << option << ' ' << target;
        EXPECT_TRUE(run.out.empty()) << run.out;
    }

    std::vector<std::string> KitArgs() const
    {
        std::vector<std::string> args = test_kit::AntennaArgs(dir_, dir_ / "kit");
        // The source measured, in place of --source 50.
        const auto at = std::ranges::find(args, "--source");
        *at = "--source-s1p";
        *(at + 1) = (dir_ / "source.s1p").string();
        return args;
    }

    TempDir dir_;
    const std::string part_ = test_kit::InductorNumber(2.7) + ".s2p";
};

TEST_F(OutputOverInput, EveryOutputOverEveryInputOfAKitRunIsRefused)
{
    const std::vector<std::pair<fs::path, std::string>> inputs{
        {dir_ / "antenna.s1p", "--load-s1p"},    {dir_ / "antenna-hard.s1p", "--load-s1p"},
        {dir_ / "source.s1p", "--source-s1p"},   {dir_ / "kit" / part_, "--parts"},
        {dir_ / "part-link.s2p", "--parts"},     {dir_ / "part-hard.s2p", "--parts"},
        {dir_ / "kit" / "parts.csv", "--parts"}, {dir_ / "list-link.csv", "--parts"},
    };
    for (const char *option :
         {"--bom", "--touchstone", "--touchstone-v2", "--spice", "--sweep", "--report"})
        for (const auto &[target, reader] : inputs)
            ExpectRefused(KitArgs(), option, target, reader);
}

TEST_F(OutputOverInput, AKitPartReachedByAnotherNameIsNamedInTheRefusal)
{
    std::vector<std::string> args = KitArgs();
    args.insert(args.end(), {"--bom", (dir_ / "part-hard.s2p").string()});
    const test_kit::Cli run = test_kit::RunCli(args, dir_);
    ASSERT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("(\"" + (dir_ / "kit" / part_).string() + "\")"), std::string::npos)
        << run.err;
    // A new file in the kit's folder that no reader opens is written.
    args = test_kit::AntennaArgs(dir_, dir_ / "kit");
    args.insert(args.end(), {"--bom", (dir_ / "kit" / "bom.csv").string()});
    EXPECT_EQ(test_kit::RunCli(args, dir_).code, 6);
    EXPECT_TRUE(fs::is_regular_file(dir_ / "kit" / "bom.csv"));
    // An upper-case extension is a part file all the same.
    test_files::WriteBytes(dir_ / "kit" / "UPPER.S2P", "! a part\n");
    const auto before = Snapshot(dir_.path());
    args = KitArgs();
    args.insert(args.end(), {"--spice", (dir_ / "kit" / "UPPER.S2P").string()});
    const test_kit::Cli upper = test_kit::RunCli(args, dir_);
    EXPECT_EQ(upper.code, 2);
    EXPECT_NE(upper.err.find("is the file --parts reads"), std::string::npos) << upper.err;
    EXPECT_EQ(Snapshot(dir_.path()), before);
}

TEST_F(OutputOverInput, AnAmplifiersFilesNeverReplaceTheDeviceOrItsTerminations)
{
    const std::vector<std::string> amplifier{
        "--device",   (dir_ / "fet.s2p").string(),    "--amplifier", "--f1", "3.9", "--f2", "4.1",
        "--load-s1p", (dir_ / "antenna.s1p").string()};
    for (const char *option : {"--sweep", "--touchstone", "--touchstone-v2", "--spice"}) {
        ExpectRefused(amplifier, option, dir_ / "fet.s2p", "--device");
        ExpectRefused(amplifier, option, dir_ / "fet-hard.s2p", "--device");
        ExpectRefused(amplifier, option, dir_ / "antenna-hard.s1p", "--load-s1p");
    }
}

} // namespace
} // namespace tevmar
