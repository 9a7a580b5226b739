// tevmar-cli --device with a file of a million points, the reader's limit,
// run as its own process under a 1 GiB address-space limit: the figures come
// thinned, and memory that runs out ends the run with a message, not an abort.

#include "tests/report/test_files.h"

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tevmar {
namespace {

using test_files::ReadBytes;
using test_files::TempDir;

struct Outcome
{
    bool exited = false;
    int code = -1; // the exit status, or the signal that ended it
    std::string out, err;
};

// tevmar-cli with `args`, its address space limited to `limitBytes`.
Outcome RunLimited(std::vector<std::string> args, std::size_t limitBytes, const TempDir &dir)
{
    const std::string outPath = dir / "out", errPath = dir / "err";
    args.insert(args.begin(), TEVMAR_CLI_PATH);
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit limit{limitBytes, limitBytes};
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (::setrlimit(RLIMIT_AS, &limit) != 0 || out < 0 || err < 0 || ::dup2(out, 1) < 0 ||
            ::dup2(err, 2) < 0)
            ::_exit(120);
        ::execv(TEVMAR_CLI_PATH, argv.data());
        ::_exit(121);
    }
    Outcome outcome;
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child)
        return outcome;
    outcome.exited = WIFEXITED(status);
    outcome.code = outcome.exited ? WEXITSTATUS(status) : WTERMSIG(status);
    outcome.out = ReadBytes(outPath);
    outcome.err = ReadBytes(errPath);
    return outcome;
}

// A million points from 1 GHz in 1 kHz steps, each the same stable device.
void WriteMillionPoints(const std::filesystem::path &path)
{
    std::FILE *file = std::fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("# Hz S MA R 50\n", file);
    for (long k = 0; k < 1'000'000; ++k)
        std::fprintf(file, "%ld 0.6 -120 2.5 75 0.03 55 0.7 -55\n", 1'000'000'000L + 1000 * k);
    ASSERT_EQ(std::fclose(file), 0);
}

constexpr std::size_t kGiB = std::size_t{1} << 30;

// AddressSanitizer maps terabytes of shadow memory at start, which no
// address-space limit of this size admits: the limited runs cannot start.
#if defined(__SANITIZE_ADDRESS__)
#define TEVMAR_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TEVMAR_ADDRESS_SANITIZER 1
#endif
#endif
#ifdef TEVMAR_ADDRESS_SANITIZER
constexpr bool kLimitsHoldTheProgram = false;
#else
constexpr bool kLimitsHoldTheProgram = true;
#endif

// A run of tevmar-cli on the million-point file, in a folder of its own.
class LargeDevice : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        if (!kLimitsHoldTheProgram)
            GTEST_SKIP()
                << "built with AddressSanitizer, which needs more address space than the limit";
        WriteMillionPoints(path);
    }

    TempDir dir;
    const std::string path = dir / "million.s2p";
};

TEST_F(LargeDevice, AMillionPointsRunInAGibibyteThinnedAndSaidSo)
{

    const Outcome table = RunLimited({"--device", path}, kGiB, dir);
    ASSERT_TRUE(table.exited) << "ended by signal " << table.code << '\n' << table.err;
    ASSERT_EQ(table.code, 0) << table.err;
    EXPECT_NE(table.out.find(": 10001 points of 1000000 (one in every 100 and the last), "),
              std::string::npos)
        << table.out.substr(0, 300);
    EXPECT_NE(table.err.find("1000000 data frequencies in the band"), std::string::npos)
        << table.err;

    const Outcome json = RunLimited({"--device", path, "--json"}, kGiB, dir);
    ASSERT_TRUE(json.exited) << "ended by signal " << json.code << '\n' << json.err;
    ASSERT_EQ(json.code, 0) << json.err;
    const nlohmann::json device = nlohmann::json::parse(json.out)["device"];
    EXPECT_EQ(device["points"].size(), 10001u);
    EXPECT_EQ(device["thinned"]["pointsInBand"], 1000000);
    EXPECT_EQ(device["thinned"]["stride"], 100);
    EXPECT_DOUBLE_EQ(device["points"].back()["frequencyHz"].get<double>(), 1'999'999'000.0);

    // A narrower band holds fewer points than the limit: every one of them.
    const Outcome band = RunLimited({"--device", path, "--f1", "1.5", "--f2", "1.501"}, kGiB, dir);
    ASSERT_EQ(band.code, 0) << band.err;
    EXPECT_NE(band.out.find(": 1001 points, reflections"), std::string::npos);
    EXPECT_EQ(band.err, "");
}

TEST_F(LargeDevice, MemoryThatRunsOutEndsTheRunWithAMessage)
{
    // Room to start, not to hold the file's data.
    const Outcome run = RunLimited({"--device", path, "--json"}, std::size_t{96} << 20, dir);
    ASSERT_TRUE(run.exited) << "ended by signal " << run.code << '\n' << run.err;
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("tevmar-cli: out of memory"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
}

} // namespace
} // namespace tevmar
