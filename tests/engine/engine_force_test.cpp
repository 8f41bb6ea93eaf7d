// The engine loop running the force model: telemetry lines in a simulated
// block, virtual time, and what reaches the wheel's four words.
#include "engine/engine_loop.h"

#include "engine/engine_hand_over.h"
#include "engine/ffb_engine.h"
#include "engine/wheel_magnitude.h"
#include "telemetry/session_scanner.h"
#include "tests/engine/engine_test_support.h"
#include "tests/support/simulated_block.h"
#include "tests/support/virtual_clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace gripline {
namespace {

using namespace gripline::test;

class RecordsAndSamples final : public EngineObserver {
  public:
    void onNewTick(const TelemetrySnapshot& s, int64_t tickStartNs) override {
        snapshots.push_back(s);
        tickStarts.push_back(tickStartNs);
    }
    void onSample(int index, int64_t sentNs, int32_t magnitude) override {
        samples.push_back({index, sentNs, magnitude});
        if (afterSample)
            afterSample(index);
    }
    void onTickRecord(const TickRecord& r) override { records.push_back(r); }

    std::vector<TelemetrySnapshot> snapshots;
    std::vector<int64_t> tickStarts;
    std::vector<SentSample> samples;
    std::vector<TickRecord> records;
    std::function<void(int)> afterSample;
};

struct Line {
    bool onTrack = true;
    float speedMps = 30.0f;
    float torqueNm[6] = {2, 3, 4, 5, 6, 7};
    float steeringRad = 0.2f;
    float lockToLockRad = 7.33f;
    float yawRateRadps = 0;
    float latAccelMps2 = 0;
    bool abs = false;
    bool replay = false;
    bool declaredWet = false;
    int32_t wetness = 0;
};

class EngineForceTest : public ::testing::Test {
  protected:
    EngineForceTest() {
        ports.telemetry = &sim.source;
        ports.clock = &clock;
        ports.wheel = &wheel;
        ports.observer = &observer;
    }

    void settle(const std::function<void(FfbSettings&)>& change) {
        FfbSettings s = engine.copySettings();
        change(s);
        engine.storeSettings(s);
    }

    void tick(int32_t tickCount, const Line& v = {}) {
        if (!loop_) {
            loop_ = std::make_unique<EngineLoop>(engine, ports);
            loop_->begin();
        }
        const TelemetryImage& image = sim.image;
        std::vector<uint8_t> line = image.newLine();
        image.setBool(line, "IsOnTrack", v.onTrack);
        image.setFloat(line, "Speed", v.speedMps);
        image.setFloat(line, "VelocityX", v.speedMps);
        image.setFloat(line, "SteeringWheelTorque", v.torqueNm[5]);
        image.setArray(line, "SteeringWheelTorque_ST", v.torqueNm);
        image.setFloat(line, "SteeringWheelAngle", v.steeringRad);
        image.setFloat(line, "SteeringWheelAngleMax", v.lockToLockRad);
        image.setFloat(line, "YawRate", v.yawRateRadps);
        image.setFloat(line, "LatAccel", v.latAccelMps2);
        image.setBool(line, "BrakeABSactive", v.abs);
        image.setBool(line, "IsReplayPlaying", v.replay);
        image.setBool(line, "WeatherDeclaredWet", v.declaredWet);
        std::memcpy(line.data() + image.offsetOf("TrackWetness"), &v.wetness, sizeof v.wetness);
        clock.now = nextTickNs_; // the tick's samples end 16.56 ms after it
        nextTickNs_ += 16'666'667;
        sim.image.publishLine(sim.block(), line, tickCount);
        loop_->pass();
    }

    SimulatedBlock sim;
    VirtualClock clock;
    RecordingWheel wheel;
    RecordsAndSamples observer;
    FfbEngine engine;
    EnginePorts ports;
    std::unique_ptr<EngineLoop> loop_;
    int64_t nextTickNs_ = 1'000'000'000;
};

// The same telemetry through a model of the test's own, tick after tick:
// the engine hands the model the right previous tick, resets nothing inside
// a stint and sends every value computed.
TEST_F(EngineForceTest, EngineSendsTheModelsSamplesTickAfterTick) {
    ForceModel model;
    CarCoefficients car;
    car.YawRateMultiplier = 44.0f;
    car.LateralAccelDivisor = 110.0f;
    car.ResistanceGain = 1.0f;
    TelemetrySnapshot previous;
    int64_t hold = 0;
    StintAccumulators acc;

    for (int32_t mode : {0, 1}) {
        settle([&](FfbSettings& s) {
            s.Mode = mode;
            s.UseCarSpecificSettings = 0;
            s.AbsVibration = 60;
        });
        const size_t firstTick = observer.snapshots.size();
        const size_t firstSample = observer.samples.size();
        for (int32_t t = 0; t < 8; ++t) {
            Line v;
            for (int i = 0; i < 6; ++i)
                v.torqueNm[i] = static_cast<float>((t * 7 + i * 3) % 11) - 5.0f;
            v.steeringRad = 0.3f + 0.1f * static_cast<float>(t);
            v.abs = t % 3 != 0;
            tick(100 * (mode + 1) + t, v);
        }

        const FfbSettings settings = engine.copySettings();
        std::vector<int32_t> expected;
        for (size_t t = firstTick; t < observer.snapshots.size(); ++t) {
            const TickPlan plan = model.computeTick(observer.snapshots[t], previous, settings, car,
                                                    observer.tickStarts[t], hold);
            for (int j = 0; j < plan.samples.count; ++j)
                expected.push_back(model.publishSample(j, acc));
            model.finishTick();
            previous = observer.snapshots[t];
        }
        EXPECT_EQ(magnitudesFrom(observer.samples, firstSample), expected) << "mode " << mode;
        EXPECT_EQ(expected.size(), mode == 1 ? 96u : 48u);
        EXPECT_EQ(wheel.requestedForce.load(), expected.back());
    }
    EXPECT_EQ(engine.accumulators.OutSamples, 48u + 96u) << "one stint";
    EXPECT_EQ(engine.accumulators.OutPeak, acc.OutPeak);
    EXPECT_EQ(engine.accumulators.OutNonZero, acc.OutNonZero);
    EXPECT_EQ(observer.records.size(), 16u) << "one record per tick";
    EXPECT_EQ(observer.records.back().TickCount, 207);
}

TEST_F(EngineForceTest, PastTheLockOneUncountedMagnitudeEndsTheTick) {
    settle([](FfbSettings& s) { s.Damping = 30; });
    tick(1);
    const uint32_t before = engine.accumulators.OutSamples;
    Line past;
    past.steeringRad = -(7.33f * 0.5f + 0.3f);
    past.torqueNm[5] = 0;
    tick(2, past);
    ASSERT_EQ(observer.samples.size(), 6u + 1u);
    EXPECT_EQ(observer.samples.back().index, 0);
    EXPECT_EQ(observer.samples.back().magnitude, 9996);
    EXPECT_EQ(wheel.requestedForce.load(), 9996);
    EXPECT_TRUE(wheel.endStopActive.load());
    EXPECT_EQ(wheel.dampingPercent.load(), 30);
    EXPECT_EQ(engine.accumulators.OutSamples, before);
    EXPECT_EQ(observer.records.size(), 1u) << "an end-stop tick is not recorded";

    tick(3);
    EXPECT_FALSE(wheel.endStopActive.load());
    EXPECT_EQ(observer.samples.size(), 6u + 1u + 6u);
}

TEST_F(EngineForceTest, LeavingTheTrackForgetsTheLastTick) {
    settle([](FfbSettings& s) {
        s.Mode = 1;
        s.UndersteerResistance = 0;
    });
    Line v;
    std::fill(std::begin(v.torqueNm), std::end(v.torqueNm), 8.0f); // 2000 units
    tick(1, v);
    EXPECT_EQ(observer.samples[0].magnitude, 1000) << "a stint starts from half";
    tick(2, v);
    EXPECT_EQ(observer.samples[12].magnitude, 2000);
    Line off = v;
    off.onTrack = false;
    tick(3, off);
    tick(4, v);
    EXPECT_EQ(observer.samples[24].magnitude, 1000);

    sim.source.nextWait = TelemetrySource::Wait::Failed; // the simulator goes away
    loop_->pass();
    sim.source.nextWait = TelemetrySource::Wait::Signalled;
    tick(5, v);
    EXPECT_EQ(observer.samples[36].magnitude, 1000);
}

TEST_F(EngineForceTest, StopSkipsSamplesUncounted) {
    settle([](FfbSettings& s) { s.Mode = 1; });
    observer.afterSample = [&](int index) {
        if (index == 3)
            engine.requestStop();
    };
    tick(1);
    ASSERT_EQ(observer.samples.size(), 5u);
    EXPECT_EQ(observer.samples.back().index, 11);
    EXPECT_EQ(engine.accumulators.OutSamples, 5u);
}

// With yaw 0.2 rad/s at 20 m/s and 11 m/s² lateral, the fixed set (44, 110)
// explains 0.54 rad of steering, the general set (40, 90) 0.5222 rad.
TEST_F(EngineForceTest, CoefficientsFollowTheCarSettingsFlagOrAFixedSet) {
    Line v;
    v.speedMps = 20.0f;
    v.yawRateRadps = 0.2f;
    v.latAccelMps2 = 11.0f;
    v.steeringRad = 1.0f;
    settle([](FfbSettings& s) { s.UseCarSpecificSettings = 0; });
    tick(1, v);
    EXPECT_NEAR(observer.records.back().UndersteerMargin, 1.0f - 0.54f - 0.175f, 1e-5f);
    settle([](FfbSettings& s) { s.UseCarSpecificSettings = 1; });
    tick(2, v);
    EXPECT_NEAR(observer.records.back().UndersteerMargin, 1.0f - (0.4f + 11.0f / 90.0f) - 0.175f,
                1e-5f);

    CarCoefficients fixed;
    fixed.YawRateMultiplier = 44.0f;
    fixed.LateralAccelDivisor = 110.0f;
    fixed.SteerMarginBias = 0.1f;
    ports.fixedCoefficients = &fixed;
    loop_.reset();
    tick(3, v);
    EXPECT_NEAR(observer.records.back().UndersteerMargin, 1.0f - 0.54f - 0.175f + 0.1f, 1e-5f);
}

// The car in the session text picks the user's own coefficients for it once
// the window has handed the list over; a tick later than the hand-over at most.
TEST_F(EngineForceTest, TheSessionsCarGetsTheCoefficientsHandedOver) {
    TextSessionScanner scanner;
    ports.scanner = &scanner;
    sim.setSessionText("DriverCarIdx: 0\nDrivers:\n- CarIdx: 0\n  CarPath: Skippy Car\n");
    Line v;
    v.speedMps = 20.0f;
    v.yawRateRadps = 0.2f;
    v.latAccelMps2 = 11.0f;
    v.steeringRad = 1.0f;
    settle([](FfbSettings& s) { s.UseCarSpecificSettings = 1; });
    tick(1, v);
    EXPECT_NEAR(observer.records.back().UndersteerMargin, 1.0f - (0.4f + 11.0f / 90.0f) - 0.175f,
                1e-5f) << "an unknown car: the general set";

    CustomCarList custom;
    CarCoefficientEntry mine{L"skippy car", {}};
    mine.Values.YawRateMultiplier = 50.0f;
    mine.Values.LateralAccelDivisor = 100.0f;
    ASSERT_TRUE(storeCoefficients(custom, mine));
    EngineHandOver(engine).storeCustomCars(custom);
    tick(2, v);
    EXPECT_NEAR(observer.records.back().UndersteerMargin, 1.0f - (0.5f + 0.11f) - 0.175f, 1e-5f);
}

// The driver's force switch: off fades every sample out within 50 ms and
// then switches the wheel's output off, while the ticks are still recorded
// and the meter follows what was sent; on again enables the output, whose
// stage then starts from rest.
TEST_F(EngineForceTest, ForceOffFadesOutAndSwitchesOffWhileTheEngineRunsOn) {
    Line v;
    std::fill(std::begin(v.torqueNm), std::end(v.torqueNm), 8.0f);
    for (int32_t t = 1; t <= 4; ++t)
        tick(t, v);
    ASSERT_TRUE(wheel.outputEnabled.load());
    EXPECT_GT(engine.readStatus().MeterPeak, 1000) << "the meter shows what was sent";
    EXPECT_FALSE(engine.readStatus().MeterClipping);
    settle([](FfbSettings& s) { s.ForceStrength = 1000; }); // full scale at 2 N·m
    tick(5, v);
    tick(6, v);
    EXPECT_EQ(engine.readStatus().MeterPeak, 9996);
    EXPECT_TRUE(engine.readStatus().MeterClipping);

    engine.setForceOff(true);
    const int64_t offAt = nextTickNs_;
    const size_t firstOff = observer.samples.size();
    const uint32_t quiesced = wheel.quiesceCount.load();
    const size_t records = observer.records.size();
    for (int32_t t = 7; t <= 72; ++t)
        tick(t, v);
    for (size_t i = firstOff; i < observer.samples.size(); ++i) {
        const SentSample& s = observer.samples[i];
        if (s.sentNs - offAt >= ForceGate::kFadeNs)
            ASSERT_EQ(s.magnitude, 0) << "sample " << i;
        else
            EXPECT_LE(s.magnitude, observer.samples[firstOff - 1].magnitude);
    }
    EXPECT_FALSE(wheel.outputEnabled.load());
    EXPECT_EQ(wheel.quiesceCount.load(), quiesced + 1) << "switched off once";
    EXPECT_EQ(observer.records.size(), records + 66) << "every tick still recorded";
    EXPECT_EQ(engine.readStatus().MeterPeak, 0);

    EXPECT_FALSE(engine.readStatus().MeterClipping) << "nothing sent, nothing clipped";

    engine.setForceOff(false);
    tick(73, v);
    EXPECT_TRUE(wheel.outputEnabled.load());
    EXPECT_GT(observer.samples.back().magnitude, 1000);
}

// A change of context mid-drive hands the engine its settings faded: the
// force moves from the old strength to the new over about a second, never in
// a step, while the driver's own slider still acts at once.
TEST_F(EngineForceTest, FadedChangeMovesToTheNewStrengthOverASecondWithoutAStep) {
    Line v;
    std::fill(std::begin(v.torqueNm), std::end(v.torqueNm), 8.0f);
    settle([](FfbSettings& s) {
        s.ForceStrength = 40;
        s.UseCarSpecificSettings = 0;
    });
    int32_t t = 1;
    for (; t <= 10; ++t)
        tick(t, v);
    const int32_t before = observer.samples.back().magnitude; // steady: 1450
    ASSERT_GT(before, 1000);

    FfbSettings faded = engine.copySettings();
    faded.ForceStrength = 80;
    EngineHandOver(engine).storeSettingsFaded(faded);
    const size_t first = observer.samples.size();
    const int64_t fadeStart = nextTickNs_;
    for (const int32_t end = t + 90; t < end; ++t) // 1.5 s
        tick(t, v);
    int32_t largestStep = 0;
    for (size_t i = first; i < observer.samples.size(); ++i) {
        const SentSample& s = observer.samples[i];
        largestStep =
            std::max(largestStep, std::abs(s.magnitude - observer.samples[i - 1].magnitude));
        const double share = std::clamp((s.sentNs - fadeStart) / 1e9, 0.0, 1.0);
        ASSERT_NEAR(s.magnitude, before + before * share, 20) << "sample " << i;
    }
    // Double the force in 362 samples of 2.76 ms: about 4 a sample, 8 across
    // the gap between ticks.
    EXPECT_LE(largestStep, 12);
    EXPECT_NEAR(observer.samples.back().magnitude, 2 * before, 2);

    settle([](FfbSettings& s) { s.ForceStrength = 40; });
    tick(t, v);
    EXPECT_EQ(observer.samples.back().magnitude, before) << "the driver's slider acts at once";
}

// A replay shows someone else's car: its force fades out within 50 ms and
// the output goes off, on track or not; after it the force comes back
// through the output stage's start. The status counts each start and end.
TEST_F(EngineForceTest, ReplayTakesTheForceOffUntilItEnds) {
    Line v;
    std::fill(std::begin(v.torqueNm), std::end(v.torqueNm), 8.0f);
    int32_t t = 1;
    for (; t <= 4; ++t)
        tick(t, v);
    ASSERT_TRUE(wheel.outputEnabled.load());
    const uint32_t quiesced = wheel.quiesceCount.load();

    v.replay = true;
    const int64_t replayAt = nextTickNs_;
    const size_t first = observer.samples.size();
    for (; t <= 64; ++t)
        tick(t, v);
    for (size_t i = first; i < observer.samples.size(); ++i) {
        if (observer.samples[i].sentNs - replayAt >= ForceGate::kReplayFadeNs) {
            ASSERT_EQ(observer.samples[i].magnitude, 0) << "sample " << i;
        }
    }
    EXPECT_FALSE(wheel.outputEnabled.load());
    EXPECT_EQ(wheel.quiesceCount.load(), quiesced + 1);
    EngineStatus status = engine.readStatus();
    EXPECT_TRUE(status.ReplayPlaying);
    EXPECT_EQ(status.ReplayStartCount, 1u);
    EXPECT_EQ(status.ReplayEndCount, 0u);

    v.replay = false;
    tick(t, v);
    EXPECT_TRUE(wheel.outputEnabled.load());
    EXPECT_GT(observer.samples.back().magnitude, 1000);
    status = engine.readStatus();
    EXPECT_FALSE(status.ReplayPlaying);
    EXPECT_EQ(status.ReplayStartCount, 1u);
    EXPECT_EQ(status.ReplayEndCount, 1u);
}

// The published wet state follows the telemetry only once a reading has held
// for the hold-off; a new session's first reading counts at once.
TEST_F(EngineForceTest, WetStatusFollowsTheTelemetryAfterItsHoldOff) {
    Line v;
    v.declaredWet = true;
    int32_t t = 1;
    tick(t++, v);
    EXPECT_TRUE(engine.readStatus().Wet) << "the first reading counts at once";
    v.declaredWet = false;
    v.wetness = 3; // damp: dry for the settings
    const int64_t dryFrom = nextTickNs_;
    while (nextTickNs_ - dryFrom < WetState::kHoldNs - 20'000'000) {
        tick(t++, v);
        ASSERT_TRUE(engine.readStatus().Wet) << "tick " << t;
    }
    for (int i = 0; i < 3; ++i)
        tick(t++, v);
    EXPECT_FALSE(engine.readStatus().Wet);
}
namespace auto_strength {

// Auto strength through the engine: the ticks are driven (and recorded) with
// the rule's strength, each settled value is published, and a strength the
// window hands anew starts the rule over from it.
TEST_F(EngineForceTest, AutoStrengthDrivesTheTicksAndStartsOverFromAHandedStrength) {
    AutoStrengthOptions quick;
    quick.windowTicks = 120;
    quick.startTicks = 60; // a second of driving
    ports.autoStrength = &quick;
    settle([](FfbSettings& s) {
        s.UndersteerResistance = 0;
        s.AutoStrength = 1;
        s.AutoStrengthTarget = 80;
    });
    Line v;
    std::fill(std::begin(v.torqueNm), std::end(v.torqueNm), 20.0f); // 80 % of full scale at 80
    int32_t tickCount = 0;
    for (; tickCount < 1400; ++tickCount)
        tick(tickCount + 1, v);
    // From 50 one point every half second once a second was counted.
    for (size_t i = 0; i < 60; ++i)
        ASSERT_EQ(observer.records[i].FullScaleNm, fullScaleNm(50)) << "tick " << i;
    EXPECT_EQ(observer.records[60 + 29 * 30 + 1].FullScaleNm, fullScaleNm(80));
    EXPECT_EQ(observer.records.back().FullScaleNm, fullScaleNm(80));
    EXPECT_EQ(observer.samples.back().magnitude, 8000);
    EngineStatus status = engine.readStatus();
    EXPECT_EQ(status.AutoStrength, 80);
    EXPECT_EQ(status.AutoStrengthSettledCount, 1u);
    EXPECT_EQ(status.AutoStrengthSettled, 80);
    EXPECT_NEAR(status.AutoStrengthP99Nm, 20.0f, 0.1f);

    // The driver moves the slider: the rule starts over from there.
    settle([](FfbSettings& s) { s.ForceStrength = 30; });
    tick(++tickCount, v);
    EXPECT_EQ(observer.records.back().FullScaleNm, fullScaleNm(30));
    EXPECT_EQ(engine.readStatus().AutoStrength, 30);
    for (int i = 0; i < 59; ++i)
        tick(++tickCount, v);
    EXPECT_EQ(observer.records.back().FullScaleNm, fullScaleNm(30)) << "a new start waits again";

    // Switched off: the handed strength drives, and the status says 0.
    settle([](FfbSettings& s) { s.AutoStrength = 0; });
    tick(++tickCount, v);
    EXPECT_EQ(observer.records.back().FullScaleNm, fullScaleNm(30));
    EXPECT_EQ(engine.readStatus().AutoStrength, 0);
}

} // namespace auto_strength

} // namespace
} // namespace gripline
