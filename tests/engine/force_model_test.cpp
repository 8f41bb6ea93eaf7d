// The force model tick by tick, driven through its own entry points with
// hand-made telemetry: the sample values of both modes, what carries over
// from one tick to the next, the end stop, crash protection, what is
// recorded, and telemetry that is not a number.
#include "engine/force_model.h"
#include "engine/suspension_detail.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <vector>

namespace gripline {
namespace {

constexpr float kLockToLockRad = 7.33f; // lock at 3.665 rad each way

CarCoefficients typicalCar() {
    CarCoefficients c;
    c.YawRateMultiplier = 44.0f;
    c.LateralAccelDivisor = 110.0f;
    c.ResistanceGain = 1.0f;
    return c;
}

// Every cue off: each sample is the simulator's torque sub-sample.
FfbSettings bare(int32_t mode = 0) {
    FfbSettings s;
    s.Mode = mode;
    s.UndersteerResistance = 0;
    s.UndersteerLighten = 0;
    s.OversteerCorrection = 0;
    s.Bumps = 0;
    s.BumpImpacts = 0;
    s.AbsVibration = 0;
    s.MinForce = 0;
    s.ReduceForceWhenParked = 0;
    s.CrashReduction = 0;
    return s;
}

TelemetrySnapshot driving(std::initializer_list<float> torqueNm = {0, 0, 0, 0, 0, 0}) {
    TelemetrySnapshot s;
    s.Valid = true;
    s.IsOnTrack = true;
    s.Speed = 30.0f;
    s.VelocityX = 30.0f;
    s.SteeringWheelAngleMax = kLockToLockRad;
    s.TorqueStCount = static_cast<int32_t>(torqueNm.size());
    int i = 0;
    for (float t : torqueNm)
        s.TorqueSt[i++] = t;
    s.SteeringWheelTorque = s.TorqueSt[s.TorqueStCount - 1];
    return s;
}

// The engine's use of the model, without the schedule.
struct ModelRun {
    TickPlan tick(const TelemetrySnapshot& s, const FfbSettings& settings, int64_t nowNs = 0) {
        plan = model.computeTick(s, previous, settings, car, nowNs, crashHoldUntilNs);
        forces.clear();
        magnitudes.clear();
        if (!plan.pastLock) {
            record = model.tickRecord(s);
            for (int j = 0; j < plan.samples.count; ++j) {
                forces.push_back(model.sampleForce(j));
                magnitudes.push_back(model.publishSample(j, acc));
            }
            model.finishTick();
        }
        previous = s;
        return plan;
    }

    ForceModel model;
    CarCoefficients car = typicalCar();
    TelemetrySnapshot previous;
    int64_t crashHoldUntilNs = 0;
    StintAccumulators acc;
    TickPlan plan;
    TickRecord record;
    std::vector<float> forces;
    std::vector<int32_t> magnitudes;
};

void expectForces(const std::vector<float>& actual, std::initializer_list<float> expected) {
    ASSERT_EQ(actual.size(), expected.size());
    int j = 0;
    for (float e : expected) {
        EXPECT_NEAR(actual[j], e, 1e-5f) << "sample " << j;
        ++j;
    }
}

TEST(ForceModelSamples, TelemetryModeSendsEachSubSampleAtTheChosenStrength) {
    ModelRun run;
    run.tick(driving({1, 2, 3, 4, 5, 6}), bare(0));
    EXPECT_FALSE(run.plan.samples.interpolated);
    expectForces(run.forces, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(run.magnitudes, (std::vector<int32_t>{250, 500, 750, 1000, 1250, 1500}));
    EXPECT_EQ(run.acc.OutSamples, 6u);

    FfbSettings off = bare(0);
    off.ForceStrength = 0;
    run.tick(driving({1, 2, 3, 4, 5, 6}), off);
    EXPECT_EQ(run.magnitudes, std::vector<int32_t>(6, 0)) << "strength 0 sends nothing";
}

TEST(ForceModelSamples, InterpolatedModeDoublesTheRateHalfASubSampleLate) {
    ModelRun run;
    run.tick(driving({2, 4, 6, 8, 10, 12}), bare(1));
    ASSERT_TRUE(run.plan.samples.interpolated);
    // The first sample bridges from the reset state (0) to the first sub-sample.
    expectForces(run.forces, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    EXPECT_EQ(run.model.lastBase(), 12.0f);

    run.tick(driving({14, 16, 18, 20, 22, 24}), bare(1));
    expectForces(run.forces, {13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24});

    run.model.reset();
    run.tick(driving({8, 8, 8, 8, 8, 8}), bare(1));
    EXPECT_FLOAT_EQ(run.forces[0], 4.0f) << "after a reset the first sample starts from half";
}

TEST(ForceModelSamples, InterpolatedResistanceBridgesFromThePreviousTick) {
    FfbSettings settings = bare(1);
    settings.UndersteerResistance = 50;
    ModelRun run;
    TelemetrySnapshot s = driving();
    s.SteeringWheelAngle = 0.425f; // 0.25 rad past the margin: 5 N·m of resistance
    run.tick(s, settings);
    EXPECT_FLOAT_EQ(run.forces[0], -2.5f);
    EXPECT_FLOAT_EQ(run.forces[1], -5.0f);
    s.SteeringWheelAngle = 0.675f; // 10 N·m
    run.tick(s, settings);
    EXPECT_FLOAT_EQ(run.forces[0], -7.5f);
    EXPECT_FLOAT_EQ(run.forces[11], -10.0f);
    EXPECT_FLOAT_EQ(run.model.lastResistance(), -10.0f);
}

TEST(ForceModelSamples, OneSubSampleGivesOneSampleInEitherMode) {
    for (int32_t mode : {0, 1}) {
        ModelRun run;
        run.tick(driving({7}), bare(mode));
        EXPECT_EQ(run.plan.samples.count, 1) << "mode " << mode;
        EXPECT_FALSE(run.plan.samples.interpolated);
        expectForces(run.forces, {7});
    }
}

// Sub-sample k of a tick carries this tick's oversteer target by the
// weights up to k and the previous tick's by the rest; the last of six
// carries this tick's in full.
TEST(ForceModelSmoothing, OversteerRampsFromTickToTick) {
    FfbSettings settings = bare(0);
    settings.OversteerCorrection = 10;
    const float w[] = {0.1295867f, 0.2311436f, 0.2582509f, 0.1923936f, 0.1156718f, 0.0729534f};
    auto slide = [](float lateralMps, int subSamples) {
        TelemetrySnapshot s = driving({0, 0, 0, 0, 0, 0});
        s.TorqueStCount = subSamples;
        s.VelocityY = lateralMps; // beyond 45°: target ±7.85 N·m
        return s;
    };
    auto expected = [&](float now, float before, int k) {
        float weight = 0;
        for (int i = 0; i <= k; ++i)
            weight += w[i];
        return now * weight + before * (1.0f - weight);
    };

    ModelRun run;
    run.tick(slide(40.0f, 6), settings);
    for (int k = 0; k < 6; ++k)
        EXPECT_NEAR(run.forces[k], expected(7.85f, 0.0f, k), 1e-5f) << "ramp up from 0, k " << k;
    EXPECT_NEAR(run.forces[5], 7.85f, 1e-5f);

    run.tick(slide(-40.0f, 6), settings);
    for (int k = 0; k < 6; ++k)
        EXPECT_NEAR(run.forces[k], expected(-7.85f, 7.85f, k), 1e-5f) << "reversal, k " << k;

    // A short tick still refreshes all six slots.
    run.tick(slide(40.0f, 3), settings);
    ASSERT_EQ(run.forces.size(), 3u);
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(run.forces[k], expected(7.85f, -7.85f, k), 1e-5f) << "k " << k;
    run.tick(slide(40.0f, 6), settings);
    EXPECT_NEAR(run.forces[0], 7.85f, 1e-5f);

    run.model.reset();
    run.tick(slide(40.0f, 6), settings);
    EXPECT_NEAR(run.forces[0], 7.85f * w[0], 1e-5f) << "after a reset the ramp starts from 0";
}

TEST(ForceModelAbs, VibrationRunsOnAcrossTicksAndRestartsWithEachApplication) {
    FfbSettings settings = bare(0);
    settings.AbsVibration = 17; // 3.4 N·m
    TelemetrySnapshot braking = driving();
    braking.BrakeABSactive = true;
    const float step = 219.9115f / 360.0f;

    ModelRun run;
    float phase = 0;
    for (int t = 0; t < 3; ++t) {
        run.tick(braking, settings);
        for (int j = 0; j < 6; ++j) {
            EXPECT_FLOAT_EQ(run.forces[j], static_cast<float>(std::sin(phase)) * 3.4f)
                << "tick " << t << " sample " << j;
            phase += step;
            if (phase >= 6.2831855f)
                phase -= 6.2831855f;
        }
    }
    EXPECT_FLOAT_EQ(run.model.absPhase(), phase);

    run.tick(driving(), settings); // released
    EXPECT_EQ(run.model.absPhase(), 0.0f);
    expectForces(run.forces, {0, 0, 0, 0, 0, 0});
    run.tick(braking, settings);
    EXPECT_EQ(run.forces[0], 0.0f) << "a new application starts at phase 0";
    EXPECT_FLOAT_EQ(run.forces[1], static_cast<float>(std::sin(step)) * 3.4f);

    // Interpolated: half the step per sample, so the same 35 Hz.
    run.model.reset();
    run.tick(braking, bare(1));
    settings.Mode = 1;
    run.tick(braking, settings);
    EXPECT_FLOAT_EQ(run.model.absPhase(), 12 * (219.9115f / 720.0f));

    for (int t = 0; t < 200; ++t)
        run.tick(braking, settings);
    EXPECT_GE(run.model.absPhase(), 0.0f);
    EXPECT_LT(run.model.absPhase(), 6.2831855f);
}

// The amplitude is a fifth of a N·m per step, to the nearest float: for
// these settings multiplying by 0.2f lands one bit off (9 gave 1.8000001).
TEST(ForceModelAbs, AmplitudeIsAFifthOfANewtonMetrePerStepUpTo100) {
    TelemetrySnapshot braking = driving();
    braking.BrakeABSactive = true;
    const auto sine = static_cast<float>(std::sin(static_cast<double>(219.9115f / 360.0f)));
    for (int32_t setting : {9, 13, 42, 99, 100, 250}) {
        FfbSettings settings = bare(0);
        settings.AbsVibration = setting;
        ModelRun run;
        run.tick(braking, settings);
        const float amplitude = static_cast<float>(std::min(setting, 100)) / 5.0f;
        EXPECT_EQ(run.forces[1], sine * amplitude) << "setting " << setting;
    }
}

TEST(ForceModelEndStop, PastTheLockASpringReplacesTheForce) {
    ModelRun run;
    const float lock = kLockToLockRad * 0.5f;
    TelemetrySnapshot s = driving();
    s.SteeringWheelTorque = 0;

    s.SteeringWheelAngle = lock + 0.2618f;
    run.tick(s, bare(0));
    EXPECT_TRUE(run.plan.pastLock);
    EXPECT_TRUE(run.plan.endStopActive);
    EXPECT_EQ(run.plan.endStopMagnitude, -9996);
    EXPECT_TRUE(run.forces.empty());
    EXPECT_EQ(run.acc.OutSamples, 0u) << "the end stop is not counted";
    EXPECT_EQ(run.acc.ClipTotal, 0u);

    s.SteeringWheelAngle = -(lock + 0.5f);
    run.tick(s, bare(0));
    EXPECT_EQ(run.plan.endStopMagnitude, 9996);

    // Half way to full end-stop force the simulator's torque is half felt.
    s.SteeringWheelAngle = lock + 0.1309f;
    s.SteeringWheelTorque = 8.0f; // 2000 units
    run.tick(s, bare(0));
    EXPECT_NEAR(run.plan.endStopMagnitude, 2000 * 0.5 - 5000, 2);

    FfbSettings off = bare(0);
    off.ForceStrength = 0;
    run.tick(s, off);
    EXPECT_NEAR(run.plan.endStopMagnitude, -5000, 2) << "strength 0: the spring alone";
}

TEST(ForceModelEndStop, NearTheLockOnlyTheFlagIsRaised) {
    ModelRun run;
    TelemetrySnapshot s = driving({3, 3, 3, 3, 3, 3});
    s.SteeringWheelAngle = -(kLockToLockRad * 0.5f - 0.5f); // within 30°
    FfbSettings settings = bare(0);
    settings.Damping = 150;
    run.tick(s, settings);
    EXPECT_TRUE(run.plan.endStopActive);
    EXPECT_FALSE(run.plan.pastLock);
    EXPECT_EQ(run.plan.dampingPercent, 100);
    EXPECT_EQ(run.forces.size(), 6u);

    s.SteeringWheelAngle = 1.0f;
    settings.Damping = -5;
    run.tick(s, settings);
    EXPECT_FALSE(run.plan.endStopActive);
    EXPECT_EQ(run.plan.dampingPercent, 0);
}

TEST(ForceModelEndStop, NoUsableLockMeansNoEndStop) {
    // 16 rad lock to lock is no real wheel's; a missing (0), negative or
    // unreadable lock says nothing: none of them may push the wheel.
    for (float range : {16.0f, 40.0f, 0.0f, -2.0f, std::nanf("")}) {
        ModelRun run;
        TelemetrySnapshot s = driving({2, 2, 2, 2, 2, 2});
        s.SteeringWheelAngleMax = range;
        s.SteeringWheelAngle = 7.9f;
        run.tick(s, bare(0));
        EXPECT_FALSE(run.plan.endStopActive) << "range " << range;
        EXPECT_FALSE(run.plan.pastLock) << "range " << range;
        EXPECT_EQ(run.magnitudes, std::vector<int32_t>(6, 500)) << "range " << range;
    }
}

TEST(ForceModelCrash, AHardHitHoldsTheForceDownForItsDuration) {
    FfbSettings settings = bare(0);
    settings.CrashLongG = 30;
    settings.CrashLatG = 0; // off
    settings.CrashDurationTenths = 15;
    settings.CrashReduction = 100;
    const int64_t hitNs = 5'000'000'000;

    ModelRun run;
    TelemetrySnapshot s = driving({10, 10, 10, 10, 10, 10});
    s.LatAccel = 25 * 9.80665f; // ignored: the lateral threshold is off
    run.tick(s, settings, hitNs - 16'666'667);
    EXPECT_EQ(run.record.CrashFactor, 1.0f);

    s.LongAccel = -3.0f * 9.80665f; // 3 g braking into the wall
    run.tick(s, settings, hitNs);
    EXPECT_NEAR(run.record.CrashFactor, 0.01f, 1e-7f) << "never all the way to 0";
    EXPECT_NEAR(run.forces[0], 0.1f, 1e-6f);
    EXPECT_EQ(run.crashHoldUntilNs, hitNs + 1'500'000'000);

    s.LongAccel = 0;
    run.tick(s, settings, hitNs + 1'499'999'999);
    EXPECT_NEAR(run.record.CrashFactor, 0.01f, 1e-7f);
    run.tick(s, settings, hitNs + 1'500'000'000);
    EXPECT_EQ(run.record.CrashFactor, 1.0f);
    EXPECT_FLOAT_EQ(run.forces[0], 10.0f);

    s.LongAccel = 2.99f * 9.80665f;
    run.tick(s, settings, hitNs + 2'000'000'000);
    EXPECT_EQ(run.record.CrashFactor, 1.0f) << "below the threshold";
}

TEST(ForceModelRecord, TheStrongestSuspensionDetailIsRecorded) {
    FfbSettings settings = bare(0);
    settings.Bumps = 30;
    settings.BumpImpacts = 30;
    settings.AbsVibration = 50;
    ModelRun run;
    TelemetrySnapshot s = driving({1, 2, 3, 4, 5, 6});
    s.BrakeABSactive = true;
    s.ShockStCount = 6;
    // Steps of 1, 1, 1, 6, 1, 6 × 1/1024 m, exact in float: a true tie.
    const float lf[] = {1 / 1024.0f, 2 / 1024.0f,  3 / 1024.0f,
                        9 / 1024.0f, 10 / 1024.0f, 16 / 1024.0f};
    std::copy(std::begin(lf), std::end(lf), s.LFshockDeflSt);
    s.LFshockDefl = lf[5];
    run.tick(driving(), settings); // gives the previous shock values (0)
    run.tick(s, settings);

    const TickRecord& r = run.record;
    EXPECT_EQ(r.SubSample, 3) << "the earliest of the two strongest";
    EXPECT_EQ(r.BaseForce, 4.0f);
    EXPECT_EQ(r.SuspensionDetailForce, textureForce(6 / 1024.0f, settings));
    EXPECT_FLOAT_EQ(r.FinalForce, run.forces[3]) << "the force sent with that sub-sample";
    EXPECT_TRUE(r.AbsActive);
    EXPECT_FLOAT_EQ(r.FullScaleNm, 40.0f);
    EXPECT_EQ(r.CrashFactor, 1.0f);
    EXPECT_FALSE(r.Clipped);
    EXPECT_EQ(r.Speed, 30.0f);

    // Interpolated, the recorded sub-sample takes the ABS value of output
    // sample 2k; output sample 2k + 1 carries the same sub-sample with the
    // next ABS value.
    settings.Mode = 1;
    settings.SuspensionDetailPriority = 0; // a plain sum
    run.tick(driving(), settings);
    run.tick(s, settings);
    const float step = 219.9115f / 720.0f; // the phase began at 0: ABS was off the tick before
    float phase = 0;
    for (int j = 0; j < 6; ++j)
        phase += step;
    const float abs6 = static_cast<float>(std::sin(phase)) * 10.0f;
    const float abs7 = static_cast<float>(std::sin(phase + step)) * 10.0f;
    EXPECT_NEAR(run.record.FinalForce - run.forces[7], abs6 - abs7, 1e-4f);
}

TEST(ForceModelRecord, PriorityFlagAndClippingFollowTheRecordedForce) {
    FfbSettings settings = bare(0);
    settings.Bumps = 100;
    settings.SuspensionDetailPriority = 100;
    ModelRun run;
    TelemetrySnapshot s = driving({-30, -30, -30, -30, -30, -30});
    s.ShockStCount = 1;
    s.LFshockDeflSt[0] = 0.001f; // about +15 N·m of texture against −30 N·m of torque
    run.tick(driving(), settings);
    run.tick(s, settings);
    EXPECT_TRUE(run.record.SuspensionPriority) << "a cut made turning this way is flagged too";
    EXPECT_FALSE(run.record.Clipped);

    s = driving({45, 45, 45, 45, 45, 45});
    run.tick(s, settings);
    EXPECT_FALSE(run.record.SuspensionPriority);
    EXPECT_TRUE(run.record.Clipped);
    EXPECT_EQ(run.acc.ClipCount, 6u);
    settings.ForceStrength = 0;
    run.tick(s, settings);
    EXPECT_FALSE(run.record.Clipped) << "nothing is clipped at strength 0";
}

TEST(ForceModelGuards, TelemetryThatIsNotANumberNeverMovesTheWheel) {
    const float nan = std::nanf("");
    ModelRun run;
    run.tick(driving({5, 5, nan, 5, 5, 5}), bare(0));
    EXPECT_EQ(run.magnitudes, (std::vector<int32_t>{1250, 1250, 0, 1250, 1250, 1250}));
    EXPECT_EQ(run.acc.ClipCount, 0u);

    run.tick(driving({5, 5, 5, 5, 5, nan}), bare(1));
    EXPECT_EQ(run.magnitudes[11], 0);
    run.tick(driving({5, 5, 5, 5, 5, 5}), bare(1));
    EXPECT_EQ(run.magnitudes[0], 0) << "bridging from a sub-sample that was not a number";
    EXPECT_EQ(run.magnitudes[1], 1250) << "and then back to normal";

    for (float TelemetrySnapshot::*field :
         {&TelemetrySnapshot::Speed, &TelemetrySnapshot::VelocityY, &TelemetrySnapshot::YawRate,
          &TelemetrySnapshot::SteeringWheelAngle}) {
        for (float bad : {nan, INFINITY}) {
            TelemetrySnapshot s = driving({5, 5, 5, 5, 5, 5});
            s.*field = bad;
            run.tick(s, bare(0));
            EXPECT_EQ(run.magnitudes, std::vector<int32_t>(6, 0));
            EXPECT_FALSE(run.plan.pastLock);
        }
    }

    // Past the lock a torque that is not a number gives no force either.
    TelemetrySnapshot s = driving();
    s.SteeringWheelAngle = 4.0f;
    s.SteeringWheelTorque = nan;
    run.tick(s, bare(0));
    EXPECT_TRUE(run.plan.pastLock);
    EXPECT_EQ(run.plan.endStopMagnitude, 0);
}

} // namespace
} // namespace gripline
