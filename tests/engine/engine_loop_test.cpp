#include "engine/engine_loop.h"

#include "engine/ffb_engine.h"
#include "tests/engine/engine_test_support.h"
#include "tests/support/simulated_block.h"
#include "tests/support/virtual_clock.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>
#include <span>
#include <string>

namespace gripline {
namespace {

using namespace gripline::test;

class EngineLoopTest : public ::testing::Test {
  protected:
    EngineLoopTest() {
        ports.telemetry = &sim.source;
        ports.clock = &clock;
        ports.wheel = &wheel;
        ports.handOff = &handOff;
        ports.observer = &observer;
    }

    EngineLoop& loop() {
        if (!loop_) {
            loop_ = std::make_unique<EngineLoop>(engine, ports);
            loop_->begin();
        }
        return *loop_;
    }

    // Publishes one tick and runs one pass over it.
    void tick(int32_t tickCount, const TickValues& values = {}) {
        sim.publish(tickCount, values);
        loop().pass();
    }

    void setMode(int32_t mode) {
        FfbSettings settings;
        settings.Mode = mode;
        engine.storeSettings(settings);
    }

    SimulatedBlock sim;
    VirtualClock clock;
    RecordingWheel wheel;
    RecordingHandOff handOff;
    RecordingObserver observer;
    FfbEngine engine;
    EnginePorts ports;
    std::unique_ptr<EngineLoop> loop_;
};

TEST_F(EngineLoopTest, RetriesEvery500msUntilTheSimulatorAppears) {
    sim.source.present = false;
    loop().pass();
    loop().pass();
    EXPECT_FALSE(loop().attached());
    EXPECT_EQ(clock.sleeps, (std::vector<int64_t>{500'000'000, 500'000'000}));
    EXPECT_FALSE(engine.readStatus().Connected);
    EXPECT_EQ(engine.readStatus().CarName, L"generic");

    sim.source.present = true;
    tick(1);
    EXPECT_TRUE(loop().attached());
    EXPECT_TRUE(engine.readStatus().Connected);
    EXPECT_TRUE(engine.readStatus().OnTrack);
}

TEST_F(EngineLoopTest, ConnectionHandsOffOnceAndOpensTheWheelOnce) {
    tick(1);
    tick(2);
    tick(3);
    EXPECT_EQ(handOff.starts, 1);
    EXPECT_EQ(wheel.opens, 1);
    EXPECT_TRUE(wheel.outputEnabled.load());
    EXPECT_EQ(observer.ticks, (std::vector<int32_t>{1, 2, 3}));
}

TEST_F(EngineLoopTest, StatusBitClearNeverOpensTheWheelButTicksAreStillRead) {
    sim.setConnected(false);
    tick(1, {.onTrack = true});
    tick(2, {.onTrack = true});
    EXPECT_EQ(wheel.opens, 0);
    EXPECT_EQ(handOff.starts, 0);
    EXPECT_EQ(observer.ticks.size(), 2u);
    const EngineStatus status = engine.readStatus();
    EXPECT_FALSE(status.Connected);
    EXPECT_TRUE(status.OnTrack);
    EXPECT_EQ(status.OnTrackChanges, 0u) << "changes count only while connected";
}

// A simulator started anew into the block the engine still holds may lay
// its variables out differently: once it is connected again, the engine
// reads them where they now are.
TEST_F(EngineLoopTest, ANewSimulatorsVariableTableIsReadOnReconnection) {
    tick(1);
    ASSERT_TRUE(engine.readStatus().OnTrack);
    TelemetryImage::setConnected(sim.block(), false);
    loop().pass();
    EXPECT_FALSE(engine.readStatus().Connected);

    std::vector<TelemetryVarSpec> reversed = standardTelemetryVars();
    std::reverse(reversed.begin(), reversed.end());
    SimulatedBlock other(reversed);
    ASSERT_EQ(other.block().size(), sim.block().size());
    other.publish(2);
    std::copy(other.block().begin(), other.block().end(), sim.block().begin());
    loop().pass();
    EXPECT_TRUE(engine.readStatus().Connected);
    EXPECT_TRUE(engine.readStatus().OnTrack);
    EXPECT_EQ(observer.ticks.back(), 2);
}

TEST_F(EngineLoopTest, WheelThatWillNotOpenIsRetriedAfter500ms) {
    wheel.failOpens = 2;
    tick(1);
    EXPECT_FALSE(loop().deviceOpen());
    EXPECT_TRUE(observer.ticks.empty()) << "no tick is read while the wheel is closed";
    EXPECT_EQ(clock.sleeps.back(), 500'000'000);
    loop().pass();
    loop().pass();
    EXPECT_TRUE(loop().deviceOpen());
    EXPECT_EQ(wheel.opens, 3);
    EXPECT_EQ(handOff.starts, 1);
}

// A wheel its output stage gave up mid-drive (unplugged): closed at once,
// the ticks read and published as before with no force sent, opened again
// every 500 ms without holding up a tick, and enabled anew once back. Each
// step is published once.
TEST_F(EngineLoopTest, AWheelGoneMidDriveIsReopenedWhileTheTicksGoOn) {
    tick(1);
    ASSERT_TRUE(wheel.outputEnabled.load());
    wheel.wheelGone.store(true);
    wheel.failOpens = 1000;
    int32_t t = 2;
    tick(t++);
    EXPECT_EQ(wheel.closes, 1);
    EXPECT_FALSE(loop().deviceOpen());
    EXPECT_EQ(engine.readStatus().WheelLostCount, 1u);
    const size_t sentBefore = observer.samples.size();
    const int64_t lostAt = clock.now;
    clock.sleeps.clear();
    for (; clock.now < lostAt + 1750 * kNsPerMs; clock.now += 16'666'667)
        tick(t++);
    EXPECT_EQ(observer.ticks.size(), static_cast<size_t>(t - 1)) << "every tick read while away";
    EXPECT_TRUE(engine.readStatus().Connected);
    EXPECT_TRUE(engine.readStatus().OnTrack);
    EXPECT_EQ(wheel.opens, 1 + 3) << "tried every 500 ms, no more";
    EXPECT_TRUE(std::none_of(clock.sleeps.begin(), clock.sleeps.end(),
                             [](int64_t ns) { return ns >= 500'000'000; }))
        << "no retry pause";
    for (int32_t m : magnitudesFrom(observer.samples, sentBefore))
        EXPECT_EQ(m, 0) << "nothing for a wheel that is away";

    wheel.failOpens = 0;
    wheel.wheelGone.store(false); // a new stage, as open() leaves it
    for (const int64_t until = clock.now + 600 * kNsPerMs; clock.now < until; clock.now += 16'666'667)
        tick(t++);
    EXPECT_TRUE(loop().deviceOpen());
    EXPECT_TRUE(wheel.outputEnabled.load());
    EXPECT_EQ(engine.readStatus().WheelLostCount, 1u);
    EXPECT_EQ(engine.readStatus().WheelBackCount, 1u);
}

TEST_F(EngineLoopTest, SameTickIsReadButNotProcessedAgain) {
    tick(7);
    loop().pass();
    loop().pass();
    EXPECT_EQ(observer.ticks, (std::vector<int32_t>{7}));
    EXPECT_EQ(observer.samples.size(), 6u);
}

TEST_F(EngineLoopTest, LeavingTheTrackPublishesOneReportOfTheStint) {
    tick(1, {.onTrack = false});
    EXPECT_EQ(engine.readStatus().OutputReportCount, 0u) << "no stint, no report";

    tick(2);
    tick(3);
    EXPECT_EQ(engine.readStatus().OnTrackChanges, 1u);
    tick(4, {.onTrack = false});
    tick(5, {.onTrack = false});

    const EngineStatus status = engine.readStatus();
    EXPECT_EQ(status.OutputReportCount, 1u);
    EXPECT_EQ(status.ClipReportCount, 1u);
    EXPECT_EQ(status.ReportSamples, 12u) << "two ticks of six samples";
    EXPECT_EQ(status.OnTrackChanges, 2u);
    EXPECT_FALSE(status.OnTrack);
    EXPECT_FALSE(wheel.outputEnabled.load());
    EXPECT_EQ(wheel.requestedForce.load(), 0);
}

TEST_F(EngineLoopTest, TelemetryModeSpacesSixSamples2760usApart) {
    setMode(0);
    tick(1);
    ASSERT_EQ(observer.samples.size(), 6u);
    const int64_t start = observer.tickStarts[0];
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(observer.samples[i].index, i);
        EXPECT_EQ(observer.samples[i].sentNs - start, i * 2'760'000) << "sample " << i;
    }
    // Each later sample is waited for by its own deadline, never by a
    // fixed sleep that could drift past it.
    EXPECT_EQ(clock.waits, (std::vector<int64_t>{start + 2'760'000, start + 5'520'000,
                                                 start + 8'280'000, start + 11'040'000,
                                                 start + 13'800'000}));
}

TEST_F(EngineLoopTest, InterpolatedModeSendsTwelveSamples1380usApart) {
    setMode(1);
    tick(1);
    ASSERT_EQ(observer.samples.size(), 12u);
    const int64_t start = observer.tickStarts[0];
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(observer.samples[i].sentNs - start, i * 1'380'000) << "sample " << i;
}

TEST(EngineLoopSchedule, OneSubSampleGivesOneSampleInEitherMode) {
    for (int32_t mode : {0, 1}) {
        SimulatedBlock sim({{"IsOnTrack", 1, 1}, {"SteeringWheelTorque", 4, 1}});
        VirtualClock clock;
        RecordingWheel wheel;
        RecordingObserver observer;
        FfbEngine engine;
        FfbSettings settings;
        settings.Mode = mode;
        engine.storeSettings(settings);
        EnginePorts ports{.telemetry = &sim.source, .clock = &clock, .wheel = &wheel,
                          .observer = &observer};
        EngineLoop loop(engine, ports);
        loop.begin();
        sim.publish(1);
        loop.pass();
        ASSERT_EQ(observer.samples.size(), 1u) << "mode " << mode;
        EXPECT_EQ(observer.samples[0].sentNs, observer.tickStarts[0]);
    }
}

TEST_F(EngineLoopTest, StopDuringATickSkipsToTheLastSample) {
    setMode(0);
    observer.afterSample = [&](int index) {
        if (index == 1)
            engine.requestStop();
    };
    tick(1);
    ASSERT_EQ(observer.samples.size(), 3u);
    EXPECT_EQ(observer.samples[2].index, 5);
    EXPECT_EQ(observer.samples[2].sentNs, observer.samples[1].sentNs)
        << "in the telemetry mode the last sample goes out at once";
}

TEST_F(EngineLoopTest, StopInInterpolatedModeSendsTheLastSampleOnSchedule) {
    setMode(1);
    observer.afterSample = [&](int index) {
        if (index == 0)
            engine.requestStop();
    };
    tick(1);
    ASSERT_EQ(observer.samples.size(), 2u);
    EXPECT_EQ(observer.samples[1].index, 11);
    EXPECT_EQ(observer.samples[1].sentNs - observer.tickStarts[0], 11 * 1'380'000);
}

TEST_F(EngineLoopTest, FailedWaitMeansTheSimulatorHasGone) {
    tick(1);
    sim.source.nextWait = TelemetrySource::Wait::Failed;
    loop().pass();
    EXPECT_FALSE(loop().attached());
    EXPECT_EQ(handOff.ends, 1);
    EXPECT_EQ(wheel.closes, 1);
    EXPECT_FALSE(wheel.outputEnabled.load());
    EXPECT_TRUE(loop().wasOnTrack()) << "the stint is reported when it really ends";

    sim.source.nextWait = TelemetrySource::Wait::Signalled;
    tick(2);
    EXPECT_TRUE(loop().attached());
    EXPECT_EQ(handOff.starts, 2);
    EXPECT_EQ(wheel.opens, 2);
    EXPECT_EQ(sim.source.attachCount, 2);
}

TEST_F(EngineLoopTest, TimeOutStillRefreshesTheStatus) {
    tick(1);
    sim.setConnected(false); // the simulator shut down cleanly
    sim.source.nextWait = TelemetrySource::Wait::TimedOut;
    loop().pass();
    EXPECT_FALSE(engine.readStatus().Connected);
    EXPECT_TRUE(loop().attached());
}

TEST_F(EngineLoopTest, ThreadEndZeroesOutputsClosesTheWheelAndEndsTheHandOff) {
    tick(1);
    wheel.requestedForce.store(1234);
    loop().end();
    EXPECT_EQ(wheel.requestedForce.load(), 0);
    EXPECT_FALSE(wheel.outputEnabled.load());
    EXPECT_EQ(wheel.closes, 1);
    EXPECT_EQ(handOff.ends, 1);
    EXPECT_FALSE(loop().attached());
    const EngineStatus status = engine.readStatus();
    EXPECT_FALSE(status.Connected);
    EXPECT_EQ(status.OutputReportCount, 1u);
    EXPECT_EQ(status.CarName, L"generic");
    EXPECT_EQ(status.DriverName, L"unknown");
    EXPECT_FALSE(engine.running());
}

TEST_F(EngineLoopTest, OutputErrorsReachTheStatus) {
    tick(1);
    wheel.lastError.store(static_cast<int32_t>(0x8007001E));
    wheel.errorCount.store(1);
    tick(2);
    EXPECT_EQ(engine.readStatus().OutputErrorCount, 1u);
    EXPECT_EQ(engine.readStatus().OutputLastError, static_cast<int32_t>(0x8007001E));
}

TEST(EngineLoopErrors, ANewRunDoesNotReportTheLastRunsErrorsAgain) {
    SimulatedBlock sim;
    sim.setConnected(false);
    VirtualClock clock;
    RecordingWheel wheel; // kept by the program from run to run
    wheel.errorCount.store(3);
    wheel.lastError.store(static_cast<int32_t>(0x8007001E));
    FfbEngine engine;
    EngineLoop loop(engine, {.telemetry = &sim.source, .clock = &clock, .wheel = &wheel});
    loop.begin();
    loop.pass();
    EXPECT_EQ(engine.readStatus().OutputErrorCount, 0u);
    EXPECT_EQ(engine.readStatus().OutputLastError, 0);

    wheel.lastError.store(static_cast<int32_t>(0x8007000C));
    wheel.errorCount.store(1);
    loop.pass();
    EXPECT_EQ(engine.readStatus().OutputErrorCount, 1u) << "this run's errors still count";
    EXPECT_EQ(engine.readStatus().OutputLastError, static_cast<int32_t>(0x8007000C));

    // The wheel reopened (its count back at 0), then failing once more: a new
    // error for the window, not the count it has already logged.
    wheel.errorCount.store(0);
    loop.pass();
    EXPECT_EQ(engine.readStatus().OutputErrorCount, 1u) << "a reopened wheel is no error";
    wheel.lastError.store(static_cast<int32_t>(0x80040205));
    wheel.errorCount.store(1);
    loop.pass();
    EXPECT_EQ(engine.readStatus().OutputErrorCount, 2u);
    EXPECT_EQ(engine.readStatus().OutputLastError, static_cast<int32_t>(0x80040205));
}

class FixedScanner final : public SessionScanner {
  public:
    bool scan(std::span<const uint8_t> text, SessionIdentity& identity) override {
        ++scans;
        if (std::string(text.begin(), text.end()).find("CarPath") == std::string::npos)
            return false;
        identity.CarPath = L"mx5 mx52016";
        identity.DriverName = L"Test Driver";
        identity.DriverUserId = 42;
        return true;
    }
    int scans = 0;
};

TEST_F(EngineLoopTest, SessionTextIsScannedOnlyWhenTheSimulatorChangesIt) {
    FixedScanner scanner;
    ports.scanner = &scanner;
    sim.setSessionText("CarPath: mx5 mx52016\n");
    tick(1);
    tick(2);
    EXPECT_EQ(scanner.scans, 1);
    EXPECT_EQ(engine.readStatus().CarName, L"mx5 mx52016");
    EXPECT_EQ(engine.readStatus().DriverUserId, 42);

    sim.setSessionText("nothing useful\n");
    tick(3);
    tick(4);
    EXPECT_EQ(scanner.scans, 2) << "a failing text is not scanned again until it changes";
    EXPECT_EQ(engine.readStatus().CarName, L"generic");
    EXPECT_EQ(engine.readStatus().DriverName, L"unknown");
}

TEST(FfbEngine, ThreadStartsFollowsTheSimulatorAndStopsOnRequest) {
    SimulatedBlock sim;
    sim.publish(1);
    RecordingWheel wheel;
    FfbEngine engine;
    EnginePorts ports{.telemetry = &sim.source, .clock = &steadyClock(), .wheel = &wheel};
    engine.start(ports);
    for (int i = 0; i < 500 && !engine.readStatus().OnTrack; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(engine.running());
    EXPECT_TRUE(engine.readStatus().Connected);
    engine.stop();
    EXPECT_FALSE(engine.running());
    EXPECT_FALSE(engine.readStatus().Connected);
    EXPECT_EQ(wheel.closes, 1);
}

TEST(FfbEngine, ANewRunCountsFromZeroButTheClipReportCountRunsOn) {
    FfbEngine engine;
    engine.publishStatus(true, true);
    engine.publishOutputErrors(3, -1);
    engine.publishOutputReport();
    engine.publishClipReport();
    SimulatedBlock sim;
    sim.setConnected(false);
    RecordingWheel wheel;
    engine.start({.telemetry = &sim.source, .clock = &steadyClock(), .wheel = &wheel});
    const EngineStatus status = engine.readStatus();
    engine.stop();
    EXPECT_EQ(status.OnTrackChanges, 0u);
    EXPECT_EQ(status.OutputReportCount, 0u);
    EXPECT_EQ(status.OutputErrorCount, 0u);
    EXPECT_EQ(status.OutputLastError, 0);
    EXPECT_EQ(status.ClipReportCount, 1u) << "the window keeps its own mark of it";
}

} // namespace
} // namespace gripline

namespace gripline {
namespace {

using namespace gripline::test;

// A source whose waits take their whole time-out: the simulator went quiet.
class QuietSource final : public BufferTelemetrySource {
  public:
    explicit QuietSource(VirtualClock& clock) : clock_(clock) {}
    Wait waitForData(int timeoutMs) override {
        if (quiet) {
            waits.push_back(timeoutMs);
            clock_.now += timeoutMs * kNsPerMs;
            return Wait::TimedOut;
        }
        return BufferTelemetrySource::waitForData(timeoutMs);
    }
    bool quiet = false;
    std::vector<int> waits;

  private:
    VirtualClock& clock_;
};

TEST(EngineLoopStaleTicks, ForceComesOff250msAfterTheLastTickAndReturnsWithTheNext) {
    VirtualClock clock;
    QuietSource source(clock);
    SimulatedBlock sim;
    source.bytes() = sim.source.bytes();
    RecordingWheel wheel;
    FfbEngine engine;
    EnginePorts ports{.telemetry = &source, .clock = &clock, .wheel = &wheel};
    EngineLoop loop(engine, ports);
    loop.begin();
    TelemetryImage& image = sim.image;
    auto tick = [&](int32_t t) {
        std::vector<uint8_t> line = image.newLine();
        image.setBool(line, "IsOnTrack", true);
        image.publishLine(source.bytes(), line, t);
        loop.pass();
    };
    tick(1);
    ASSERT_TRUE(wheel.outputEnabled.load());
    const int64_t lastTick = clock.now; // the samples of tick 1 are sent by now

    source.quiet = true;
    while (wheel.outputEnabled.load() && clock.now < lastTick + 1000 * kNsPerMs)
        loop.pass();
    EXPECT_FALSE(wheel.outputEnabled.load());
    EXPECT_EQ(wheel.requestedForce.load(), 0);
    EXPECT_LE(clock.now - lastTick, 250 * kNsPerMs) << "off within 250 ms of the last tick";
    // Tick 1 delivered its last sample 13.8 ms after it began; the third wait
    // ends when that tick turns stale.
    EXPECT_EQ(source.waits, (std::vector<int>{100, 100, 37}));
    EXPECT_TRUE(loop.wasOnTrack()) << "the stint goes on";
    EXPECT_EQ(engine.readStatus().OutputReportCount, 0u);

    source.quiet = false;
    tick(2);
    EXPECT_TRUE(wheel.outputEnabled.load()) << "the next tick enables output again";
}

} // namespace
} // namespace gripline
