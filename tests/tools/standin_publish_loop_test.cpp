// What the stand-in publishes when, run on virtual time.
#include "telemetry/ibt_file.h"
#include "telemetry/telemetry_layout.h"
#include "telemetry/telemetry_variables.h"
#include "tests/support/virtual_clock.h"
#include "tools/simulator_standin/log_lines.h"
#include "tools/simulator_standin/publish_loop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace gripline;
using namespace gripline::standin;

const std::filesystem::path kIbt =
    std::filesystem::path(GRIPLINE_FIXTURES) / "w13_spielberg_390ticks.ibt";
constexpr int64_t kTickNs = 16'666'666; // at 60 Hz, rounded down
constexpr int64_t kS = 1'000'000'000;

struct RecordingPort final : PublishPort {
    void signalData() override {
        if (++signals == stopAfterSignals)
            stop.store(true);
    }
    void noteTick(int32_t tick, int64_t signalNs) override {
        ticks.push_back(tick);
        times.push_back(signalNs);
    }
    void announce(std::string_view line) override { lines.emplace_back(line); }

    int signals = 0;
    int stopAfterSignals = -1;
    std::atomic<bool> stop{false};
    std::vector<int32_t> ticks;
    std::vector<int64_t> times;
    std::vector<std::string> lines;
};

struct StandinRun {
    explicit StandinRun(StandinOptions o) : options(std::move(o)) {
        std::string error;
        if (options.source == SourceKind::Ibt)
            EXPECT_TRUE(feed.loadIbt(options.sourcePath, error)) << error;
        else
            EXPECT_TRUE(feed.loadScenario(options.scenario, error)) << error;
        feed.prepare(block, !options.statusClear);
    }
    LoopEnd go() {
        const PublishSchedule schedule(scheduleSettings(options, feed.lineCount()));
        startNs = clock.now;
        return runPublishLoop(feed, schedule, block, clock, port, port.stop,
                              publishingLine(feed, options));
    }
    int32_t newestTick() const {
        int32_t newest = -1;
        for (int i = 0; i < 3; ++i)
            newest = std::max(newest, loadInt32(block, irsdk::kVarBuf + irsdk::kVarBufStride * i));
        return newest;
    }

    StandinOptions options;
    Feed feed;
    std::vector<uint8_t> block = std::vector<uint8_t>(kMinimumMappingSize);
    test::VirtualClock clock;
    RecordingPort port;
    int64_t startNs = 0;
};

StandinOptions replay() {
    StandinOptions o;
    o.source = SourceKind::Ibt;
    o.sourcePath = kIbt;
    return o;
}

TEST(StandinPublishLoop, ReplaysEveryLineOnceOnAnAbsoluteScheduleThenExits) {
    StandinRun run(replay());
    EXPECT_EQ(run.go(), LoopEnd::Finished);
    ASSERT_EQ(run.port.ticks.size(), 390u);
    for (int32_t i = 0; i < 390; ++i) {
        EXPECT_EQ(run.port.ticks[static_cast<size_t>(i)], i);
        // k × 10⁹ / 60 exactly: no drift after hundreds of ticks.
        EXPECT_EQ(run.port.times[static_cast<size_t>(i)] - run.startNs, int64_t{i} * kS / 60);
    }
    EXPECT_EQ(run.newestTick(), 389);
    // The last line is shown for its whole tick before the run ends.
    EXPECT_EQ(run.clock.now - run.startNs, int64_t{390} * kS / 60);
    ASSERT_EQ(run.port.lines.size(), 2u);
    EXPECT_EQ(run.port.lines[0], "publishing ibt w13_spielberg_390ticks.ibt: 390 lines at 60 Hz");
    EXPECT_EQ(run.port.lines[1], "stopped publishing after 390 ticks: end of the data");
}

TEST(StandinPublishLoop, LoopingCountsTicksOnAcrossPasses) {
    StandinOptions o = replay();
    o.loop = true;
    StandinRun run(o);
    run.port.stopAfterSignals = 1000;
    EXPECT_EQ(run.go(), LoopEnd::Stopped);
    ASSERT_EQ(run.port.ticks.size(), 1000u);
    for (size_t k = 0; k < 1000; ++k)
        ASSERT_EQ(run.port.ticks[k], static_cast<int32_t>(k));
    // Tick 999 is line 999 − 2 × 390 = 219 of the third pass.
    IbtFile ibt;
    std::string error;
    ASSERT_TRUE(ibt.load(kIbt, error));
    const auto recorded = ibt.line(219);
    const size_t at = static_cast<size_t>(loadInt32(
        run.block, irsdk::kVarBuf + irsdk::kVarBufStride * (999 % 3) + irsdk::kVarBufOffset));
    EXPECT_TRUE(std::equal(recorded.begin(), recorded.end(),
                           run.block.begin() + static_cast<ptrdiff_t>(at)));
    EXPECT_EQ(run.port.lines.back(), "stopped publishing after 1000 ticks: closing");
    EXPECT_EQ(run.port.lines.front(),
              "publishing ibt w13_spielberg_390ticks.ibt: 390 lines at 60 Hz, looping");
}

TEST(StandinPublishLoop, StopAfterStopsSignallingButKeepsRunningUntilExitAfter) {
    StandinOptions o;
    o.source = SourceKind::Scenario;
    o.scenario = "kerbs";
    o.stopAfterNs = 1 * kS;
    o.exitAfterNs = 3 * kS;
    StandinRun run(o);
    EXPECT_EQ(run.go(), LoopEnd::Finished);
    EXPECT_EQ(run.port.signals, 60);
    EXPECT_EQ(run.newestTick(), 59);
    EXPECT_EQ(run.clock.now - run.startNs, 3 * kS);
    EXPECT_EQ(run.port.lines.back(), "stopped publishing after 60 ticks: --stop-after");
    // The block stays as it was: status bit still set.
    EXPECT_EQ(loadInt32(run.block, irsdk::kStatus), irsdk::kStatusConnected);
}

TEST(StandinPublishLoop, StopAfterAloneNeverEndsTheRun) {
    StandinOptions o = replay();
    o.stopAfterNs = 2 * kS;
    const PublishSchedule schedule(scheduleSettings(o, 390));
    EXPECT_EQ(schedule.at(119).kind, StepKind::Publish);
    EXPECT_EQ(schedule.at(120).kind, StepKind::Idle);
    EXPECT_EQ(schedule.at(390).kind, StepKind::Idle);
    EXPECT_EQ(schedule.at(1'000'000).kind, StepKind::Idle);
}

TEST(StandinPublishLoop, EndOfDataWaitsForExitAfterWhenGiven) {
    StandinOptions o = replay();
    o.exitAfterNs = 10 * kS;
    StandinRun run(o);
    EXPECT_EQ(run.go(), LoopEnd::Finished);
    EXPECT_EQ(run.port.signals, 390);
    EXPECT_EQ(run.clock.now - run.startNs, 10 * kS);
    EXPECT_EQ(run.port.lines.back(), "stopped publishing after 390 ticks: end of the data");
}

TEST(StandinPublishLoop, AnImageIsSignalledWithoutEnd) {
    const PublishSchedule schedule(ScheduleSettings{0, false, 60, {}, {}});
    for (int64_t k : {0, 1, 10'000'000}) {
        const Step step = schedule.at(k);
        EXPECT_EQ(step.kind, StepKind::Publish);
        EXPECT_EQ(step.lineIndex, -1);
    }
}

TEST(StandinPublishLoop, RateSetsTheSpacingExactly) {
    const PublishSchedule fast(ScheduleSettings{600, true, 120, {}, {}});
    EXPECT_EQ(fast.deadlineNs(1), 8'333'333);
    EXPECT_EQ(fast.deadlineNs(120), kS);
    const PublishSchedule normal(ScheduleSettings{600, true, 60, {}, {}});
    EXPECT_EQ(normal.deadlineNs(1), kTickNs);
    EXPECT_EQ(normal.deadlineNs(6'000'000), 100'000 * kS); // a day and more, no drift
    EXPECT_EQ(normal.at(600).lineIndex, 0);
    EXPECT_EQ(normal.at(601).tick, 601);
}

TEST(StandinPublishLoop, StatusClearIsAnnouncedAndKept) {
    StandinOptions o = replay();
    o.statusClear = true;
    o.exitAfterNs = kS / 2;
    StandinRun run(o);
    run.go();
    EXPECT_EQ(loadInt32(run.block, irsdk::kStatus), 0);
    EXPECT_EQ(run.port.lines.front(),
              "publishing ibt w13_spielberg_390ticks.ibt: 390 lines at 60 Hz, status bit clear");
    EXPECT_EQ(run.port.lines.back(), "stopped publishing after 30 ticks: --exit-after");
}

TEST(StandinLogLines, AreDecimalNumbersOnePerLine) {
    EXPECT_EQ(broadcastLogLine(11, 655'360'000), "wparam=11 lparam=655360000\n");
    EXPECT_EQ(broadcastLogLine(0x1000B, -65'536), "wparam=65547 lparam=-65536\n");
    TimingLine buffer;
    EXPECT_EQ(timingLogLine(buffer, 2'147'483'647, 9'223'372'036'854'775'807),
              "2147483647 9223372036854775807\n");
    EXPECT_EQ(timingLogLine(buffer, 0, 16'666'666), "0 16666666\n");
}

} // namespace
