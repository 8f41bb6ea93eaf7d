// Auto strength over synthetic drives: where it settles, what it leaves
// out, how fast it may move and within which bounds.
#include "engine/auto_strength.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>

namespace gripline {
namespace {

constexpr int64_t kTickNs = 16'666'667;

// A cornering force swinging between ±peak once every four seconds: its
// P99 is just under the peak.
float weave(double t, float peakNm) {
    return peakNm * static_cast<float>(std::sin(t * 1.5707963));
}

struct Drive {
    const char* name;
    int32_t handed;
    int32_t target;
    double seconds;
    std::function<StrengthSample(double t)> tick;
    int32_t expected; // the settled strength, within a point
};

StrengthSample plain(float forceNm) {
    StrengthSample s;
    s.finalForceNm = forceNm;
    return s;
}

// Weave at 20 N·m (strength 80 for 80 %) with a wall hit every 20 s: the
// hit's tick, the crash hold after it, then two seconds of the car
// bouncing and spinning at 60 N·m.
StrengthSample crashingDrive(double t) {
    const double sinceHit = std::fmod(t, 20.0);
    StrengthSample s = plain(weave(t, 20.0f));
    if (t > 5 && sinceHit < 1.0 / 60) {
        s.finalForceNm = 150.0f;
        s.impact = true;
    } else if (t > 5 && sinceHit < 1.5) {
        s.finalForceNm = 8.0f;
        s.crashProtected = true;
    } else if (t > 5 && sinceHit < 3.5) {
        s.finalForceNm = 60.0f;
    }
    return s;
}

// Weave at 20 N·m with a third of the time parked in the pits, where the
// force of a wheel held against the lock would be 90 N·m, and end-stop ticks.
StrengthSample parkedDrive(double t) {
    StrengthSample s = plain(weave(t, 20.0f));
    const double phase = std::fmod(t, 30.0);
    if (phase < 10) {
        s.finalForceNm = 90.0f;
        s.parked = true;
    } else if (phase < 10.5) {
        s.finalForceNm = 90.0f;
        s.pastLock = true;
    }
    return s;
}

TEST(AutoStrength, SettlesWhereTheP99LandsAtTheTargetAndMovesOnlyAsFastAsAllowed) {
    const Drive drives[] = {
        {"steady 20 N·m", 50, 80, 120, [](double t) { return plain(weave(t, 20.0f)); }, 80},
        {"steady 40 N·m from above", 90, 80, 120, [](double t) { return plain(weave(t, 40.0f)); },
         40},
        {"target 60", 50, 60, 120, [](double t) { return plain(weave(t, 20.0f)); }, 60},
        // The force grows from 10 to 25 N·m over the first 40 s, then holds:
        // a minute later only the 25 N·m are in the window.
        {"growing", 50, 80, 180,
         [](double t) {
             return plain(weave(t, 10.0f + 15.0f * static_cast<float>(std::min(t, 40.0) / 40)));
         },
         64},
        {"crash spikes and their bounce", 50, 80, 160, crashingDrive, 80},
        {"parked and end stop left out", 50, 80, 200, parkedDrive, 80},
        {"weak car: no more than 100", 50, 80, 120, [](double t) { return plain(weave(t, 4.0f)); },
         100},
        {"brutal car: no less than 1", 5, 10, 120, [](double t) { return plain(weave(t, 900.0f)); },
         1},
        {"no force at all", 50, 80, 120, [](double) { return plain(0); }, 100},
        {"not a number is no sample", 50, 80, 120,
         [](double t) { return plain(std::fmod(t, 2.0) < 1 ? NAN : weave(t, 20.0f)); }, 80},
    };
    for (const Drive& drive : drives) {
        SCOPED_TRACE(drive.name);
        AutoStrengthRule rule;
        rule.restart(drive.handed, drive.target, 0);
        int32_t last = rule.strength();
        int64_t lastChangeNs = -1'000'000'000;
        int32_t counted = 0;
        const int ticks = static_cast<int>(drive.seconds * 60);
        for (int n = 0; n < ticks; ++n) {
            const int64_t now = n * kTickNs;
            const StrengthSample sample = drive.tick(n / 60.0);
            counted += rule.counts(sample, now) ? 1 : 0;
            const int32_t strength = rule.feed(sample, now);
            if (strength == last)
                continue;
            ASSERT_GE(counted, 1200) << "changed before 20 s of counted driving";
            ASSERT_EQ(std::abs(strength - last), 1) << "at " << n / 60.0 << " s";
            ASSERT_GE(now - lastChangeNs, 500'000'000 - kTickNs) << "at " << n / 60.0 << " s";
            ASSERT_GE(strength, 1);
            ASSERT_LE(strength, 100);
            last = strength;
            lastChangeNs = now;
        }
        EXPECT_NEAR(rule.strength(), drive.expected, 1);
        ASSERT_GE(rule.settledCount(), 1u);
        EXPECT_EQ(rule.lastSettled().strength, rule.strength());
        EXPECT_GT(rule.lastSettled().seconds, 20);
        EXPECT_LE(rule.lastSettled().seconds, 60);
    }
}

TEST(AutoStrength, AnnouncesEachSettledValueOnceAndStartsOverWhenRestarted) {
    AutoStrengthRule rule({.windowTicks = 600, .startTicks = 300});
    rule.restart(70, 80, 0);
    int64_t now = 0;
    auto drive = [&](double seconds, float peakNm) {
        for (int n = 0; n < seconds * 60; ++n, now += kTickNs)
            rule.feed(plain(weave(n / 60.0, peakNm)), now);
    };
    drive(40, 20.0f);
    EXPECT_EQ(rule.strength(), 80);
    EXPECT_EQ(rule.settledCount(), 1u);
    EXPECT_NEAR(rule.lastSettled().p99Nm, 20.0f, 0.1f);
    EXPECT_EQ(rule.lastSettled().seconds, 10);
    drive(40, 20.0f);
    EXPECT_EQ(rule.settledCount(), 1u) << "the same value is announced once";
    drive(60, 32.0f);
    EXPECT_EQ(rule.strength(), 50);
    EXPECT_EQ(rule.settledCount(), 2u);

    rule.restart(33, 80, now);
    EXPECT_EQ(rule.strength(), 33);
    EXPECT_EQ(rule.countedTicks(), 0);
    drive(4, 32.0f);
    EXPECT_EQ(rule.strength(), 33) << "a new start waits for enough driving again";
}

} // namespace
} // namespace gripline
