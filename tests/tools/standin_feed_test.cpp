// The stand-in's block against the simulator's own: the live image and the
// recorded file from ../shared/fixtures.
#include "common/file_bytes.h"
#include "telemetry/ibt_file.h"
#include "telemetry/telemetry_layout.h"
#include "telemetry/telemetry_variables.h"
#include "tools/simulator_standin/feed.h"
#include "tools/simulator_standin/ibt_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace gripline;
using namespace gripline::standin;
namespace fs = std::filesystem;

const fs::path kFixtures = GRIPLINE_FIXTURES;
const fs::path kLiveImage = kFixtures / "irsdk_live_w13_monza.bin";
const fs::path kIbt = kFixtures / "w13_spielberg_390ticks.ibt";

std::vector<uint8_t> fileBytes(const fs::path& path) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(readFileBytes(path, bytes, error)) << error;
    return bytes;
}

int32_t field(std::span<const uint8_t> block, size_t offset) {
    return loadInt32(block, offset);
}

int32_t bufferTick(std::span<const uint8_t> block, int i) {
    return field(block, irsdk::kVarBuf + irsdk::kVarBufStride * i + irsdk::kVarBufTickCount);
}

std::span<const uint8_t> bufferLine(std::span<const uint8_t> block, int i) {
    const auto at = static_cast<size_t>(
        field(block, irsdk::kVarBuf + irsdk::kVarBufStride * i + irsdk::kVarBufOffset));
    return block.subspan(at, static_cast<size_t>(field(block, irsdk::kBufLen)));
}

std::span<const uint8_t> varHeaders(std::span<const uint8_t> block) {
    return block.subspan(static_cast<size_t>(field(block, irsdk::kVarHeaderOffset)),
                         static_cast<size_t>(field(block, irsdk::kNumVars)) *
                             irsdk::kVarHeaderSize);
}

std::string sessionText(std::span<const uint8_t> block) {
    const auto* at = block.data() + field(block, irsdk::kSessionInfoOffset);
    return std::string(reinterpret_cast<const char*>(at),
                       static_cast<size_t>(field(block, irsdk::kSessionInfoLen)));
}

void expectSameSnapshot(const TelemetrySnapshot& a, const TelemetrySnapshot& b) {
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
}

TEST(StandinFeed, LaysOutTheLiveImageAsTheSimulatorDoes) {
    const std::vector<uint8_t> live = fileBytes(kLiveImage);
    TelemetryImage layout =
        liveLayout(varHeaders(live), field(live, irsdk::kNumVars), field(live, irsdk::kBufLen));
    std::vector<uint8_t> block(kMinimumMappingSize);
    ASSERT_LE(layout.size(), block.size());
    layout.format(block);
    TelemetryImage::setConnected(block, true);
    for (size_t offset : {irsdk::kVer, irsdk::kStatus, irsdk::kTickRate, irsdk::kSessionInfoOffset,
                          irsdk::kNumVars, irsdk::kVarHeaderOffset, irsdk::kNumBuf, irsdk::kBufLen})
        EXPECT_EQ(field(block, offset), field(live, offset)) << "header field at " << offset;
    const auto ours = varHeaders(block), theirs = varHeaders(live);
    EXPECT_TRUE(std::equal(ours.begin(), ours.end(), theirs.begin(), theirs.end()));
    EXPECT_EQ(resolveVariables(block), resolveVariables(live));

    // The simulator's newest line, published by us, decodes identically.
    layout.publishLine(block, bufferLine(live, 1), bufferTick(live, 1));
    TelemetrySnapshot fromLive, fromOurs;
    decodeLine(live, resolveVariables(live), bufferLine(live, 1), 2005, fromLive);
    decodeLine(block, resolveVariables(block), bufferLine(block, 0), bufferTick(block, 0),
               fromOurs);
    expectSameSnapshot(fromOurs, fromLive);
    EXPECT_EQ(fromOurs.TorqueStCount, 6);
}

TEST(StandinFeed, ReplaysTheRecordingInTheLiveLayoutLineByLine) {
    IbtFile ibt;
    std::string error;
    ASSERT_TRUE(ibt.load(kIbt, error)) << error;
    Feed feed;
    ASSERT_TRUE(feed.loadIbt(kIbt, error)) << error;
    EXPECT_EQ(feed.description(), "ibt w13_spielberg_390ticks.ibt: 390 lines");
    EXPECT_EQ(feed.lineCount(), 390);
    std::vector<uint8_t> block(kMinimumMappingSize); // a new mapping is zeroed
    ASSERT_LE(feed.blockSize(), block.size());
    feed.prepare(block, true);

    EXPECT_EQ(field(block, irsdk::kVer), 2);
    EXPECT_EQ(field(block, irsdk::kStatus), irsdk::kStatusConnected);
    EXPECT_EQ(field(block, irsdk::kTickRate), 60);
    EXPECT_EQ(field(block, irsdk::kSessionInfoUpdate), 1);
    EXPECT_EQ(field(block, irsdk::kSessionInfoOffset), 112);
    EXPECT_EQ(field(block, irsdk::kVarHeaderOffset), 524'400); // as in the live image
    EXPECT_EQ(field(block, irsdk::kNumVars), 276);
    EXPECT_EQ(field(block, irsdk::kNumBuf), 3);
    EXPECT_EQ(field(block, irsdk::kBufLen), 1072);
    const auto text = ibt.sessionText();
    EXPECT_EQ(sessionText(block), std::string(text.begin(), text.end()));
    const auto ours = varHeaders(block), theirs = varHeaders(ibt.image());
    EXPECT_TRUE(std::equal(ours.begin(), ours.end(), theirs.begin(), theirs.end()));

    for (int32_t i = 0; i < 7; ++i) {
        feed.publish(block, i, i);
        const int buffer = i % 3; // the three buffers in turn
        EXPECT_EQ(bufferTick(block, buffer), i);
        const auto line = bufferLine(block, buffer), recorded = ibt.line(i);
        EXPECT_TRUE(std::equal(line.begin(), line.end(), recorded.begin(), recorded.end()));
    }
}

TEST(StandinFeed, RaisesSessionInfoUpdateAboveAnEarlierStandIns) {
    Feed feed;
    std::string error;
    ASSERT_TRUE(feed.loadScenario("straight", error)) << error;
    std::vector<uint8_t> block(kMinimumMappingSize);
    feed.prepare(block, true);
    EXPECT_EQ(field(block, irsdk::kSessionInfoUpdate), 1);
    // A reader that saw update 1 from the first stand-in must see a change.
    Feed second;
    ASSERT_TRUE(second.loadIbt(kIbt, error)) << error;
    second.prepare(block, true);
    EXPECT_EQ(field(block, irsdk::kSessionInfoUpdate), 2);
}

// A lap made of drives: each line is the line of the drive it falls in.
TEST(StandinFeed, ScenariosSeparatedByCommasPlayOneAfterAnother) {
    Feed lap, crash;
    std::string error;
    ASSERT_TRUE(lap.loadScenario("straight,kerbs,crash", error)) << error;
    ASSERT_TRUE(crash.loadScenario("crash", error)) << error;
    EXPECT_EQ(lap.lineCount(), 3 * crash.lineCount());
    EXPECT_EQ(lap.description(), "scenario straight,kerbs,crash: 1800 lines");

    std::vector<uint8_t> lapBlock(kMinimumMappingSize), crashBlock(kMinimumMappingSize);
    lap.prepare(lapBlock, true);
    crash.prepare(crashBlock, true);
    lap.publish(lapBlock, 1200 + 17, 5);
    crash.publish(crashBlock, 17, 5);
    const auto a = bufferLine(lapBlock, 0), b = bufferLine(crashBlock, 0);
    EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end()));

    EXPECT_FALSE(lap.loadScenario("straight,,crash", error));
    EXPECT_EQ(error.rfind("unknown scenario '' (one of: straight, ", 0), 0u) << error;
}

// A run written to disk reads back through the program's own file reader as
// the live feed publishes it, line for line across the change of car, under
// the first scenario's session.
TEST(StandinFeed, WrittenRunReadsBackAsTheLiveFeedPublishesIt) {
    const fs::path path = fs::temp_directory_path() / "gripline_standin_written_run.ibt";
    std::string error;
    ASSERT_TRUE(writeScenarioIbt("mx5-lap,f4-lap", path, error)) << error;
    EXPECT_FALSE(fs::exists(fs::path(path) += ".partial"));
    IbtFile file;
    ASSERT_TRUE(file.load(path, error)) << error;
    fs::remove(path);
    ASSERT_EQ(file.lineCount(), 1200);
    const auto text = file.sessionText();
    EXPECT_EQ(std::string(text.begin(), text.end()),
              scenarioSessionText(*findScenario("mx5-lap")->identity));

    Feed feed;
    ASSERT_TRUE(feed.loadScenario("mx5-lap,f4-lap", error)) << error;
    std::vector<uint8_t> block(feed.blockSize());
    feed.prepare(block, true);
    const TelemetryVarIndices liveVars = resolveVariables(block);
    const TelemetryVarIndices fileVars = resolveVariables(file.image());
    for (int32_t i = 0; i < 1200; ++i) {
        feed.publish(block, i, i);
        TelemetrySnapshot live{}, written{};
        decodeLine(block, liveVars, bufferLine(block, i % 3), i, live);
        decodeLine(file.image(), fileVars, file.line(i), i, written);
        ASSERT_EQ(std::memcmp(&live, &written, sizeof live), 0) << "line " << i;
    }
}

TEST(StandinFeed, StatusClearLeavesBitZeroClear) {
    Feed feed;
    std::string error;
    ASSERT_TRUE(feed.loadScenario("crash", error)) << error;
    std::vector<uint8_t> block(kMinimumMappingSize);
    feed.prepare(block, false);
    EXPECT_EQ(field(block, irsdk::kStatus) & irsdk::kStatusConnected, 0);
    EXPECT_GT(field(block, irsdk::kSessionInfoLen), 0);
}

TEST(StandinFeed, CopiesAnImageAsItIsAndNeverChangesIt) {
    const std::vector<uint8_t> live = fileBytes(kLiveImage);
    Feed feed;
    std::string error;
    ASSERT_TRUE(feed.loadImage(kLiveImage, error)) << error;
    EXPECT_EQ(feed.description(), "image irsdk_live_w13_monza.bin: 1191936 bytes");
    EXPECT_EQ(feed.lineCount(), 0);
    std::vector<uint8_t> block(kMinimumMappingSize, 0xAB);
    feed.prepare(block, true);
    feed.publish(block, -1, 99);
    EXPECT_TRUE(std::equal(live.begin(), live.end(), block.begin()));
    EXPECT_TRUE(std::all_of(block.begin() + static_cast<ptrdiff_t>(live.size()), block.end(),
                            [](uint8_t b) { return b == 0; }));

    feed.prepare(block, false);
    EXPECT_EQ(field(block, irsdk::kStatus), 0);
    EXPECT_TRUE(std::equal(live.begin() + 8, live.end(), block.begin() + 8));
}

TEST(StandinFeed, RejectsDamagedFilesWithAReason) {
    std::vector<uint8_t> ibt = fileBytes(kIbt);
    std::vector<uint8_t> live = fileBytes(kLiveImage);
    auto rejects = [](bool image, std::vector<uint8_t> bytes, const std::string& reason) {
        Feed feed;
        std::string error;
        EXPECT_FALSE(image ? feed.useImage(std::move(bytes), "x", error)
                           : feed.useIbt(std::move(bytes), "x", error));
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    };
    rejects(false, std::vector<uint8_t>(ibt.begin(), ibt.begin() + 200'000), "truncated");
    std::vector<uint8_t> noLines = ibt;
    std::memset(noLines.data() + irsdk::kDiskRecordCount, 0, 4);
    rejects(false, noLines, "no lines");
    rejects(true, std::vector<uint8_t>(live.begin(), live.begin() + 100),
            "shorter than its header");
    rejects(true, std::vector<uint8_t>(live.begin(), live.end() - 30'000), "data buffer 2");
    std::vector<uint8_t> badHeaders = live;
    const int32_t farAway = 0x7fff0000;
    std::memcpy(badHeaders.data() + irsdk::kVarHeaderOffset, &farAway, 4);
    rejects(true, badHeaders, "header fields point outside");

    Feed feed;
    std::string error;
    EXPECT_FALSE(feed.loadIbt(kFixtures / "missing.ibt", error));
    EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
}

TEST(StandinFeed, MappingIsTwoMebibytesOrWhatTheBlockNeeds) {
    EXPECT_EQ(mappingSizeFor(1'191'936), 2u * 1024 * 1024);
    EXPECT_EQ(mappingSizeFor(3u * 1024 * 1024 + 1), 3u * 1024 * 1024 + 64 * 1024);
    std::string error;
    EXPECT_TRUE(blockFits(2u * 1024 * 1024, 1'191'936, error));
    EXPECT_FALSE(blockFits(65'536, 1'191'936, error));
    EXPECT_NE(error.find("65536 bytes, too small for this layout (1191936 bytes)"),
              std::string::npos)
        << error;
}

} // namespace
