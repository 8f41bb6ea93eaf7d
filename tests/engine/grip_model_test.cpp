// The grip model on hand-made ticks: when it stays out of the way, and the
// limits of each of its three cues.
#include "engine/grip_model.h"

#include <gtest/gtest.h>

#include <cmath>

namespace gripline {
namespace {

CarCoefficients typicalCar() {
    CarCoefficients c;
    c.YawRateMultiplier = 44.0f;
    c.LateralAccelDivisor = 110.0f;
    c.ResistanceGain = 1.0f;
    return c;
}

// A car driving straight at 20 m/s; tests turn the wheel or slide it.
TelemetrySnapshot driving(float steeringRad = 0, float lateralMps = 0) {
    TelemetrySnapshot s;
    s.Valid = true;
    s.IsOnTrack = true;
    s.Speed = 20.0f;
    s.VelocityX = 20.0f;
    s.VelocityY = lateralMps;
    s.SteeringWheelAngle = steeringRad;
    return s;
}

FfbSettings onlyOversteer(int32_t correction) {
    FfbSettings s;
    s.UndersteerResistance = 0;
    s.UndersteerLighten = 0;
    s.OversteerCorrection = correction;
    return s;
}

TEST(GripModel, SlowCarGetsNoCuesButKeepsItsBalance) {
    FfbSettings settings;
    settings.UndersteerLighten = 100;
    TelemetrySnapshot slow = driving(2.0f, 30.0f); // wheel far over, sliding
    slow.Speed = 5.0f;
    for (int32_t balance : {0, 100, 200}) {
        settings.CarForceBalance = balance;
        const GripResult r = gripModel(slow, settings, typicalCar());
        EXPECT_EQ(r.GripFactor, 1.0f);
        EXPECT_EQ(r.ResistanceForce, 0.0f);
        EXPECT_EQ(r.OversteerTarget, 0.0f);
        EXPECT_EQ(r.UndersteerMargin, 0.0f);
        EXPECT_EQ(r.UndersteerActivity, 0.0f);
        EXPECT_FLOAT_EQ(r.BalanceScale, balance == 0 ? 0.5f : (balance == 200 ? 1.5f : 1.0f));
    }
    TelemetrySnapshot noForwardMotion = driving(2.0f, 30.0f);
    noForwardMotion.VelocityX = -0.01f;
    EXPECT_EQ(gripModel(noForwardMotion, settings, typicalCar()).OversteerTarget, 0.0f);
}

TEST(GripModel, SlipBeyond45DegreesStopsGrowingTheCorrection) {
    const FfbSettings settings = onlyOversteer(10);
    // Exactly 45°: still the arctangent estimate, π/4 × (2 − π/4) × C.
    EXPECT_NEAR(gripModel(driving(0, 20.0f), settings, typicalCar()).OversteerTarget,
                0.7853982f * (2.0f - 0.7853982f) * 10.0f, 1e-5f);
    // Just past it: the fixed 0.785 × C, signed as the slide.
    EXPECT_FLOAT_EQ(gripModel(driving(0, 20.2f), settings, typicalCar()).OversteerTarget, 7.85f);
    EXPECT_FLOAT_EQ(gripModel(driving(0, -20.2f), settings, typicalCar()).OversteerTarget, -7.85f);
}

TEST(GripModel, OversteerDeadZoneIsTakenOffTheSlipAngle) {
    FfbSettings settings = onlyOversteer(10);
    settings.OversteerOffset = 50; // 5°
    const float slip = 0.05f;      // about 2.9°: inside the dead zone
    EXPECT_EQ(gripModel(driving(0, 20.0f * slip), settings, typicalCar()).OversteerTarget, 0.0f);
    const float beyond =
        gripModel(driving(0, 20.0f * 0.2f), settings, typicalCar()).OversteerTarget;
    settings.OversteerOffset = 0;
    const float plain = gripModel(driving(0, 20.0f * 0.2f), settings, typicalCar()).OversteerTarget;
    EXPECT_GT(beyond, 0.0f);
    EXPECT_LT(beyond, plain);
}

TEST(GripModel, OversteerTargetStaysWithinHalfTheFullScaleForce) {
    FfbSettings settings = onlyOversteer(150);
    for (float lateral : {-60.0f, -20.0f, -8.0f, 8.0f, 20.0f, 60.0f}) {
        const float target = gripModel(driving(0, lateral), settings, typicalCar()).OversteerTarget;
        EXPECT_LE(std::fabs(target), 20.0f) << "slide " << lateral;
    }
    EXPECT_EQ(gripModel(driving(0, 60.0f), settings, typicalCar()).OversteerTarget, 20.0f);
    settings.ForceStrength = 100; // full scale 20 N·m
    EXPECT_EQ(gripModel(driving(0, -60.0f), settings, typicalCar()).OversteerTarget, -10.0f);
}

// With no rotation and no lateral acceleration the car explains no steering
// at all: the margin is the wheel angle less 0.175 rad plus the car's bias.
TEST(GripModel, UndersteerMarginIsSteeringTheCarsMotionDoesNotExplain) {
    const FfbSettings settings;
    EXPECT_FLOAT_EQ(gripModel(driving(0.5f), settings, typicalCar()).UndersteerMargin, 0.325f);

    TelemetrySnapshot turning = driving(0.5f);
    turning.YawRate = 0.2f;  // 0.2 × 44 / 20 = 0.44 rad explained by rotation
    turning.LatAccel = 5.5f; // 5.5 / 110 = 0.05 rad by lateral acceleration
    EXPECT_NEAR(gripModel(turning, settings, typicalCar()).UndersteerMargin, 0.5f - 0.49f - 0.175f,
                1e-6f);

    CarCoefficients steerGain = typicalCar();
    steerGain.YawSteerGain = 0.45f;
    const float capped = gripModel(turning, settings, steerGain).UndersteerMargin;
    steerGain.YawSteerGain = 3.0f;
    EXPECT_EQ(gripModel(turning, settings, steerGain).UndersteerMargin, capped)
        << "only up to 0.45 of the yaw steer gain is used";
}

TEST(GripModel, FullLighteningAtTwiceTheMarginLeavesAQuarter) {
    FfbSettings settings;
    settings.UndersteerLighten = 100;
    const GripResult r = gripModel(driving(2.175f), settings, typicalCar()); // U = 2
    EXPECT_FLOAT_EQ(r.UndersteerMargin, 2.0f);
    EXPECT_FLOAT_EQ(r.GripFactor, 0.25f);
    EXPECT_EQ(r.UndersteerActivity, 1.0f);
}

TEST(GripModel, LighteningWorksWithoutResistance) {
    FfbSettings settings;
    settings.UndersteerLighten = 40;
    settings.UndersteerResistance = 0;
    const GripResult r = gripModel(driving(0.675f), settings, typicalCar()); // U = 0.5
    EXPECT_EQ(r.UndersteerActivity, 0.0f);
    EXPECT_EQ(r.ResistanceForce, 0.0f);
    EXPECT_FLOAT_EQ(r.GripFactor, 1.0f - 0.4f * 0.5f * 0.75f);
}

TEST(GripModel, ResistancePushesAgainstTheSteering) {
    FfbSettings settings;
    settings.UndersteerResistance = 50;
    CarCoefficients car = typicalCar();
    car.ResistanceGain = 1.5f;
    const GripResult left = gripModel(driving(0.425f), settings, car); // U = 0.25
    EXPECT_FLOAT_EQ(left.UndersteerActivity, 0.25f);
    EXPECT_FLOAT_EQ(left.ResistanceForce, -(0.5f * 0.25f * 1.5f * 40.0f));
    EXPECT_FLOAT_EQ(gripModel(driving(-0.425f), settings, car).ResistanceForce, 7.5f);

    // A straight wheel still resists when the car's bias puts it past its margin.
    car.SteerMarginBias = 0.5f;
    const GripResult straight = gripModel(driving(0), settings, car);
    EXPECT_GT(straight.UndersteerActivity, 0.0f);
    EXPECT_LT(straight.ResistanceForce, 0.0f);
}

} // namespace
} // namespace gripline
