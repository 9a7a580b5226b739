// Numbers handed over typed (the Python module's keywords) read as their
// text reads on the command line: the same settings, the same refusals in
// the same words, named as the front end names the option.

#include "session/options/command_line.h"

#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

namespace tevmar::session {
namespace {

const OptionNaming kKeywords = OptionNaming::KeywordArguments();

// A design's boxes as text, as the module gives them.
std::vector<NamedValue> Boxes()
{
    return {{"f1", "2"}, {"f2", "3"}, {"zhigh", "50"}, {"zlow", "10"}};
}

CommandLine AsText(const std::string &keyword, const std::string &text,
                   std::vector<NamedValue> more = {})
{
    std::vector<NamedValue> values = Boxes();
    values.insert(values.end(), more.begin(), more.end());
    values.push_back({keyword, text});
    return ParseNamedValues(values, "tevmar.prt", kKeywords);
}

CommandLine Typed(const std::string &keyword, TypedValue value, std::vector<NamedValue> more = {})
{
    std::vector<NamedValue> values = Boxes();
    values.insert(values.end(), more.begin(), more.end());
    return ParseKeywordValues(values, {{keyword, value}}, "tevmar.prt", kKeywords);
}

TypedNumber Real(double x)
{
    return {x, false};
}
TypedNumber Whole(double x)
{
    return {x, true};
}

TEST(TypedOptions, NumbersReadAsTheirTextReads)
{
    struct Case
    {
        std::string keyword, text;
        TypedValue value;
        std::vector<NamedValue> more;
    };
    const std::vector<NamedValue> sweep = {{"sweep", "s.csv"}};
    const std::vector<NamedValue> trials = {{"monte_carlo", "10"}};
    const std::vector<NamedValue> tune = {{"tune", std::nullopt}};
    const std::vector<NamedValue> lines = {{"candidates", std::nullopt}, {"lines", "ideal"}};
    const std::vector<Case> cases = {
        {"q_l", "40", Whole(40), {}},
        {"q_c", "0.5", Real(0.5), {}},
        {"points", "201", Whole(201), sweep},
        {"from", "1.5", Real(1.5), sweep},
        {"tolerance", "5", Whole(5), {}},
        {"yield_vswr", "1.8", Real(1.8), trials},
        {"l_range", "1:100", std::pair{Whole(1), Whole(100)}, tune},
        {"c_range", "0.5:20", std::pair{Real(0.5), Whole(20)}, tune},
        {"z0_range", "30:90", std::pair{Whole(30), Whole(90)}, lines},
        {"line_z0", "75", Real(75), lines},
        {"srf_margin", "10", Whole(10), {{"pad", "0.05pF"}, {"l_model", "40@2GHz,0.05pF"}}},
    };
    for (const Case &c : cases) {
        const CommandLine text = AsText(c.keyword, c.text, c.more);
        const CommandLine typed = Typed(c.keyword, c.value, c.more);
        ASSERT_EQ(text.problem, "") << c.keyword;
        EXPECT_EQ(typed.problem, "") << c.keyword;
        EXPECT_EQ(typed.given, text.given) << c.keyword;
        EXPECT_EQ(typed.analysis.inductorQ, text.analysis.inductorQ);
        EXPECT_EQ(typed.analysis.capacitorQ, text.analysis.capacitorQ);
        EXPECT_EQ(typed.analysis.points, text.analysis.points);
        EXPECT_EQ(typed.analysis.fromGhz, text.analysis.fromGhz);
        EXPECT_EQ(typed.analysis.tolerancePercent, text.analysis.tolerancePercent);
        EXPECT_EQ(typed.analysis.yieldVswr, text.analysis.yieldVswr);
        EXPECT_EQ(typed.analysis.inductorRangeNh, text.analysis.inductorRangeNh);
        EXPECT_EQ(typed.analysis.capacitorRangePf, text.analysis.capacitorRangePf);
        EXPECT_EQ(typed.analysis.z0RangeOhms, text.analysis.z0RangeOhms);
        EXPECT_EQ(typed.analysis.lineZ0Ohms, text.analysis.lineZ0Ohms);
        EXPECT_EQ(typed.analysis.srfMarginPercent, text.analysis.srfMarginPercent);
    }
}

TEST(TypedOptions, RefusalsAreTheTextsNamingTheKeyword)
{
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const std::vector<NamedValue> sweep = {{"sweep", "s.csv"}};
    const std::vector<NamedValue> lines = {{"candidates", std::nullopt}, {"lines", "ideal"}};
    struct Case
    {
        std::string keyword, text;
        TypedValue value;
        std::vector<NamedValue> more;
        std::string problem;
    };
    const std::vector<Case> cases = {
        {"q_l", "0", Whole(0), {}, "q_l: \"0\" is not a Q of 0.001 or more"},
        {"q_l", "inf", Real(kInf), {}, "q_l: \"inf\" is not a Q of 0.001 or more"},
        {"monte_carlo",
         "1000001",
         Whole(1000001),
         {},
         "monte_carlo: \"1000001\" is not a whole number from 1 to 1000000"},
        {"points", "2.5", Real(2.5), sweep,
         "points: \"2.5\" is not a whole number from 1 to 1000000"},
        {"tolerance",
         "100",
         Whole(100),
         {},
         "tolerance: \"100\" is not a percentage from 0 up to (not including) 100"},
        {"z0_range", "120:20", std::pair{Whole(120), Whole(20)}, lines,
         "z0_range: \"120:20\" is not MIN:MAX in ohms, two numbers from 1e-06 to 1e+09, the "
         "first below the second"},
        {"srf_margin", "-1", Whole(-1), {}, ""},
        {"l_range", "5", Whole(5), {}, ""}, // a number for a pair: refused below
    };
    for (const Case &c : cases) {
        const CommandLine text = AsText(c.keyword, c.text, c.more);
        const CommandLine typed = Typed(c.keyword, c.value, c.more);
        EXPECT_EQ(typed.problem, text.problem) << c.keyword;
        if (!c.problem.empty()) {
            EXPECT_EQ(typed.problem, c.problem);
        }
    }
    EXPECT_EQ(Typed("l_range", Whole(5)).problem,
              "l_range: \"5\" is not MIN:MAX in nH, two numbers from 1e-06 to 1e+09, the first "
              "below the second");
    // The checks between options see a typed value as given.
    EXPECT_EQ(Typed("z0_range", std::pair{Whole(20), Whole(120)}).problem,
              "z0_range applies to lines; give it");
    EXPECT_EQ(Typed("eseries", Whole(24)).problem, "unknown option \"eseries\"");
    EXPECT_TRUE(TakesTypedValue("q_l", kKeywords));
    EXPECT_FALSE(TakesTypedValue("eseries", kKeywords));
    EXPECT_FALSE(TakesTypedValue("--q-l", kKeywords));
}

TEST(TypedOptions, TheCallsOwnNumbersReadAsTheirTextReads)
{
    // The order, the measured load's source and the amplifier's load and
    // margin, typed: the same settings, or the same refusal, as their text.
    const std::vector<NamedValue> measured = {{"load_circuit", "20 + 2.7nH"}};
    const std::vector<NamedValue> amplifier = {
        {"device", "d.s2p"}, {"amplifier", std::nullopt}, {"f1", "2"}, {"f2", "3"}};
    struct Case
    {
        std::vector<NamedValue> start;
        std::string keyword, text;
        TypedValue value;
        std::string problem;
    };
    const std::vector<Case> cases = {
        {Boxes(), "order", "8", Whole(8), ""},
        {Boxes(), "order", "5", Whole(5), "order: \"5\" is not one of 4, 8, 12"},
        {Boxes(), "order", "8.5", Real(8.5), "order: \"8.5\" is not one of 4, 8, 12"},
        {measured, "source", "75", Whole(75), ""},
        {measured, "source", "-1", Whole(-1), "source: \"-1\" is not a positive number"},
        {amplifier, "load_ohms", "25", Real(25), ""},
        {amplifier, "stability_margin", "0.8", Real(0.8), ""},
        {amplifier, "stability_margin", "1", Whole(1),
         "stability_margin: \"1\" is not a margin above 0 and below 1"},
    };
    for (const Case &c : cases) {
        std::vector<NamedValue> values = c.start;
        values.push_back({c.keyword, c.text});
        const CommandLine text = ParseNamedValues(values, "tevmar.prt", kKeywords);
        const CommandLine typed =
            ParseKeywordValues(c.start, {{c.keyword, c.value}}, "tevmar.prt", kKeywords);
        EXPECT_EQ(text.problem, c.problem) << c.keyword << " " << c.text;
        EXPECT_EQ(typed.problem, c.problem) << c.keyword << " " << c.text;
        EXPECT_EQ(typed.given, text.given) << c.keyword;
        EXPECT_EQ(typed.design.networkOrder, text.design.networkOrder);
        EXPECT_EQ(typed.measured.sourceOhms, text.measured.sourceOhms);
        EXPECT_EQ(typed.device.loadOhms, text.device.loadOhms);
        EXPECT_EQ(typed.device.stabilityMargin, text.device.stabilityMargin);
    }
}

TEST(TypedOptions, ACallsOwnFieldsAreTheOptionsTheyStandFor)
{
    // A device's figures with circles: the file, the mode and the levels are
    // the call's fields, the request the one the options would make.
    KeywordCall call;
    call.devicePath = "d.s2p";
    call.json = true;
    call.gainDb = std::vector<double>{14, 15.5};
    call.noiseDb = std::vector<double>{1};
    const CommandLine typed = ParseKeywordCall(call, "tevmar.prt", kKeywords);
    const CommandLine text = ParseNamedValues({{"device", "d.s2p"},
                                               {"json", std::nullopt},
                                               {"gain_circles", "14,15.5"},
                                               {"noise_circles", "1"}},
                                              "tevmar.prt", kKeywords);
    ASSERT_EQ(typed.problem, "");
    EXPECT_EQ(typed.given, text.given);
    EXPECT_EQ(typed.device.filePath, text.device.filePath);
    EXPECT_EQ(typed.device.gainDb, text.device.gainDb);
    EXPECT_EQ(typed.device.noiseDb, text.device.noiseDb);
    EXPECT_TRUE(typed.analysis.json);

    // Levels are refused as their list's text is.
    constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
    for (const auto &[levels, noise, problem] :
         {std::tuple{std::vector<double>{-1}, true,
                     "noise_circles: a level of -1 dB; expected 0 dB or more"},
          std::tuple{std::vector<double>{300}, false,
                     "gain_circles: a level of 300 dB; expected at most 200 dB either way"},
          std::tuple{std::vector<double>{1, kNan}, false,
                     "gain_circles: \"nan\" is not a number; expected levels in dB such as "
                     "14,15,16"},
          std::tuple{std::vector<double>(21, 1.0), true, "noise_circles: more than 20 levels"}}) {
        KeywordCall bad;
        bad.devicePath = "d.s2p";
        (noise ? bad.noiseDb : bad.gainDb) = levels;
        EXPECT_EQ(ParseKeywordCall(bad, "tevmar.prt", kKeywords).problem, problem);
    }

    // An amplifier call: the mode and its flag are the options' own checks.
    KeywordCall amplifier;
    amplifier.devicePath = "d.s2p";
    amplifier.amplifier = true;
    amplifier.stabilise = true;
    amplifier.values = {{"f1", "2"}};
    EXPECT_EQ(ParseKeywordCall(amplifier, "tevmar.prt", kKeywords).problem,
              "amplifier: give the band with f1 and f2");
    amplifier.values.push_back({"f2", "3"});
    const CommandLine c = ParseKeywordCall(amplifier, "tevmar.prt", kKeywords);
    ASSERT_EQ(c.problem, "");
    EXPECT_TRUE(RequestOf(c).amplifier.has_value());
    EXPECT_TRUE(RequestOf(c).amplifier->stabilise);
}

TEST(TypedOptions, ASearchIsTheCallsOwnAndItsSettingsWaitForIt)
{
    // The tune a call is: the tune's own settings apply to it.
    KeywordCall call;
    call.values = Boxes();
    call.typed = {{"l_range", std::pair{Whole(1), Whole(100)}}};
    EXPECT_EQ(
        ParseKeywordCall(call, "tevmar.prt", kKeywords).problem.rfind("l_range applies to", 0), 0u);
    call.tune = true;
    const CommandLine tuned = ParseKeywordCall(call, "tevmar.prt", kKeywords);
    ASSERT_EQ(tuned.problem, "");
    EXPECT_TRUE(RequestOf(tuned).tune);
    EXPECT_EQ(tuned.analysis.inductorRangeNh, (std::pair{1.0, 100.0}));
    call.candidates = true;
    EXPECT_TRUE(RequestOf(ParseKeywordCall(call, "tevmar.prt", kKeywords)).candidates);

    // The kit waits for a search, the lines for the candidates.
    EXPECT_EQ(UseOfSetting("parts", kKeywords), SettingUse::Searches);
    for (const char *lines :
         {"lines", "z0_range", "line_z0", "substrate", "width_range", "length_step"})
        EXPECT_EQ(UseOfSetting(lines, kKeywords), SettingUse::Candidates) << lines;
    EXPECT_EQ(UseOfSetting("q_l", kKeywords), SettingUse::EveryRun);
    EXPECT_EQ(UseOfSetting("--parts", {}), SettingUse::Searches);
}

TEST(TypedOptions, TheCallsSettingsAreTheOptionsTheyStandFor)
{
    // An amplifier's every setting as the call's fields, numbers and texts:
    // the request the same options' texts make.
    KeywordCall call;
    call.devicePath = "d.s2p";
    call.amplifier = true;
    CallSettings &s = call.settings;
    s.f1 = Real(2.1 + 0.2); // the box holds "2.3000000000000003", not 2.3
    s.f2 = std::string("3");
    s.goal = "noise";
    s.source = Whole(60);
    s.loadOhms = std::string("75");
    s.stabilityMargin = Real(0.85);
    s.tolerance = Whole(3);
    s.inductorQ = Real(45.5);
    s.capacitorQ = Whole(150);
    s.qModel = std::string("constant");
    s.pad = std::string("0.02pF");
    const CommandLine typed = ParseKeywordCall(call, "tevmar.prt", kKeywords);
    ASSERT_EQ(typed.problem, "");
    const CommandLine text = ParseNamedValues({{"device", "d.s2p"},
                                               {"amplifier", std::nullopt},
                                               {"f1", "2.3000000000000003"},
                                               {"f2", "3"},
                                               {"goal", "noise"},
                                               {"source", "60"},
                                               {"load_ohms", "75"},
                                               {"stability_margin", "0.85"},
                                               {"tolerance", "3"},
                                               {"q_l", "45.5"},
                                               {"q_c", "150"},
                                               {"q_model", "constant"},
                                               {"pad", "0.02pF"}},
                                              "tevmar.prt", kKeywords);
    ASSERT_EQ(text.problem, "");
    const AmplifierInput a = *RequestOf(typed).amplifier, b = *RequestOf(text).amplifier;
    EXPECT_EQ(RequestOf(typed).design.f1Text, "2.3000000000000003");
    EXPECT_EQ(a.goal, AmplifierGoal::Noise);
    EXPECT_EQ(a.goal, b.goal);
    EXPECT_EQ(a.sourceOhms, b.sourceOhms);
    EXPECT_EQ(a.loadOhms, b.loadOhms);
    EXPECT_EQ(a.stabilityMargin, b.stabilityMargin);
    EXPECT_EQ(a.tolerancePercent, b.tolerancePercent);
    EXPECT_EQ(a.built.inductorQ, b.built.inductorQ);
    EXPECT_EQ(a.built.capacitorQ, b.built.capacitorQ);
    EXPECT_EQ(a.built.model, b.built.model);
    EXPECT_EQ(a.built.padPf, b.built.padPf);

    // A number for a setting that reads only text is refused as its text;
    // a setting given by the call and by a keyword is given twice.
    KeywordCall bad = call;
    bad.settings.pad = Real(0.05);
    EXPECT_EQ(ParseKeywordCall(bad, "tevmar.prt", kKeywords).problem,
              "pad: the pad capacitance \"0.05\" needs its unit, pF");
    bad = call;
    bad.settings.goal = "flat";
    EXPECT_EQ(ParseKeywordCall(bad, "tevmar.prt", kKeywords).problem,
              "goal: \"flat\" is not one of gain, noise");
    bad = call;
    bad.numbers = {{"tolerance", Whole(5)}};
    EXPECT_EQ(ParseKeywordCall(bad, "tevmar.prt", kKeywords).problem,
              "tolerance given more than once");

    // A keyword's number for a setting that reads text reads as its text.
    KeywordCall design;
    design.values = Boxes();
    design.numbers = {{"eseries", Whole(24)}, {"seed", Whole(7)}, {"monte_carlo", Whole(10)}};
    EXPECT_EQ(ParseKeywordCall(design, "tevmar.prt", kKeywords).problem,
              "eseries: \"24\" is not one of E12, E24, E48, E96");
    design.numbers.erase(design.numbers.begin());
    const CommandLine seeded = ParseKeywordCall(design, "tevmar.prt", kKeywords);
    ASSERT_EQ(seeded.problem, "");
    EXPECT_EQ(seeded.analysis.seed, 7u);
}

TEST(TypedOptions, TheCommandLineKeepsItsWords)
{
    const CommandLine c = ParseCommandLine(
        {"--f1", "2", "--f2", "3", "--zhigh", "50", "--zlow", "10", "--q-l", "0"}, "tevmar.prt");
    EXPECT_EQ(c.problem, "--q-l: \"0\" is not a Q of 0.001 or more");
}

} // namespace
} // namespace tevmar::session
