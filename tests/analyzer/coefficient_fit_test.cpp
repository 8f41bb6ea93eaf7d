// The coefficient fit on made-up drives whose steering follows a known law:
// it must find the law again, hold the documented limits and refuse drives
// that cannot tell the coefficients apart.
#include "analyzer/coefficient_estimate.h"
#include "synthetic_drive.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace gripline {
namespace {

using test::cornerDrive;
using test::ordinaryHeader;
using test::SteeringLaw;

CoefficientEstimate fit(const RecordingHeader& header, const std::vector<RecordingSample>& samples) {
    return estimateCoefficients(header, samples, 25.0f);
}

// The car of most tests: yaw-rate multiplier 50 (a = 1.25), divisor 100
// (b = 0.9), 0.03 rad offset.
constexpr SteeringLaw kLaw{1.25f, 0.9f, 0.03f};

RecordingHeader headerOfTheLaw() {
    RecordingHeader header = ordinaryHeader();
    header.YawRateMultiplier = 50.0f;
    header.LateralAccelDivisor = 100.0f;
    return header;
}

TEST(CoefficientFit, FindsTheSteeringLawThatMadeTheDrive) {
    // One corner in ten held 0.4 rad further (understeer): the residual band
    // leaves them out.
    const CoefficientEstimate e = fit(headerOfTheLaw(), cornerDrive(4000, kLaw, 0.4f));
    ASSERT_TRUE(e.Valid);
    EXPECT_EQ(e.StableCornerCount, 4000u);
    EXPECT_EQ(e.Coefficients.YawRateMultiplier, 50.0f);
    EXPECT_EQ(e.Coefficients.LateralAccelDivisor, 100.0f);
    // The margin puts 18 % of the unexplained steering above 0.175 rad: the
    // offset is all that is unexplained, so 0.175 - 0.03 rad, moved at most
    // three degrees from the recorded 0 and rounded to 0.01 degree.
    EXPECT_FLOAT_EQ(e.Coefficients.SteerMarginBias, 300.0f * 0.1f / 572.9578f);
    EXPECT_NEAR(e.SpeedRange, 45.0f, 0.6f);
    EXPECT_TRUE(e.HighConfidence);
    EXPECT_TRUE(e.MediumConfidence);
}

TEST(CoefficientFit, TheRidgeHoldsTheEstimateNearTheRecordedValues) {
    // Recorded 44 for a car of 50: the fit moves most of the way, not all.
    RecordingHeader header = headerOfTheLaw();
    header.YawRateMultiplier = 44.0f;
    const float y = fit(header, cornerDrive(4000, kLaw, 0.4f)).Coefficients.YawRateMultiplier;
    EXPECT_GE(y, 47.0f);
    EXPECT_LT(y, 50.0f);
}

TEST(CoefficientFit, SteersTheMarginWithinThreeDegreesInHundredthsOfADegree) {
    RecordingHeader header = headerOfTheLaw();
    header.SteerMarginBias = 0.12f; // 0.145 is within three degrees of it
    const CoefficientEstimate e = fit(header, cornerDrive(1000, kLaw, 0.4f));
    ASSERT_TRUE(e.Valid);
    // 0.145 rad = 8.3079 degrees: rounded to 8.31 degrees.
    EXPECT_FLOAT_EQ(e.Coefficients.SteerMarginBias, 831.0f * 0.1f / 572.9578f);
}

TEST(CoefficientFit, NeedsOneHundredEightyStableCorners) {
    RecordingHeader header = ordinaryHeader();
    header.Version = 1;
    header.YawSteerGain = 0.3f;
    header.YawRateMultiplier = 0.0f;
    header.LateralAccelDivisor = -5.0f;
    header.ResistanceGain = 0.0f;
    header.SteerMarginBias = 0.05f;

    std::vector<RecordingSample> drive = cornerDrive(179, kLaw);
    // Samples that are not steady corners do not count.
    RecordingSample straight{};
    straight.Speed = 50.0f;
    straight.CrashFactor = 1.0f;
    drive.insert(drive.end(), 500, straight);
    const CoefficientEstimate few = fit(header, drive);
    EXPECT_FALSE(few.Valid);
    EXPECT_EQ(few.StableCornerCount, 179u);
    EXPECT_EQ(few.SpeedRange, 0.0f);
    EXPECT_EQ(few.YawLateralCorrelation, 1.0f);
    // The recorded coefficients, as the fit would have started from them.
    EXPECT_EQ(few.Coefficients.YawRateMultiplier, 40.0f);
    EXPECT_EQ(few.Coefficients.LateralAccelDivisor, 90.0f);
    EXPECT_EQ(few.Coefficients.ResistanceGain, 1.0f);
    EXPECT_EQ(few.Coefficients.SteerMarginBias, 0.05f);
    EXPECT_EQ(few.Coefficients.YawSteerGain, 0.0f) << "a version-1 file has no yaw steer gain";

    drive.push_back(test::cornerSample(1.0f, 0.2f, 30.0f, 1.0f, kLaw));
    const CoefficientEstimate enough = fit(header, drive);
    EXPECT_TRUE(enough.Valid);
    EXPECT_EQ(enough.StableCornerCount, 180u);
}

TEST(CoefficientFit, StartingValuesDefaultAndLimitTheRecordedOnes) {
    RecordingHeader header = ordinaryHeader();
    header.YawSteerGain = 0.6f;
    EXPECT_EQ(startingCoefficients(header).YawSteerGain, 0.45f);
    header.YawSteerGain = -0.1f;
    EXPECT_EQ(startingCoefficients(header).YawSteerGain, 0.0f);
    header.YawSteerGain = 0.2f;
    EXPECT_EQ(startingCoefficients(header).YawSteerGain, 0.2f);
    header.Version = 1;
    EXPECT_EQ(startingCoefficients(header).YawSteerGain, 0.0f);

    // A damaged header: values that are not finite numbers take the defaults
    // instead of running through the fit into the advice.
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    header = ordinaryHeader();
    header.YawRateMultiplier = inf;
    header.LateralAccelDivisor = nan;
    header.ResistanceGain = inf;
    header.SteerMarginBias = -inf;
    header.YawSteerGain = nan;
    const CarCoefficients start = startingCoefficients(header);
    EXPECT_EQ(start.YawRateMultiplier, 40.0f);
    EXPECT_EQ(start.LateralAccelDivisor, 90.0f);
    EXPECT_EQ(start.ResistanceGain, 1.0f);
    EXPECT_EQ(start.SteerMarginBias, 0.0f);
    EXPECT_EQ(start.YawSteerGain, 0.0f);
    header.YawSteerGain = inf; // a number, limited as any other
    EXPECT_EQ(startingCoefficients(header).YawSteerGain, 0.45f);
}

TEST(CoefficientFit, NeverOffersACoefficientThatIsNotAFiniteNumber) {
    const std::vector<RecordingSample> drive = cornerDrive(1000, kLaw);
    // A steer margin bias recorded as infinity: the fit starts from 0.
    RecordingHeader header = headerOfTheLaw();
    header.SteerMarginBias = std::numeric_limits<float>::infinity();
    const CoefficientEstimate fromDefault = fit(header, drive);
    ASSERT_TRUE(fromDefault.Valid);
    EXPECT_FLOAT_EQ(fromDefault.Coefficients.SteerMarginBias, 300.0f * 0.1f / 572.9578f);

    // Finite but absurd: the step limits keep the gain near 1e38, which
    // rounds to infinity. No estimate, the recorded values as they were.
    header = headerOfTheLaw();
    header.ResistanceGain = 1e38f;
    const CoefficientEstimate gain = fit(header, drive);
    EXPECT_FALSE(gain.Valid);
    EXPECT_EQ(gain.StableCornerCount, 1000u);
    EXPECT_EQ(gain.Coefficients.ResistanceGain, 1e38f);

    header = headerOfTheLaw();
    header.SteerMarginBias = 1e36f;
    EXPECT_FALSE(fit(header, drive).Valid);
}

TEST(CoefficientFit, YawSteerGainStartsAtZeroForAVersionOneRecording) {
    // Steering fully explained by the law: no slope against the yaw load, so
    // the gain falls as far as its step limit lets it.
    RecordingHeader header = headerOfTheLaw();
    header.YawSteerGain = 0.3f;
    EXPECT_FLOAT_EQ(fit(header, cornerDrive(1000, kLaw)).Coefficients.YawSteerGain, 0.18f);
    header.Version = 1;
    EXPECT_EQ(fit(header, cornerDrive(1000, kLaw)).Coefficients.YawSteerGain, 0.0f);
}

TEST(CoefficientFit, LimitsAnImplausibleCar) {
    // 40a = 95 and no lateral term at all (b = 0): the multiplier stops at
    // 70 and the divisor at 130 (90 / 0.001 limited).
    RecordingHeader header = ordinaryHeader();
    header.YawRateMultiplier = 70.0f;
    header.LateralAccelDivisor = 1000.0f; // a prior of b near 0 as well
    const CoefficientEstimate e = fit(header, cornerDrive(2000, SteeringLaw{95.0f / 40.0f, 0, 0.05f}));
    ASSERT_TRUE(e.Valid);
    EXPECT_EQ(e.Coefficients.YawRateMultiplier, 70.0f);
    EXPECT_EQ(e.Coefficients.LateralAccelDivisor, 130.0f);

    // A car that needs almost no steering for its rotation: at least 10.
    header = ordinaryHeader();
    header.YawRateMultiplier = 10.0f;
    const CoefficientEstimate low = fit(header, cornerDrive(2000, SteeringLaw{0.05f, 0.9f, 0.05f}));
    EXPECT_EQ(low.Coefficients.YawRateMultiplier, 10.0f);
}

TEST(CoefficientFit, OneDirectionOfTurnNeverReachesMediumConfidence) {
    const CoefficientEstimate e =
        fit(headerOfTheLaw(), cornerDrive(5000, kLaw, 0.0f, /*bothSides=*/false));
    ASSERT_TRUE(e.Valid);
    EXPECT_FALSE(e.MediumConfidence);
    EXPECT_FALSE(e.HighConfidence);
}

TEST(CoefficientFit, ResistanceGainAimsThePercentileAtThirtyPercentOfFullScale) {
    std::vector<RecordingSample> drive = cornerDrive(1000, kLaw);
    const auto resistance = [&](float nm) {
        for (size_t i = 0; i < 100; ++i) {
            drive[i].UndersteerActivity = 0.5f;
            drive[i].ResistanceForce = i % 2 ? -nm : nm;
        }
    };
    // Resistance acting in 100 samples, P90 = 6 N·m: 25 × 0.3 / 6 = 1.25.
    resistance(6.0f);
    RecordingHeader header = headerOfTheLaw();
    EXPECT_FLOAT_EQ(fit(header, drive).Coefficients.ResistanceGain, 1.25f);
    header.ResistanceGain = 1.9f; // 2.375, but never above 2
    EXPECT_FLOAT_EQ(fit(header, drive).Coefficients.ResistanceGain, 2.0f);
    header.ResistanceGain = 1.0f;
    resistance(20.0f); // 0.375, but at most 0.25 less than recorded
    EXPECT_FLOAT_EQ(fit(header, drive).Coefficients.ResistanceGain, 0.75f);

    // Resistance off, too rarely acting or too weak: the recorded gain,
    // rounded to 0.05.
    header.ResistanceGain = 1.23f;
    header.UndersteerResistance = 0;
    EXPECT_FLOAT_EQ(fit(header, drive).Coefficients.ResistanceGain, 1.25f);
    header.UndersteerResistance = 60;
    resistance(0.05f);
    EXPECT_FLOAT_EQ(fit(header, drive).Coefficients.ResistanceGain, 1.25f);
    resistance(6.0f);
    for (size_t i = 59; i < 100; ++i) // only 59 samples with resistance acting
        drive[i].UndersteerActivity = 0.0f;
    EXPECT_FLOAT_EQ(fit(header, drive).Coefficients.ResistanceGain, 1.25f);
}

TEST(CoefficientFit, DamagedSamplesAreNoCorners) {
    std::vector<RecordingSample> drive = cornerDrive(400, kLaw);
    drive[5].LatAccel = std::numeric_limits<float>::infinity();
    drive[7].SteeringWheelAngle = std::numeric_limits<float>::quiet_NaN();
    drive[9].CrashFactor = 0.5f;
    drive[11].LongAccel = 7.0f;
    drive[13].YawRate = -drive[13].YawRate; // yaw against the lateral load
    const CoefficientEstimate e = fit(ordinaryHeader(), drive);
    EXPECT_EQ(e.StableCornerCount, 395u);
    EXPECT_TRUE(std::isfinite(e.Coefficients.YawRateMultiplier));
}

} // namespace
} // namespace gripline
