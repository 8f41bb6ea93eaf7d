#include "common/wait_margin.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace gripline
