#include "common/sleep_stages.h"
#include "common/virtual_clock.h"
#include "common/wait_margin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace gripline {
namespace {

// The margin a waiter wakes early by: it follows the lateness seen, shrugs
// off a few preemptions, and never grows past the ceiling.
TEST(WaitMargin, FollowsTheFourthLatestOfTheLast64Sleeps) {
    struct Case {
        const char* what;
        std::vector<int64_t> lateness; // ns, noted in order after a start at 100 µs
        int64_t marginNs;
    };
    const int64_t guard = WaitMargin::kGuardNs;
    const std::vector<int64_t> steady(64, 70'000);
    std::vector<int64_t> threeOutliers = steady;
    for (int i : {10, 20, 30})
        threeOutliers[i] = 5'000'000;
    std::vector<int64_t> fourOutliers = threeOutliers;
    fourOutliers[40] = 5'000'000;
    std::vector<int64_t> outliersAged = fourOutliers;
    outliersAged.insert(outliersAged.end(), 64, 60'000);
    const Case cases[] = {
        {"nothing seen yet", {}, 100'000 + guard},
        {"a steady 70 µs replaces the start", steady, 70'000 + guard},
        {"three preemptions are ignored", threeOutliers, 70'000 + guard},
        {"four are capped at the ceiling", fourOutliers, WaitMargin::kCeilingNs + guard},
        {"and forgotten 64 sleeps later", outliersAged, 60'000 + guard},
        {"waking early counts as on time", std::vector<int64_t>(64, -300'000), guard},
    };
    for (const Case& c : cases) {
        WaitMargin margin(100'000);
        for (int64_t late : c.lateness)
            margin.note(late);
        EXPECT_EQ(margin.marginNs(), c.marginNs) << c.what;
    }
}

// Staged waits on two kinds of system, 1000 waits 1380 µs apart: one whose
// long sleeps wake 330 µs late one time in fifty (a VM handing an idle
// processor away) while short hops land within 60 µs, and one whose sleeps
// are all precise. After the first few hundred waits no deadline is missed,
// the spin before each stays short, and the precise system sleeps once.
TEST(SleepStages, TheHopCatchesALongSleepsTailAndIsSkippedWhereSleepsArePrecise) {
    struct Case {
        const char* what;
        int64_t longLatenessNs, longTailNs, hopLatenessNs;
        double sleepsPerWait;
    };
    const Case cases[] = {
        {"tail on long sleeps", 70'000, 400'000, 60'000, 2.0},
        {"precise sleeps", 10'000, 10'000, 10'000, 1.0},
    };
    constexpr int64_t kSpacingNs = 1'380'000;
    for (const Case& c : cases) {
        VirtualClock clock;
        SleepStages stages;
        int sleeps = 0, missed = 0;
        int64_t spunNs = 0;
        constexpr int kWarmUp = 300, kWaits = 1000;
        for (int i = 0; i < kWaits; ++i) {
            const int64_t deadline = clock.now + kSpacingNs;
            int64_t lastWake = clock.now;
            waitInStages(clock, stages, deadline, [&](int64_t ns) {
                const bool hop = ns < 400'000;
                const int64_t late = hop ? c.hopLatenessNs
                                     : (i % 50 == 7 ? c.longTailNs : c.longLatenessNs);
                clock.now += ns + late;
                lastWake = clock.now;
                sleeps += i >= kWarmUp;
                return ns;
            });
            if (i < kWarmUp)
                continue;
            missed += lastWake > deadline;
            spunNs += std::max<int64_t>(deadline - lastWake, 0);
        }
        const int measured = kWaits - kWarmUp;
        EXPECT_EQ(missed, 0) << c.what;
        EXPECT_LE(spunNs / measured, 40'000) << c.what;
        EXPECT_NEAR(static_cast<double>(sleeps) / measured, c.sleepsPerWait, 0.05) << c.what;
    }
}

// Sleeps that keep both margins at their cap ask for a new measurement
// after two seconds of it, then not again for thirty; a wait under the cap
// starts the two seconds over. So do two seconds of waits spun for more
// than half their length (a sleep too coarse for them).
TEST(CeilingWatch, AsksToMeasureAgainOnlyWhenTheCapHoldsOrTheWaitsAreSpun) {
    constexpr int64_t s = 1'000'000'000;
    struct Step {
        int64_t atNs;
        bool atCeiling;
        bool remeasure;
    };
    const Step steps[] = {{0, true, false},       {1 * s, false, false}, {2 * s, true, false},
                          {3 * s, true, false},   {4 * s, true, true},   {5 * s, true, false},
                          {20 * s, true, false},  {34 * s, true, true},  {35 * s, false, false}};
    CeilingWatch watch;
    for (const Step& step : steps)
        EXPECT_EQ(watch.remeasure(step.atCeiling, 0, 0, step.atNs), step.remeasure)
            << "at " << step.atNs / s << " s";

    struct Spun {
        int64_t atNs;
        int spunPercent; // of a second's waits, reported at atNs
        bool remeasure;
    };
    const Spun spun[] = {{0, 90, false},  {1 * s, 90, false},  {2 * s, 90, true},
                         {3 * s, 90, false}, {4 * s, 90, false}, {40 * s, 40, false},
                         {41 * s, 40, false}, {42 * s, 40, false}, {43 * s, 90, false},
                         {44 * s, 90, true}};
    CeilingWatch spinning;
    for (const Spun& step : spun)
        EXPECT_EQ(spinning.remeasure(false, s, s * step.spunPercent / 100, step.atNs),
                  step.remeasure)
            << "spun, at " << step.atNs / s << " s";

    SleepStages stages(0);
    EXPECT_FALSE(stages.atCeiling());
    for (int i = 0; i < 256; ++i)
        stages.note({.ns = 1'000'000, .hop = (i % 2) == 0}, 900'000);
    EXPECT_TRUE(stages.atCeiling()) << "hops and long sleeps both ran 900 us late";
}

} // namespace
} // namespace gripline
