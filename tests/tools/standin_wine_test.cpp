// The real simulator_standin.exe under Wine, in another process, read the way
// the program's reader reads the simulator: ticks, lines, session text,
// status bit, broadcast log, exit codes. Tests run one after another (the
// block's name is global to the Wine session).
#include "common/file_bytes.h"
#include "telemetry/ibt_file.h"
#include "telemetry/telemetry_layout.h"
#include "telemetry/telemetry_variables.h"
#include "tests/support/standin_child_win32.h"
#include "tools/simulator_standin/broadcast_listener_win32.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace gripline::test {
namespace {

using namespace std::chrono_literals;

const std::string kIbtFile = GRIPLINE_FIXTURES "/w13_spielberg_390ticks.ibt";
const std::string kImageFile = GRIPLINE_FIXTURES "/irsdk_live_w13_monza.bin";
const std::wstring kIbt = windowsPath(kIbtFile);
const std::wstring kImage = windowsPath(kImageFile);

int32_t status(const BlockReader& reader) {
    return reader.field(irsdk::kStatus) & irsdk::kStatusConnected;
}

std::string text(std::span<const uint8_t> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// Starts the stand-in and opens the block once it says it is publishing.
::testing::AssertionResult startAndOpen(StandinChild& standin, BlockReader& reader,
                                        const std::vector<std::wstring>& args) {
    if (!standin.start(args))
        return ::testing::AssertionFailure() << "CreateProcessW failed";
    if (!standin.waitForOut("publishing ", 30s))
        return ::testing::AssertionFailure() << "never published; stderr: " << standin.err();
    if (!reader.open())
        return ::testing::AssertionFailure() << "no mapping or event to open";
    return ::testing::AssertionSuccess();
}

int32_t newestTick(const BlockReader& reader) {
    int32_t tick = -1;
    std::vector<uint8_t> line;
    reader.readNewest(tick, line);
    return tick;
}

class StandinUnderWine : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(ibt.load(kIbtFile, error)) << error;
    }
    IbtFile ibt;
};

TEST_F(StandinUnderWine, ReplaysTheRecordingLineByLineAt60HzThenClearsTheStatusBit) {
    const std::wstring timing = tempFile(L"timing");
    StandinChild standin;
    BlockReader reader;
    ASSERT_TRUE(startAndOpen(standin, reader,
                             {L"--ibt", kIbt, L"--exit-after", L"4", L"--timing-log", timing}));
    EXPECT_EQ(status(reader), 1);
    EXPECT_GE(reader.field(irsdk::kSessionInfoUpdate), 1);
    EXPECT_EQ(reader.sessionText(), text(ibt.sessionText()));

    // Every line read carries the recorded line whose index is its tick count.
    int32_t first = -1, last = -1;
    auto firstAt = std::chrono::steady_clock::now(), lastAt = firstAt;
    std::vector<uint8_t> line;
    waitFor(
        [&] {
            int32_t tick = -1;
            reader.waitForData(200);
            if (!reader.readNewest(tick, line) || tick <= last)
                return false;
            const auto recorded = ibt.line(tick);
            EXPECT_TRUE(std::equal(line.begin(), line.end(), recorded.begin(), recorded.end()))
                << "tick " << tick;
            (first < 0 ? firstAt : lastAt) = std::chrono::steady_clock::now();
            (first < 0 ? first : last) = tick;
            last = tick;
            return tick >= 150;
        },
        30s);
    ASSERT_GE(last, 150);
    // The rate a reader sees depends on how the machine schedules it: a
    // figure. The schedule itself is judged in virtual time by the native
    // publish-loop tests.
    const double seconds = std::chrono::duration<double>(lastAt - firstAt).count();
    std::printf("reader saw ticks %d..%d in %.2f s\n", first, last, seconds);

    EXPECT_EQ(standin.waitExit(30s), 0) << standin.err();
    EXPECT_EQ(status(reader), 0) << "status bit 0 is cleared on a normal exit";
    EXPECT_NE(standin.out().find("publishing ibt w13_spielberg_390ticks.ibt: 390 lines at 60 Hz\n"),
              std::string::npos);
    EXPECT_NE(standin.out().find("stopped publishing after 240 ticks: --exit-after\n"),
              std::string::npos)
        << standin.out();

    // One "tick qpc_ns" line per tick, in order, on a clock that never runs
    // back; the mean spacing is printed (a late SetEvent on a busy machine
    // stretches it, so it is a figure, not a verdict).
    std::istringstream log(readFile(timing));
    int64_t tick = 0, ns = 0, firstNs = 0, previousNs = 0, count = 0;
    while (log >> tick >> ns) {
        EXPECT_EQ(tick, count);
        EXPECT_GE(ns, previousNs) << "tick " << tick;
        previousNs = ns;
        if (count++ == 0)
            firstNs = ns;
    }
    ASSERT_EQ(count, 240);
    std::printf("stand-in ticks %.3f ms apart on average\n", (ns - firstNs) / 239.0 / 1e6);
}

TEST_F(StandinUnderWine, LogsEveryBroadcastCommandAndEndsNormallyOnWmClose) {
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "broadcasts reach windows only with an X display (scripts/wine-session.sh)";
    const std::wstring log = tempFile(L"broadcast");
    StandinChild standin;
    BlockReader reader;
    ASSERT_TRUE(startAndOpen(
        standin, reader,
        {L"--scenario", L"straight", L"--loop", L"--broadcast-log", log, L"--exit-after", L"120"}));
    HWND window = nullptr;
    ASSERT_TRUE(waitFor(
        [&] { return (window = FindWindowW(standin::kListenerWindowClass, nullptr)); }, 30s));

    // As the program sends them: command 11, maximum force in 16.16 N·m.
    const UINT id = RegisterWindowMessageW(irsdk::kBroadcastMessageName);
    ASSERT_NE(id, 0u);
    SendNotifyMessageW(HWND_BROADCAST, id, 11, 655'360'000);          // 10 000 N·m
    SendNotifyMessageW(HWND_BROADCAST, id, 11, 2'621'440);            // 40 N·m
    SendNotifyMessageW(HWND_BROADCAST, id, 0x1000B, LPARAM{-65'536}); // sub-command 1, -1 N·m
    const std::string expected =
        "wparam=11 lparam=655360000\nwparam=11 lparam=2621440\nwparam=65547 lparam=-65536\n";
    EXPECT_TRUE(waitFor([&] { return readFile(log).size() >= expected.size(); }, 30s));
    EXPECT_EQ(readFile(log), expected);

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(standin.waitExit(30s), 0) << standin.err();
    EXPECT_EQ(status(reader), 0);
    EXPECT_NE(standin.out().find(" ticks: closing\n"), std::string::npos) << standin.out();
}

TEST_F(StandinUnderWine, PublishesAScenarioWithEveryVariableTheProgramReads) {
    StandinChild standin;
    BlockReader reader;
    ASSERT_TRUE(
        startAndOpen(standin, reader, {L"--scenario", L"left-corner", L"--exit-after", L"5"}));
    EXPECT_NE(reader.sessionText().find("CarPath: mx5 mx52016\n"), std::string::npos);
    const TelemetryVarIndices vars = resolveVariables(reader.view());
    for (int i = 0; i < kTelemetryVarCount; ++i)
        EXPECT_GE(vars[static_cast<size_t>(i)], 0) << kTelemetryVarNames[static_cast<size_t>(i)];

    // Into the steady part of the corner (2 s to 8 s).
    int32_t tick = -1;
    std::vector<uint8_t> line;
    EXPECT_TRUE(waitFor([&] { return reader.readNewest(tick, line) && tick >= 150; }, 30s));
    TelemetrySnapshot s;
    decodeLine(reader.view(), vars, line, tick, s);
    EXPECT_TRUE(s.IsOnTrack);
    EXPECT_NEAR(s.Speed, 22.0f, 0.1f);
    EXPECT_GT(s.SteeringWheelAngle, 0.5f);
    EXPECT_FLOAT_EQ(s.SteeringWheelAngleMax, 7.85f);
    EXPECT_GT(s.LatAccel, 7.0f);
    EXPECT_EQ(s.TorqueStCount, 6);
    EXPECT_EQ(s.ShockStCount, 6);
    EXPECT_EQ(s.CFshockStCount, 6);

    EXPECT_EQ(standin.waitExit(30s), 0) << standin.err();
    EXPECT_EQ(status(reader), 0);
}

TEST_F(StandinUnderWine, SignalsAnImageWithoutChangingIt) {
    std::vector<uint8_t> image;
    std::string error;
    ASSERT_TRUE(readFileBytes(kImageFile, image, error)) << error;
    StandinChild standin;
    BlockReader reader;
    ASSERT_TRUE(startAndOpen(standin, reader, {L"--image", kImage, L"--exit-after", L"3"}));
    int signals = 0;
    EXPECT_TRUE(waitFor([&] { return (signals += reader.waitForData(200)) >= 5; }, 30s));
    ASSERT_GE(reader.view().size(), image.size());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), reader.view().begin()));

    EXPECT_EQ(standin.waitExit(30s), 0) << standin.err();
    EXPECT_EQ(status(reader), 0);
    EXPECT_TRUE(std::equal(image.begin() + 8, image.end(), reader.view().begin() + 8))
        << "only the status bit changes on exit";
}

TEST_F(StandinUnderWine, StopAfterStopsTicksAndEventsButKeepsRunning) {
    StandinChild standin;
    BlockReader reader;
    ASSERT_TRUE(
        startAndOpen(standin, reader,
                     {L"--scenario", L"straight", L"--stop-after", L"0.5", L"--exit-after", L"6"}));
    ASSERT_TRUE(standin.waitForOut("stopped publishing after 30 ticks: --stop-after\n", 30s))
        << standin.out();
    EXPECT_TRUE(standin.running());
    reader.waitForData(0); // a signal left from the last tick
    EXPECT_FALSE(reader.waitForData(500));
    EXPECT_EQ(newestTick(reader), 29);
    EXPECT_EQ(status(reader), 1) << "a stopped simulator keeps its block as it was";

    EXPECT_EQ(standin.waitExit(30s), 0) << standin.err();
    EXPECT_EQ(status(reader), 0);
}

TEST_F(StandinUnderWine, SecondStandInPublishesIntoTheBlockAReaderStillHolds) {
    BlockReader reader;
    StandinChild first;
    ASSERT_TRUE(startAndOpen(first, reader, {L"--scenario", L"straight", L"--exit-after", L"2"}));
    const int32_t firstUpdate = reader.field(irsdk::kSessionInfoUpdate);
    ASSERT_EQ(first.waitExit(30s), 0) << first.err();
    ASSERT_EQ(status(reader), 0);

    StandinChild second;
    ASSERT_TRUE(second.start({L"--ibt", kIbt, L"--exit-after", L"3"}));
    ASSERT_TRUE(second.waitForOut("publishing ", 30s)) << second.err();
    EXPECT_EQ(status(reader), 1);
    EXPECT_EQ(reader.field(irsdk::kSessionInfoUpdate), firstUpdate + 1)
        << "the new session text must look changed to a reader that saw the old one";
    EXPECT_EQ(reader.sessionText(), text(ibt.sessionText()));
    int32_t tick = -1;
    std::vector<uint8_t> line;
    ASSERT_TRUE(waitFor([&] { return reader.readNewest(tick, line) && tick >= 1; }, 30s));
    const auto recorded = ibt.line(tick);
    EXPECT_TRUE(std::equal(line.begin(), line.end(), recorded.begin(), recorded.end()));
    EXPECT_EQ(second.waitExit(30s), 0) << second.err();
}

TEST_F(StandinUnderWine, RefusesAnExistingMappingTooSmallForItsLayout) {
    ScopedHandle small(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                          64 * 1024, irsdk::kMemMapName));
    ASSERT_TRUE(small);
    StandinChild standin;
    ASSERT_TRUE(standin.start({L"--scenario", L"straight"}));
    EXPECT_EQ(standin.waitExit(30s), 1);
    EXPECT_NE(standin.err().find("already exists with 65536 bytes, too small for this layout"),
              std::string::npos)
        << standin.err();
}

TEST_F(StandinUnderWine, ReportsBadInputOnStderrWithExitCode1) {
    const std::wstring truncated = tempFile(L"truncated");
    {
        std::ofstream out(std::filesystem::path(truncated), std::ios::binary);
        out.write(reinterpret_cast<const char*>(ibt.image().data()), 200'000);
    }
    const std::vector<std::pair<std::vector<std::wstring>, std::string>> cases = {
        {{L"--ibt", windowsPath(GRIPLINE_FIXTURES "/missing.ibt")}, "cannot open"},
        {{L"--ibt", truncated}, "truncated telemetry file: 390 lines declared"},
        {{L"--scenario", L"straight", L"--rate", L"fast"}, "--rate needs a whole number"},
        {{L"--scenario", L"monaco"}, "unknown scenario 'monaco'"},
    };
    for (const auto& [args, reason] : cases) {
        StandinChild standin;
        ASSERT_TRUE(standin.start(args));
        EXPECT_EQ(standin.waitExit(30s), 1) << reason;
        EXPECT_NE(standin.err().find(reason), std::string::npos) << standin.err();
        EXPECT_EQ(standin.out(), "") << "nothing published";
    }
}

} // namespace
} // namespace gripline::test
