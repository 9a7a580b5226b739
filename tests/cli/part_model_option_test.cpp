// tevmar-cli --l-model, --c-model and --pad in-process: each malformed text
// named with what is wrong, and the figures as built in the pane lines and
// the JSON (the self-check staying ideal, candidates ranked by their loss).

#include "tests/cli/cli_in_process.h"
#include "tests/report/test_files.h"

#include <cmath>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace tevmar::cli {
namespace {

using test_files::TempDir;
using Args = std::vector<std::string>;

// A chip antenna's 20 ohms + 2.7 nH from 50 ohms over 2.4-2.5 GHz.
const Args kAntenna{"--f1",   "2.4", "--f2",   "2.5",       "--zhigh",  "50",
                    "--zlow", "20",  "--load", "series-rl", "--absorb", "2.7"};
// A 4th-order design the synthesis solves: 50 to 10 ohms at 1-2 GHz.
const Args kDesign{"--f1", "1", "--f2", "2", "--zhigh", "50", "--zlow", "10"};

Args With(Args args, const Args &extra)
{
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

TEST(PartModelOptions, MalformedTextIsNamedWithWhatIsWrong)
{
    const struct
    {
        Args args;
        const char *message;
    } cases[] = {
        {{"--l-model", "55@1.5,0.157pF"}, "the frequency F \"1.5\" needs its unit, GHz or MHz"},
        {{"--l-model", "55@1.5GHz,0.157"}, "the capacitance CP \"0.157\" needs its unit, pF"},
        {{"--l-model", "55@1.5GHz"}, "\"55@1.5GHz\" is not Q@F,CP (as 55@1.5GHz,0.157pF)"},
        {{"--l-model", "Q@1GHz,1pF"}, "the Q \"Q\" is not a number"},
        {{"--l-model", "0@1GHz,1pF"}, "the Q must be 0.001 or more"},
        {{"--l-model", "55@1.5GHz,2nH"}, "\"2nH\" is not a number followed by pF"},
        {{"--c-model", "0.45,0.12@1GHz"}, "the inductance ESL \"0.45\" needs its unit, nH"},
        {{"--c-model", "0.45nH,x@1GHz"}, "the resistance ESR \"x\" is not a number of ohms"},
        {{"--c-model", "0.45nH,0@1GHz"}, "the resistance ESR 0 lies outside 1e-6 to 1e9 ohms"},
        {{"--c-model", "0.45nH,0.12@1Hz"}, "\"1Hz\" is not a number followed by GHz or MHz"},
        {{"--pad", "0.05"}, "--pad: the pad capacitance \"0.05\" needs its unit, pF"},
        {{"--pad", "-1pF"}, "the pad capacitance -1 lies outside 0 to 1e6 pF"},
        {{"--q-l", "50", "--l-model", "55@1.5GHz,0.157pF"}, "--l-model gives the inductors' Q"},
        {{"--q-c", "50", "--c-model", "0.45nH,0.12@1GHz"}, "--c-model gives the capacitors' loss"},
    };
    for (const auto &c : cases) {
        TempDir dir;
        const CliRun run = RunCliIn(With(kDesign, c.args), dir);
        EXPECT_EQ(run.exitCode, 2) << c.args[1];
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
    // Units in either case, and ohms written out, read as the plain forms.
    TempDir dir;
    EXPECT_EQ(RunCliIn(With(kDesign, {"--l-model", "55@1500mhz,0.157PF", "--c-model",
                                      "0.45nh,0.12ohms@1ghz"}),
                       dir)
                  .exitCode,
              0);
}

TEST(PartModelOptions, TheDesignsAnalysisAddsTheFiguresAsBuiltAndKeepsItsCheckIdeal)
{
    TempDir dir;
    const CliRun ideal = RunCliIn(With(kDesign, {"--json"}), dir);
    ASSERT_EQ(ideal.exitCode, 0) << ideal.err;
    const CliRun built =
        RunCliIn(With(kDesign, {"--json", "--l-model", "55@1.5GHz,0.157pF", "--c-model",
                                "0.45nH,0.12@1GHz", "--pad", "0.05pF"}),
                 dir);
    ASSERT_EQ(built.exitCode, 0) << built.err;
    const auto a = nlohmann::json::parse(ideal.out)["analysis"];
    const auto b = nlohmann::json::parse(built.out)["analysis"];
    EXPECT_FALSE(a.contains("asBuilt"));
    EXPECT_EQ(a["selfCheck"], b["selfCheck"]);
    ASSERT_TRUE(b.contains("asBuilt")) << b.dump(1);
    const double gamma = b["asBuilt"]["gammaMax"];
    const double loss = b["asBuilt"]["lossDbMax"];
    EXPECT_GT(gamma, a["selfCheck"]["fullPrecision"]["gammaMax"].get<double>());
    // Lossy parts lose more than the mismatch alone accounts for.
    EXPECT_GT(loss, -10 * std::log10(1 - gamma * gamma));
    EXPECT_EQ(b["finiteQ"]["padPf"], 0.05);
    EXPECT_EQ(b["finiteQ"]["inductorModel"]["q"], 55);
}

TEST(PartModelOptions, CandidatesWithFiniteQAreTunedAndRankedByTheirLoss)
{
    TempDir dir;
    const CliRun run =
        RunCliIn(With(kAntenna, {"--candidates", "--q-l", "50", "--q-c", "300"}), dir);
    EXPECT_NE(run.out.find("in-band max transducer loss with the parts as built"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("loss dB"), std::string::npos);
    const CliRun json =
        RunCliIn(With(kAntenna, {"--candidates", "--q-l", "50", "--q-c", "300", "--json"}), dir);
    const auto candidates = nlohmann::json::parse(json.out)["candidates"];
    // Ladders that differ only by parts doing nothing at a range end are folded.
    ASSERT_GE(candidates.size(), 8u);
    double previous = 0;
    for (const auto &c : candidates) {
        const double loss = c["lossDbMax"];
        const double gamma = c["gammaMax"];
        EXPECT_GE(loss, previous);
        EXPECT_GT(loss, -10 * std::log10(1 - gamma * gamma)) << c.dump();
        previous = loss;
    }
    // Ideal parts: no loss figure, the table as it was.
    const CliRun plain = RunCliIn(With(kAntenna, {"--candidates", "--json"}), dir);
    // The document outlives the loop: a range-for over a member of a
    // temporary would walk freed memory.
    const nlohmann::json ideal = nlohmann::json::parse(plain.out);
    for (const auto &c : ideal["candidates"])
        EXPECT_FALSE(c.contains("lossDbMax"));
}

} // namespace
} // namespace tevmar::cli
