// The stand-in's --session-text: a given session text published in place of
// the recording's or the scenario's own.
#include "common/file_bytes.h"
#include "telemetry/telemetry_layout.h"
#include "telemetry/telemetry_variables.h"
#include "tools/simulator_standin/feed.h"
#include "tools/simulator_standin/standin_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace gripline;
using namespace gripline::standin;
namespace fs = std::filesystem;

const fs::path kF4Session = fs::path(GRIPLINE_FIXTURES) / "session_f4_tsukuba.yaml";

std::string publishedText(Feed& feed) {
    std::vector<uint8_t> block(feed.blockSize(), 0);
    feed.prepare(block, true);
    const auto at = static_cast<size_t>(loadInt32(block, irsdk::kSessionInfoOffset));
    const auto length = static_cast<size_t>(loadInt32(block, irsdk::kSessionInfoLen));
    return std::string(block.begin() + static_cast<ptrdiff_t>(at),
                       block.begin() + static_cast<ptrdiff_t>(at + length));
}

TEST(StandinSessionText, OptionGoesWithARecordingOrAScenarioButNotAnImage) {
    StandinOptions options;
    std::string error;
    const std::vector<std::string> scenario = {"--scenario", "straight", "--session-text", "s.yaml"};
    ASSERT_TRUE(parseStandinOptions(scenario, options, error)) << error;
    EXPECT_EQ(options.sessionText, fs::path("s.yaml"));

    const std::vector<std::string> image = {"--image", "i.bin", "--session-text=s.yaml"};
    EXPECT_FALSE(parseStandinOptions(image, options, error));
    EXPECT_NE(error.find("--session-text"), std::string::npos) << error;
    EXPECT_NE(standinUsage().find("--session-text FILE"), std::string::npos);
}

TEST(StandinSessionText, RealF4TextReplacesTheScenariosAndTheRecordingsOwn) {
    std::vector<uint8_t> f4;
    std::string error;
    ASSERT_TRUE(readFileBytes(kF4Session, f4, error)) << error;
    const std::string expected(f4.begin(), f4.end());

    Feed scenario;
    ASSERT_TRUE(scenario.loadScenario("straight", error)) << error;
    ASSERT_TRUE(scenario.loadSessionText(kF4Session, error)) << error;
    EXPECT_EQ(publishedText(scenario), expected);

    Feed ibt;
    ASSERT_TRUE(ibt.loadIbt(fs::path(GRIPLINE_FIXTURES) / "w13_spielberg_390ticks.ibt", error))
        << error;
    ASSERT_TRUE(ibt.loadSessionText(kF4Session, error)) << error;
    EXPECT_EQ(publishedText(ibt), expected);
}

TEST(StandinSessionText, RefusesWhatCannotBePublishedWhole) {
    std::string error;
    Feed scenario;
    ASSERT_TRUE(scenario.loadScenario("straight", error)) << error;
    EXPECT_FALSE(scenario.useSessionText(std::string(kSessionCapacity, 'x'), error));
    EXPECT_NE(error.find("does not fit"), std::string::npos) << error;
    EXPECT_TRUE(scenario.useSessionText(std::string(kSessionCapacity - 1, 'x'), error)) << error;

    EXPECT_FALSE(scenario.loadSessionText(kF4Session.parent_path() / "missing.yaml", error));

    Feed image;
    ASSERT_TRUE(image.loadImage(fs::path(GRIPLINE_FIXTURES) / "irsdk_live_w13_monza.bin", error))
        << error;
    EXPECT_FALSE(image.useSessionText("DriverCarIdx: 0\n", error));
}

} // namespace
