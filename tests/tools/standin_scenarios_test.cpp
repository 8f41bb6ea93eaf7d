// The synthetic drives, read back through the same decoding the program uses.
#include "telemetry/telemetry_image.h"
#include "telemetry/telemetry_variables.h"
#include "tools/simulator_standin/feed.h"
#include "tools/simulator_standin/scenarios.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace gripline;
using namespace gripline::standin;

constexpr float kGravityMps2 = 9.80665f;

// All lines of one scenario, decoded as the reader decodes them.
std::vector<TelemetrySnapshot> drive(std::string_view name) {
    TelemetryImage layout(standardTelemetryVars(), kRotatingBuffers, kSessionCapacity);
    std::vector<uint8_t> block(layout.size());
    layout.format(block);
    const TelemetryVarIndices vars = resolveVariables(block);
    std::vector<uint8_t> line = layout.newLine();
    std::vector<TelemetrySnapshot> snapshots(kScenarioLines);
    for (int32_t i = 0; i < kScenarioLines; ++i) {
        fillScenarioLine(*findScenario(name), i, i, layout, line);
        decodeLine(block, vars, line, i, snapshots[static_cast<size_t>(i)]);
    }
    return snapshots;
}

float spread(const float (&values)[kSubSamples]) {
    const auto [lo, hi] = std::minmax_element(std::begin(values), std::end(values));
    return *hi - *lo;
}

TEST(StandinScenarios, ListsTheEightDrives) {
    EXPECT_EQ(
        scenarioNameList(),
        "straight, left-corner, right-corner, kerbs, abs-braking, off-track, crash, past-lock");
    EXPECT_EQ(findScenario("nowhere"), nullptr);
}

TEST(StandinScenarios, EveryDriveGivesFiniteValuesOfARealCar) {
    for (const ScenarioInfo& scenario : scenarios()) {
        for (const TelemetrySnapshot& s : drive(scenario.name)) {
            SCOPED_TRACE(std::string(scenario.name) + " tick " + std::to_string(s.TickCount));
            for (float v : {s.Speed, s.SteeringWheelTorque, s.SteeringWheelAngle, s.VelocityX,
                            s.VelocityY, s.LongAccel, s.LatAccel, s.YawRate})
                ASSERT_TRUE(std::isfinite(v));
            ASSERT_GE(s.Speed, 0.0f);
            ASSERT_LE(s.Speed, 70.0f); // m/s
            ASSERT_FLOAT_EQ(s.SteeringWheelAngleMax, kWheelLockToLockRad);
            ASSERT_EQ(s.TorqueStCount, 6);
            ASSERT_EQ(s.ShockStCount, 6);
            ASSERT_EQ(s.CFshockStCount, 6);
            // The newest 360 Hz sub-sample is the tick's own value.
            ASSERT_FLOAT_EQ(s.TorqueSt[5], s.SteeringWheelTorque);
            for (float m : {s.LFshockDefl, s.RFshockDefl, s.CFshockDefl}) {
                ASSERT_GE(m, s.IsOnTrack ? 0.02f : 0.0f);
                ASSERT_LE(m, 0.07f);
            }
        }
    }
}

TEST(StandinScenarios, EveryDriveLoopsWithoutAJump) {
    for (const ScenarioInfo& scenario : scenarios()) {
        const auto lines = drive(scenario.name);
        const TelemetrySnapshot& last = lines.back();
        const TelemetrySnapshot& first = lines.front();
        EXPECT_EQ(last.IsOnTrack, first.IsOnTrack) << scenario.name;
        EXPECT_NEAR(last.Speed, first.Speed, 0.5f) << scenario.name;
        EXPECT_NEAR(last.SteeringWheelAngle, first.SteeringWheelAngle, 0.05f) << scenario.name;
        EXPECT_NEAR(last.SteeringWheelTorque, first.SteeringWheelTorque, 1.0f) << scenario.name;
        EXPECT_NEAR(last.LatAccel, first.LatAccel, 0.5f) << scenario.name;
    }
}

TEST(StandinScenarios, StraightKeepsTheWheelNearCentre) {
    for (const TelemetrySnapshot& s : drive("straight")) {
        EXPECT_NEAR(s.Speed, 40.0f, 0.1f);
        EXPECT_LT(std::abs(s.SteeringWheelAngle), 0.05f);
        EXPECT_LT(std::abs(s.LatAccel), 1.0f);
        EXPECT_TRUE(s.IsOnTrack);
    }
}

TEST(StandinScenarios, CornersTurnSteadilyAndMirrorEachOther) {
    const auto left = drive("left-corner");
    const auto right = drive("right-corner");
    for (size_t i = 2 * 60; i < 8 * 60; ++i) { // the steady part, 2 s to 8 s
        const TelemetrySnapshot& l = left[i];
        EXPECT_GT(l.SteeringWheelAngle, 0.5f);
        EXPECT_GT(l.LatAccel, 0.8f * kGravityMps2);
        EXPECT_GT(l.YawRate, 0.3f);
        EXPECT_LT(l.SteeringWheelTorque, -5.0f); // aligning: pushes back to centre
        EXPECT_GT(l.RFshockDefl, l.LFshockDefl); // the outer front compresses
        EXPECT_FLOAT_EQ(right[i].SteeringWheelAngle, -l.SteeringWheelAngle);
        EXPECT_FLOAT_EQ(right[i].LatAccel, -l.LatAccel);
        EXPECT_FLOAT_EQ(right[i].YawRate, -l.YawRate);
        EXPECT_FLOAT_EQ(right[i].VelocityY, -l.VelocityY);
    }
}

TEST(StandinScenarios, KerbsSpikeTheShocksBetween360HzSubSamples) {
    int strikes = 0;
    for (const TelemetrySnapshot& s : drive("kerbs")) {
        const float lfM = spread(s.LFshockDeflSt), rfM = spread(s.RFshockDeflSt);
        if (std::max(lfM, rfM) > 0.005f) {
            ++strikes;
        } else {
            EXPECT_LT(std::max(lfM, rfM), 0.0015f) << "tick " << s.TickCount;
        }
    }
    // Four strikes of 0.4 s: most of their 96 ticks show a spike of 5 mm.
    EXPECT_GT(strikes, 60);
    EXPECT_LE(strikes, 96);
}

TEST(StandinScenarios, AbsBrakingTogglesTheAbsUnderHardDeceleration) {
    const auto lines = drive("abs-braking");
    int toggles = 0;
    float hardestMps2 = 0;
    for (size_t i = 1; i < lines.size(); ++i) {
        toggles += lines[i].BrakeABSactive != lines[i - 1].BrakeABSactive;
        hardestMps2 = std::min(hardestMps2, lines[i].LongAccel);
        if (lines[i].BrakeABSactive) {
            EXPECT_LT(lines[i].LongAccel, -9.0f);
        }
    }
    EXPECT_GE(toggles, 60); // 10 Hz for 3.5 s
    EXPECT_LT(hardestMps2, -12.0f);
    EXPECT_FALSE(lines.front().BrakeABSactive);
    EXPECT_FALSE(lines.back().BrakeABSactive);
}

TEST(StandinScenarios, OffTrackLeavesForTheGarageAndComesBack) {
    const auto lines = drive("off-track");
    const auto off = std::count_if(lines.begin(), lines.end(),
                                   [](const TelemetrySnapshot& s) { return !s.IsOnTrack; });
    EXPECT_EQ(off, 4 * 60);
    EXPECT_TRUE(lines.front().IsOnTrack);
    EXPECT_FALSE(lines[5 * 60].IsOnTrack);
    EXPECT_EQ(lines[5 * 60].Speed, 0.0f);
    EXPECT_TRUE(lines.back().IsOnTrack);
}

TEST(StandinScenarios, CrashPassesTenGForATickOrTwoThenSlows) {
    const auto lines = drive("crash");
    std::vector<size_t> impact;
    for (size_t i = 0; i < lines.size(); ++i)
        if (std::max(std::abs(lines[i].LongAccel), std::abs(lines[i].LatAccel)) > 10 * kGravityMps2)
            impact.push_back(i);
    ASSERT_GE(impact.size(), 1u);
    ASSERT_LE(impact.size(), 2u);
    EXPECT_LT(lines[impact.back() + 2 * 60].Speed, 5.0f);
}

TEST(StandinScenarios, PastLockTurnsTheWheelBeyondHalfItsRangeBothWays) {
    bool pastLeft = false, pastRight = false;
    for (const TelemetrySnapshot& s : drive("past-lock")) {
        const float half = s.SteeringWheelAngleMax / 2;
        if (std::abs(s.SteeringWheelAngle) > half + 0.1f) {
            EXPECT_GT(-std::copysign(1.0f, s.SteeringWheelAngle) * s.SteeringWheelTorque, 50.0f)
                << "the end stop pushes back at tick " << s.TickCount;
        }
        pastLeft |= s.SteeringWheelAngle > half;
        pastRight |= s.SteeringWheelAngle < -half;
    }
    EXPECT_TRUE(pastLeft);
    EXPECT_TRUE(pastRight);
}

TEST(StandinScenarios, SessionTimeAndTickFollowTheTickCount) {
    TelemetryImage layout(standardTelemetryVars());
    std::vector<uint8_t> line = layout.newLine();
    fillScenarioLine(*findScenario("straight"), 30, 630, layout, line);
    double timeS = 0;
    int32_t tick = 0;
    std::memcpy(&timeS, line.data() + layout.offsetOf("SessionTime"), sizeof timeS);
    std::memcpy(&tick, line.data() + layout.offsetOf("SessionTick"), sizeof tick);
    EXPECT_DOUBLE_EQ(timeS, 10.5);
    EXPECT_EQ(tick, 630);
}

TEST(StandinScenarios, SessionTextGivesTheUsersOwnCarPath) {
    const std::string text = scenarioSessionText();
    const size_t drivers = text.find("\n Drivers:\n");
    ASSERT_NE(text.find(" DriverCarIdx: 1\n"), std::string::npos);
    ASSERT_NE(drivers, std::string::npos);
    const size_t own = text.find(" - CarIdx: 1\n", drivers);
    ASSERT_NE(own, std::string::npos);
    const size_t path = text.find("CarPath: ", own);
    EXPECT_EQ(text.substr(path, text.find('\n', path) - path),
              "CarPath: " + std::string(kScenarioCarPath));
    EXPECT_LT(path, text.find(" - CarIdx: 2\n", own));
}

} // namespace
