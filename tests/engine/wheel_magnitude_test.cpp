// The last stage before the wheel, and the suspension detail rules, on
// chosen values.
#include "engine/suspension_detail.h"
#include "engine/wheel_magnitude.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace gripline {
namespace {

FfbSettings plainOutput() {
    FfbSettings s;
    s.MinForce = 0;
    s.ReduceForceWhenParked = 0;
    return s;
}

TEST(WheelMagnitude, ConvertsAtTheChosenStrengthTruncatingTowardZero) {
    EXPECT_EQ(forceToMagnitude(20.0f, 50), 5000);
    EXPECT_EQ(forceToMagnitude(-20.0f, 100), -10000);
    EXPECT_EQ(forceToMagnitude(0.0159f, 50), 3) << "3.975 truncated";
    EXPECT_EQ(forceToMagnitude(-0.0159f, 50), -3);
    EXPECT_EQ(forceToMagnitude(30.0f, 0), 0);
    EXPECT_EQ(forceToMagnitude(30.0f, -10), 0);
    EXPECT_FLOAT_EQ(fullScaleNm(50), 40.0f);
    EXPECT_FLOAT_EQ(fullScaleNm(0), 2000.0f);
}

TEST(WheelMagnitude, HugeForcesSaturateAndForcesThatAreNotNumbersGiveZero) {
    EXPECT_EQ(forceToMagnitude(1e30f, 50), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(forceToMagnitude(-3e38f, 100), std::numeric_limits<int32_t>::min())
        << "a finite force too large to scale";
    EXPECT_EQ(forceToMagnitude(std::nanf(""), 50), 0);
    EXPECT_EQ(forceToMagnitude(-INFINITY, 50), 0);

    StintAccumulators acc;
    EXPECT_EQ(toMagnitude(std::nanf(""), plainOutput(), false, acc), 0);
    EXPECT_EQ(acc.ClipCount, 0u) << "a force that is not a number is never counted as clipped";
    EXPECT_EQ(toMagnitude(1e30f, plainOutput(), false, acc), 9996);
    EXPECT_EQ(acc.ClipCount, 1u);
    EXPECT_EQ(acc.ClipTotal, 2u);
}

TEST(WheelMagnitude, FullScaleCountsAsClippedAndGoesOutAs9996) {
    StintAccumulators acc;
    const FfbSettings settings = plainOutput();
    EXPECT_EQ(toMagnitude(40.0f, settings, false, acc), 9996);    // converts to 10 000
    EXPECT_EQ(toMagnitude(-39.99f, settings, false, acc), -9996); // -9997
    EXPECT_EQ(toMagnitude(39.984f, settings, false, acc), 9996);  // exactly 9996: not clipped
    EXPECT_EQ(toMagnitude(0.0f, settings, false, acc), 0);
    EXPECT_EQ(acc.ClipTotal, 4u);
    EXPECT_EQ(acc.ClipCount, 2u);
    EXPECT_EQ(acc.OutSamples, 4u);
    EXPECT_EQ(acc.OutNonZero, 3u);
    EXPECT_EQ(acc.OutPeak, 9996);
}

TEST(WheelMagnitude, MinimumForceCurveLiftsSmallMagnitudesOnly) {
    // MinForce 5: M = 500, the curve ends at T = 1000 with start slope 1.5.
    EXPECT_EQ(minimumForceCurve(200, 5), 264);
    EXPECT_EQ(minimumForceCurve(-200, 5), -264);
    EXPECT_EQ(minimumForceCurve(1000, 5), 1000);
    EXPECT_EQ(minimumForceCurve(-5000, 5), -5000);
    EXPECT_EQ(minimumForceCurve(0, 5), 0);
    EXPECT_EQ(minimumForceCurve(200, 0), 200);
    EXPECT_GE(minimumForceCurve(999, 5), 999) << "never below the magnitude itself";
    // MinForce 1: the curve ends at M + 400 = 500.
    EXPECT_EQ(minimumForceCurve(250, 1), 256);
    EXPECT_EQ(minimumForceCurve(500, 1), 500);
    // MinForce 20: slope capped at 3, end at 4000.
    EXPECT_EQ(minimumForceCurve(1, 20), 3);
    // A value far outside the control's range stays defined.
    EXPECT_EQ(minimumForceCurve(9996, std::numeric_limits<int32_t>::max()), 9996);
}

TEST(WheelMagnitude, ParkedCarGetsAQuarterAndNoLift) {
    FfbSettings settings = plainOutput();
    settings.ReduceForceWhenParked = 1;
    settings.MinForce = 5;
    StintAccumulators acc;
    EXPECT_EQ(toMagnitude(40.0f, settings, true, acc), 2499);
    EXPECT_EQ(toMagnitude(-0.03f, settings, true, acc), -1); // -7 → -1, toward zero
    EXPECT_EQ(toMagnitude(0.8f, settings, true, acc), 50) << "200 / 4, no minimum-force lift";
    EXPECT_EQ(toMagnitude(0.8f, settings, false, acc), 264) << "moving: lifted";
    EXPECT_EQ(acc.ClipCount, 1u) << "clipping is judged before the reduction";
    EXPECT_EQ(acc.OutPeak, 2499);
    settings.ReduceForceWhenParked = 0;
    EXPECT_EQ(toMagnitude(0.8f, settings, true, acc), 264) << "reduction switched off";
}

TEST(SuspensionDetail, SmallMovementsUseRoadTextureLargeOnesImpactTexture) {
    FfbSettings settings;
    settings.Bumps = 10; // gain 160 N·m/m
    settings.BumpImpacts = 0;
    EXPECT_NEAR(textureForce(0.0001f, settings), 0.0001f * 160.0f, 1e-4f);
    EXPECT_FLOAT_EQ(textureForce(0.0035f, settings), 0.0035f * 160.0f * 0.5f);
    EXPECT_LT(std::fabs(textureForce(0.1f, settings)), 0.02f)
        << "a kerb strike with no impact gain";
    settings.Bumps = 0;
    settings.BumpImpacts = 10;
    EXPECT_NEAR(textureForce(-0.1f, settings), -0.1f * 160.0f, 0.02f);
    settings.BumpImpacts = 0;
    EXPECT_EQ(textureForce(0.1f, settings), 0.0f);
}

TEST(SuspensionDetail, ShockMovementIsTheChangeOfTheLeftRightDifference) {
    TelemetrySnapshot previous;
    previous.LFshockDefl = 0.010f;
    previous.RFshockDefl = 0.020f;
    previous.CFshockDefl = 0.5f;
    TelemetrySnapshot current;
    current.ShockStCount = 2;
    const float lf[] = {0.012f, 0.015f};
    const float rf[] = {0.020f, 0.019f};
    std::copy(lf, lf + 2, current.LFshockDeflSt);
    std::copy(rf, rf + 2, current.RFshockDeflSt);
    EXPECT_FLOAT_EQ(shockMovement(current, previous, 0), (0.012f - 0.010f) - (0.020f - 0.020f));
    EXPECT_FLOAT_EQ(shockMovement(current, previous, 1), (0.015f - 0.012f) - (0.019f - 0.020f));
    EXPECT_EQ(shockMovement(current, previous, 5), shockMovement(current, previous, 1))
        << "sub-samples beyond the shock's repeat its last";

    current.ShockStCount = 0;
    current.CFshockStCount = 1;
    current.CFshockDeflSt[0] = 0.52f;
    EXPECT_FLOAT_EQ(shockMovement(current, previous, 3), 0.52f - 0.5f);
    current.CFshockStCount = 0;
    EXPECT_EQ(shockMovement(current, previous, 0), 0.0f);
}

// combine(base, resistance, texture, extra) with full scale 40 N·m.
TEST(SuspensionDetail, TextureAgainstTheRestCutsTheRestNeverPastZero) {
    FfbSettings settings;
    settings.SuspensionDetailPriority = 100; // cut up to 1.65 × |texture|
    bool changed = false;
    EXPECT_FLOAT_EQ(combine(10.0f, 0.0f, -5.0f, 0.0f, settings, &changed), 10.0f - 8.25f - 5.0f);
    EXPECT_TRUE(changed);
    EXPECT_FLOAT_EQ(combine(3.0f, 0.0f, -5.0f, 0.0f, settings, &changed), -5.0f)
        << "the rest is cut to zero, not beyond";
    // Turning the other way: the cut is negative and is flagged just the same.
    EXPECT_FLOAT_EQ(combine(-10.0f, 0.0f, 5.0f, 0.0f, settings, &changed), -10.0f + 8.25f + 5.0f);
    EXPECT_TRUE(changed);
    // Below the threshold (max(6 % of full scale, 2.5 N·m)) nothing is cut.
    EXPECT_FLOAT_EQ(combine(10.0f, 0.0f, -2.4f, 0.0f, settings, &changed), 7.6f);
    EXPECT_FALSE(changed);

    settings.SuspensionDetailPriority = 0;
    EXPECT_FLOAT_EQ(combine(10.0f, 1.0f, -5.0f, 2.0f, settings, &changed), 8.0f);
    EXPECT_FALSE(changed);
}

TEST(SuspensionDetail, TextureWithTheRestMakesOnlyTheResistanceGiveWay) {
    FfbSettings settings;
    settings.SuspensionDetailPriority = 100;
    bool changed = false;
    // 30 + 10 + 5 would pass 40 N·m: the texture keeps 15 N·m of room, so
    // the resistance gives way completely (to 0, never against itself).
    EXPECT_FLOAT_EQ(combine(30.0f, 10.0f, 5.0f, 0.0f, settings, &changed), 35.0f);
    EXPECT_TRUE(changed);
    // Partly: at priority 50 the texture keeps 10 N·m; the room of 30 left
    // holds 4 of the 10 N·m resistance.
    settings.SuspensionDetailPriority = 50;
    EXPECT_FLOAT_EQ(combine(26.0f, 10.0f, 5.0f, 0.0f, settings, &changed), 35.0f);
    EXPECT_TRUE(changed);
    EXPECT_FLOAT_EQ(combine(-26.0f, -10.0f, -5.0f, 0.0f, settings, &changed), -35.0f);
    EXPECT_TRUE(changed);
    // Inside full scale nothing changes.
    EXPECT_FLOAT_EQ(combine(20.0f, 5.0f, 5.0f, 1.0f, settings, &changed), 31.0f);
    EXPECT_FALSE(changed);
    // Without resistance there is nothing to give way.
    EXPECT_FLOAT_EQ(combine(50.0f, 0.0f, 5.0f, 0.0f, settings, &changed), 55.0f);
    EXPECT_FALSE(changed);
}

} // namespace
} // namespace gripline
