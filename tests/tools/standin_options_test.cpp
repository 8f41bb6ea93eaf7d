// The stand-in's command line: every option, and a clear reason for each
// mistake.
#include "tools/simulator_standin/scenarios.h"
#include "tools/simulator_standin/standin_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace gripline::standin;

struct Parsed {
    bool ok;
    StandinOptions options;
    std::string error;
};

Parsed parse(std::vector<std::string> args) {
    Parsed p;
    p.ok = parseStandinOptions(args, p.options, p.error);
    return p;
}

TEST(StandinOptions, ReadsAReplayWithEveryOption) {
    const Parsed p =
        parse({"--ibt", "drive.ibt", "--loop", "--status-clear", "--rate", "120", "--stop-after",
               "1.5", "--exit-after=3", "--broadcast-log", "b.txt", "--timing-log", "t.txt"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.source, SourceKind::Ibt);
    EXPECT_EQ(p.options.sourcePath, "drive.ibt");
    EXPECT_TRUE(p.options.loop);
    EXPECT_TRUE(p.options.statusClear);
    EXPECT_EQ(p.options.rateHz, 120);
    EXPECT_EQ(p.options.stopAfterNs, 1'500'000'000);
    EXPECT_EQ(p.options.exitAfterNs, 3'000'000'000);
    EXPECT_EQ(p.options.broadcastLog, "b.txt");
    EXPECT_EQ(p.options.timingLog, "t.txt");
}

TEST(StandinOptions, DefaultsToSixtyHertzWithoutLimitsOrLogs) {
    const Parsed p = parse({"--scenario", "kerbs"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.source, SourceKind::Scenario);
    EXPECT_EQ(p.options.scenario, "kerbs");
    EXPECT_EQ(p.options.rateHz, 60);
    EXPECT_FALSE(p.options.loop);
    EXPECT_FALSE(p.options.statusClear);
    EXPECT_FALSE(p.options.stopAfterNs);
    EXPECT_FALSE(p.options.exitAfterNs);
    EXPECT_TRUE(p.options.broadcastLog.empty());
    EXPECT_TRUE(p.options.timingLog.empty());
}

TEST(StandinOptions, KeepsNonAsciiPathsWhole) {
    const Parsed p = parse({"--image", "Fahrt \xC3\xBC"
                                       "ber Spielberg.bin"});
    ASSERT_TRUE(p.ok) << p.error;
    // Compared as paths: this GoogleTest cannot print a u8string.
    EXPECT_TRUE(p.options.sourcePath == std::filesystem::path(u8"Fahrt über Spielberg.bin"));
}

TEST(StandinOptions, HelpAndScenarioListNeedNoSource) {
    EXPECT_TRUE(parse({"--help"}).options.help);
    EXPECT_TRUE(parse({"-h"}).options.help);
    EXPECT_TRUE(parse({"--list-scenarios"}).options.listScenarios);
}

TEST(StandinOptions, RejectsEachMistakeWithAReasonNamingIt) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "nothing to publish"},
        {{"--loop"}, "nothing to publish"},
        {{"--ibt", "a.ibt", "--scenario", "straight"}, "only one of"},
        {{"--ibt"}, "--ibt needs a value"},
        {{"--image", "a.bin", "--fast"}, "unknown option '--fast'"},
        {{"--loop=yes", "--scenario", "straight"}, "unknown option '--loop=yes'"},
        {{"--scenario", "monaco"}, "unknown scenario 'monaco' (one of: straight, left-corner"},
        {{"--scenario", "straight", "--rate", "0"}, "--rate needs a whole number"},
        {{"--scenario", "straight", "--rate", "1001"}, "--rate needs a whole number"},
        {{"--scenario", "straight", "--rate", "60Hz"}, "not '60Hz'"},
        {{"--scenario", "straight", "--exit-after", "-1"}, "--exit-after needs a number"},
        {{"--scenario", "straight", "--stop-after", "soon"}, "--stop-after needs a number"},
        {{"--scenario", "straight", "--stop-after", "nan"}, "--stop-after needs a number"},
        {{"--ibt", "a.ibt", "--write-ibt", "b.ibt"}, "cannot take --ibt or --image"},
        {{"--write-ibt", "b.ibt", "--image", "a.bin"}, "cannot take --ibt or --image"},
        {{"--write-ibt", "b.ibt"}, "--write-ibt needs --scenario"},
        {{"--scenario", "f4-lap", "--write-ibt", "b.ibt", "--session-text", "s.yaml"},
         "not --session-text"},
    };
    for (const auto& [args, reason] : cases) {
        const Parsed p = parse(args);
        EXPECT_FALSE(p.ok) << reason;
        EXPECT_NE(p.error.find(reason), std::string::npos) << p.error;
    }
}

TEST(StandinOptions, AcceptsZeroSecondsAndFractions) {
    const Parsed p = parse({"--scenario", "crash", "--stop-after", "0", "--exit-after", "0.25"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.stopAfterNs, 0);
    EXPECT_EQ(p.options.exitAfterNs, 250'000'000);
}

TEST(StandinOptions, UsageNamesEveryOptionAndScenario) {
    const std::string usage = standinUsage();
    for (const char* option :
         {"--ibt", "--image", "--scenario", "--loop", "--status-clear", "--rate", "--stop-after",
          "--exit-after", "--broadcast-log", "--timing-log", "--list-scenarios", "--help",
          "--write-ibt"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    for (const ScenarioInfo& s : scenarios())
        EXPECT_NE(usage.find(std::string(s.name)), std::string::npos) << s.name;
}

} // namespace
