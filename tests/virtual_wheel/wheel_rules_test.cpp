// The virtual wheel's own rules: how a failure script is read and counted,
// and how the rim answers a torque.
#include "tools/virtual_wheel/button_script.h"
#include "tools/virtual_wheel/failure_script.h"
#include "tools/virtual_wheel/wheel_model.h"

#include <gtest/gtest.h>

namespace gripline::wheel {
namespace {

constexpr int32_t kInputLost = static_cast<int32_t>(0x8007001E);
constexpr int32_t kFail = static_cast<int32_t>(0x80004005);

TEST(FailureScriptReading, TakesEachFieldWithItsDefaultsInAnyCaseAndSpacing) {
    const ParsedScript script = parseFailureScript(
        "SetParameters:0x8007001E:1:500, createeffect:0x80004005:3 ,Acquire:-2147467259,"
        " GetDeviceState : 2147942430 : 0 : 7 ,,");
    EXPECT_TRUE(script.rejected.empty());
    const std::vector<ScriptedFailure> expected = {
        {ScriptedCall::SetParameters, kInputLost, 1, 500},
        {ScriptedCall::CreateEffect, kFail, 3, 0},
        {ScriptedCall::Acquire, kFail, 1, 0},
        {ScriptedCall::GetDeviceState, kInputLost, 0, 7},
    };
    EXPECT_EQ(script.failures, expected);
}

TEST(ButtonScript, PressesAreHeldForTheirTimeAndMalformedLinesLeftOut) {
    const std::vector<ScriptedPress> presses = parseButtonScript(
        "1000000 5 300\r\n1200000 1 100\nnonsense\n1 17 5\n1 0 5\n1 2 -1\n1 2 3 4\n"
        "  2000000\t16 50  \n");
    EXPECT_EQ(presses, (std::vector<ScriptedPress>{{1000000, 5, 300}, {1200000, 1, 100},
                                                  {2000000, 16, 50}}));
    const std::vector<std::pair<int64_t, uint32_t>> downAt = {
        {999999, 0}, {1000000, 1u << 4}, {1250000, (1u << 4) | 1u}, {1300000, 0},
        {1299999, (1u << 4) | 1u}, {1300001, 0}, {2049999, 1u << 15}, {2050000, 0}};
    for (const auto& [atUs, down] : downAt)
        EXPECT_EQ(buttonsDownAt(presses, atUs), down) << atUs;
}

TEST(FailureScriptReading, RejectsMalformedEntriesAndKeepsTheRest) {
    const ParsedScript script = parseFailureScript(
        "SetParameters,Poll:0x80004005,Start:0x00000001,Start:0x8000000G,Start:0x180004005,"
        "Start:0x80004005:x,Start:0x80004005:1:2:3,Start:0x-8004005,Start::1,"
        "Start:0x80004005:2");
    EXPECT_EQ(script.rejected, (std::vector<std::string>{
                                   "SetParameters", "Poll:0x80004005", "Start:0x00000001",
                                   "Start:0x8000000G", "Start:0x180004005", "Start:0x80004005:x",
                                   "Start:0x80004005:1:2:3", "Start:0x-8004005", "Start::1"}));
    ASSERT_EQ(script.failures.size(), 1u);
    EXPECT_EQ(script.failures[0], (ScriptedFailure{ScriptedCall::Start, kFail, 2, 0}));
}

TEST(FailureScriptCounting, FailsExactlyTheScriptedCallsOfEachKind) {
    FailureScript script(
        {{ScriptedCall::SetParameters, kInputLost, 2, 3}, {ScriptedCall::Start, kFail, 0, 1}});
    std::vector<bool> failed;
    for (int i = 0; i < 7; ++i)
        failed.push_back(script.nextCall(ScriptedCall::SetParameters).has_value());
    EXPECT_EQ(failed, (std::vector<bool>{false, false, false, true, true, false, false}));

    // Count 0: every call from `after` on; other kinds count on their own.
    EXPECT_FALSE(script.nextCall(ScriptedCall::Start));
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(script.nextCall(ScriptedCall::Start), kFail);
    EXPECT_FALSE(script.nextCall(ScriptedCall::Acquire));
}

TEST(RimModel, TurnsWithASustainedTorqueToWhereTheHandsHoldIt) {
    WheelModel rim;
    EXPECT_EQ(rim.axisRaw(), 32767);
    for (int ms = 0; ms < 200; ++ms)
        rim.step(rim.motorTorqueNm(-5000), false);
    EXPECT_GT(rim.velocityRadPerS(), 0.0);
    EXPECT_GT(rim.axisRaw(), 32767 + 500);

    // Full force settles short of the lock, about 3.3 rad (190°) round.
    for (int ms = 0; ms < 5000; ++ms)
        rim.step(rim.motorTorqueNm(-10000), false);
    EXPECT_NEAR(rim.angleRad(), 10.0 / 3.0, 0.05);
    EXPECT_TRUE(rim.atRest(rim.motorTorqueNm(-10000), false));
    EXPECT_EQ(rim.motorTorqueNm(-25000), rim.motorTorqueNm(-10000)) << "clamped to full scale";
}

TEST(RimModel, StopsDeadAtTheLockEitherWay) {
    WheelModel rim(RimConstants{.centringNmPerRad = 0.0});
    for (int ms = 0; ms < 3000; ++ms)
        rim.step(rim.motorTorqueNm(-10000), false);
    EXPECT_EQ(rim.axisRaw(), 65535);
    EXPECT_EQ(rim.velocityRadPerS(), 0.0);
    EXPECT_TRUE(rim.atRest(rim.motorTorqueNm(-10000), false)) << "pinned at the end stop";

    for (int ms = 0; ms < 6000; ++ms)
        rim.step(rim.motorTorqueNm(10000), false);
    EXPECT_EQ(rim.axisRaw(), 0);
}

TEST(RimModel, FrictionHoldsAGentleTorqueAndSettlesARimLeftAlone) {
    WheelModel rim;
    const double gentleNm = rim.motorTorqueNm(-50); // 0.05 N·m, under the friction
    EXPECT_TRUE(rim.atRest(gentleNm, false));
    rim.step(gentleNm, false);
    EXPECT_EQ(rim.axisRaw(), 32767);

    for (int ms = 0; ms < 300; ++ms)
        rim.step(rim.motorTorqueNm(4000), false);
    const int32_t turned = rim.axisRaw();
    EXPECT_LT(turned, 32767);
    int ms = 0;
    while (!rim.atRest(0.0, true) && ms++ < 20000)
        rim.step(0.0, true);
    EXPECT_TRUE(rim.atRest(0.0, true)) << "still moving after 20 s";
    EXPECT_GT(rim.axisRaw(), turned) << "the autocentre spring pulls it back";
}

} // namespace
} // namespace gripline::wheel
