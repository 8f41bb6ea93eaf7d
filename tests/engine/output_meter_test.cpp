// The live meter's sliding second, the force switch's fade, and the wheel
// test's pattern and its log line.
#include "engine/force_gate.h"
#include "engine/output_meter.h"
#include "engine/wheel_test.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace gripline {
namespace {

constexpr int64_t kMs = kNsPerMs;

TEST(OutputMeter, KeepsThePeakAndTheClippingOfTheLastSecondOnly) {
    struct Sample {
        int64_t atMs;
        int32_t magnitude;
        bool clipped;
    };
    struct Case {
        const char* what;
        std::vector<Sample> samples;
        int64_t readAtMs;
        MeterReading expected;
    };
    const std::vector<Case> cases = {
        {"nothing sent", {}, 5000, {0, false}},
        {"the largest size, either sign", {{1000, 3000, false}, {1100, -4500, false}}, 1200, {4500, false}},
        {"a clipped sample lights the mark", {{1000, 9996, true}, {1010, 100, false}}, 1900, {9996, true}},
        {"three quarters later both still count", {{1000, 9996, true}, {1740, 100, false}}, 1999, {9996, true}},
        {"a second later the old quarter is gone", {{1000, 9996, true}, {1760, 100, false}}, 2000, {100, false}},
        {"a quiet wheel reads 0", {{1000, 5000, true}}, 2300, {0, false}},
        {"a bucket reused after a lap of the ring", {{1000, 7000, false}, {2000, 200, false}}, 2100, {200, false}},
        {"beyond full scale reads full scale", {{1000, INT32_MIN, false}}, 1001, {10000, false}},
    };
    for (const Case& c : cases) {
        OutputMeter meter;
        for (const Sample& s : c.samples)
            meter.add(s.magnitude, s.clipped, s.atMs * kMs);
        const MeterReading r = meter.read(c.readAtMs * kMs);
        EXPECT_EQ(r.Peak, c.expected.Peak) << c.what;
        EXPECT_EQ(r.Clipping, c.expected.Clipping) << c.what;
    }
}

TEST(ForceGate, FadesStraightToNothingAndLetsEverythingThroughWhenOn) {
    ForceGate gate;
    EXPECT_EQ(gate.apply(-8000, 0), -8000);
    gate.follow(true, 1000 * kMs);
    const std::vector<std::pair<int64_t, int32_t>> fade = {
        {1000, 8000}, {1010, 6400}, {1020, 4800}, {1040, 1600}, {1049, 160}, {1050, 0}, {1500, 0}};
    for (const auto& [atMs, expected] : fade)
        EXPECT_EQ(gate.apply(8000, atMs * kMs), expected) << atMs << " ms";
    EXPECT_FALSE(gate.faded(1049 * kMs));
    EXPECT_TRUE(gate.faded(1050 * kMs));
    gate.follow(true, 1200 * kMs); // still off: the fade does not start again
    EXPECT_TRUE(gate.faded(1200 * kMs));
    gate.follow(false, 1300 * kMs);
    EXPECT_FALSE(gate.faded(1300 * kMs));
    EXPECT_EQ(gate.apply(-8000, 1300 * kMs), -8000);
}

TEST(WheelTest, PatternGoesLeftThenRightWithinFifteenPercentAndEndsAtNothing) {
    int32_t lowest = 0, highest = 0, lastStep = 0;
    for (int64_t ms = -10; ms <= 1600; ++ms) {
        const int32_t m = WheelTest::patternAt(ms * kMs);
        lowest = std::min(lowest, m);
        highest = std::max(highest, m);
        lastStep = std::max(lastStep, std::abs(m - WheelTest::patternAt((ms - 1) * kMs)));
        if (ms <= 0 || ms >= 1000) {
            ASSERT_EQ(m, 0) << ms << " ms";
        }
    }
    EXPECT_EQ(WheelTest::patternAt(250 * kMs), -1500) << "left first";
    EXPECT_EQ(WheelTest::patternAt(750 * kMs), 1500);
    EXPECT_EQ(lowest, -1500);
    EXPECT_EQ(highest, 1500);
    EXPECT_LE(lastStep, 10) << "ramped in and out, no jump";
}

TEST(WheelTest, TheLogLineSaysWhatDirectInputMadeOfIt) {
    EXPECT_EQ(wheelTestMessage({true, 1234, 0}),
              L"Wheel test: DirectInput accepted 1234 updates, no errors.");
    EXPECT_EQ(wheelTestMessage({true, 10, static_cast<HResult>(0x80040205)}),
              L"Wheel test: DirectInput error 0x80040205 (DIERR_NOTEXCLUSIVEACQUIRED). Close other "
              L"programs that hold the wheel (the simulator, the wheel's own software) and test "
              L"again.");
    EXPECT_EQ(wheelTestMessage({false, 0, static_cast<HResult>(0x8007001E)}),
              L"Wheel test: DirectInput error 0x8007001E (DIERR_INPUTLOST). Check the wheel's USB "
              L"and power cables, then test again.");
    EXPECT_TRUE(wheelTestMessage({false, 0, 0}).starts_with(L"Wheel test: the wheel could not be opened."));
}

} // namespace
} // namespace gripline
