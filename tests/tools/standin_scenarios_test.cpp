// The synthetic drives, read back through the same decoding the program uses.
#include "telemetry/telemetry_image.h"
#include "telemetry/telemetry_layout.h"
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

TEST(StandinScenarios, ListsTheDrives) {
    EXPECT_EQ(scenarioNameList(),
              "straight, left-corner, right-corner, kerbs, abs-braking, off-track, crash, "
              "past-lock, tsukuba, wet, drying, replay, mx5-lap, f4-lap, f4-crash");
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

// The value of a "Key: value" line of a session text after `from`.
std::string sessionValue(const std::string& text, std::string_view key, size_t from = 0) {
    const std::string needle = std::string(key) + ": ";
    const size_t at = text.find(needle, from);
    if (at == std::string::npos)
        return {};
    const size_t start = at + needle.size();
    return text.substr(start, text.find('\n', start) - start);
}

// What the scenarios for contexts, replays and automatic strength must hold:
// their car and track, and the wet and replay flags over their 10 s.
TEST(StandinScenarios, ContextScenariosCarryTheirSessionAndFlags) {
    struct Case {
        std::string_view name;
        std::string_view carPath, trackName, trackDisplayName;
        // Expected flags at time t in s.
        bool (*declaredWet)(double t);
        int32_t (*wetness)(double t);
        bool (*replay)(double t);
    };
    auto never = [](double) { return false; };
    auto unknown = [](double) { return int32_t{0}; };
    const Case cases[] = {
        {"tsukuba", "mx5 mx52016", "tsukuba 2kfull", "Tsukuba Circuit 2k Full", never, unknown,
         never},
        {"wet", "mx5 mx52016", "gripline test circuit", "Gripline Test Circuit",
         [](double) { return true; }, [](double) { return int32_t{5}; }, never},
        {"drying", "mx5 mx52016", "gripline test circuit", "Gripline Test Circuit", never,
         [](double t) { return int32_t{t < 0.5 ? 5 : t < 1.0 ? 4 : t < 1.5 ? 3 : 2}; }, never},
        {"replay", "mx5 mx52016", "gripline test circuit", "Gripline Test Circuit", never,
         unknown, [](double t) { return t >= 3.0 && t < 7.0; }},
        {"mx5-lap", "mx5 mx52016", "tsukuba 2kfull", "Tsukuba Circuit 2k Full", never, unknown,
         never},
        {"f4-lap", "formulair04", "tsukuba 2kfull", "Tsukuba Circuit 2k Full", never, unknown,
         never},
        {"f4-crash", "formulair04", "tsukuba 2kfull", "Tsukuba Circuit 2k Full", never, unknown,
         never},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name));
        const ScenarioInfo* scenario = findScenario(c.name);
        ASSERT_NE(scenario, nullptr);
        const std::string text = scenarioSessionText(*scenario->identity);
        EXPECT_EQ(sessionValue(text, " TrackName"), c.trackName);
        EXPECT_EQ(sessionValue(text, " TrackDisplayName"), c.trackDisplayName);
        EXPECT_EQ(sessionValue(text, "CarPath", text.find(" - CarIdx: 1\n")), c.carPath);
        const auto lines = drive(c.name);
        for (size_t i = 0; i < lines.size(); ++i) {
            const double t = static_cast<double>(i) / kSimulatorTickRateHz;
            ASSERT_TRUE(lines[i].IsOnTrack) << "tick " << i;
            ASSERT_EQ(lines[i].WeatherDeclaredWet, c.declaredWet(t)) << "tick " << i;
            ASSERT_EQ(lines[i].TrackWetness, c.wetness(t)) << "tick " << i;
            ASSERT_EQ(lines[i].IsReplayPlaying, c.replay(t)) << "tick " << i;
        }
    }
}

TEST(StandinScenarios, FormulaCarPushesTwiceAsHardOnTheSameLap) {
    const auto mx5 = drive("mx5-lap"), f4 = drive("f4-lap"), crash = drive("f4-crash");
    float peakNm = 0;
    for (size_t i = 0; i < mx5.size(); ++i) {
        for (int j = 0; j < kSubSamples; ++j)
            ASSERT_FLOAT_EQ(f4[i].TorqueSt[j], 2 * mx5[i].TorqueSt[j]) << "tick " << i;
        EXPECT_FLOAT_EQ(f4[i].SteeringWheelAngle, mx5[i].SteeringWheelAngle);
        EXPECT_FLOAT_EQ(f4[i].LatAccel, mx5[i].LatAccel);
        peakNm = std::max(peakNm, std::abs(mx5[i].SteeringWheelTorque));
    }
    // Corners both ways and a kerb: a lap, not a straight.
    const auto [lo, hi] = std::minmax_element(
        mx5.begin(), mx5.end(),
        [](const TelemetrySnapshot& a, const TelemetrySnapshot& b) { return a.LatAccel < b.LatAccel; });
    EXPECT_LT(lo->LatAccel, -0.8f * kGravityMps2);
    EXPECT_GT(hi->LatAccel, 0.8f * kGravityMps2);
    EXPECT_GT(peakNm, 5.0f);
    // The crash is the F4 lap until the wall, then a hard impact.
    EXPECT_FLOAT_EQ(crash[2 * 60].SteeringWheelTorque, f4[2 * 60].SteeringWheelTorque);
    EXPECT_TRUE(std::any_of(crash.begin(), crash.end(), [](const TelemetrySnapshot& s) {
        return std::abs(s.LongAccel) > 20 * kGravityMps2;
    }));
}

// A run over several scenarios publishes a new session text where the car or
// the track changes, and only there.
TEST(StandinScenarios, RunRepublishesTheSessionTextWhereTheIdentityChanges) {
    Feed feed;
    std::string error;
    ASSERT_TRUE(feed.loadScenario("tsukuba,f4-lap,f4-crash,wet,drying,straight", error)) << error;
    std::vector<uint8_t> block(feed.blockSize());
    feed.prepare(block, true);
    auto update = [&] { return loadInt32(block, irsdk::kSessionInfoUpdate); };
    auto text = [&] {
        const TelemetryImage layout(standardTelemetryVars(), kRotatingBuffers, kSessionCapacity);
        return std::string(reinterpret_cast<const char*>(block.data() + layout.sessionOffset()));
    };
    EXPECT_EQ(sessionValue(text(), " TrackName"), "tsukuba 2kfull");
    std::vector<std::pair<int32_t, std::string>> changes; // line, car @ track
    for (int32_t i = 0, seen = update(); i < feed.lineCount() + 1; ++i) {
        feed.publish(block, i % feed.lineCount(), i);
        if (update() != seen) {
            seen = update();
            changes.emplace_back(i, sessionValue(text(), "CarPath", text().find(" - CarIdx: 1\n")) +
                                        " @ " + sessionValue(text(), " TrackName"));
        }
    }
    const std::vector<std::pair<int32_t, std::string>> expected = {
        {600, "formulair04 @ tsukuba 2kfull"},
        {1800, "mx5 mx52016 @ gripline test circuit"},
        {3600, "mx5 mx52016 @ tsukuba 2kfull"}, // looping back to the start
    };
    EXPECT_EQ(changes, expected);
}

} // namespace
