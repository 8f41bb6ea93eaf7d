#include "engine/added_latency.h"

#include <gtest/gtest.h>

#include <vector>

namespace gripline {
namespace {

constexpr int64_t kUs = 1000;

// Each row: the times counted (ns), then the p50 and p99 read back as the
// upper edge of their 2 µs bin.
TEST(AddedLatency, PercentilesAreBinEdgesWithTheOverflowAndNothingCountedApart) {
    struct Row {
        const char* what;
        std::vector<int64_t> counted;
        int64_t p50, p99;
    };
    std::vector<int64_t> mostlyFast(99, 40 * kUs);
    mostlyFast.push_back(900 * kUs);
    std::vector<int64_t> twoInHundredSlow(98, 40 * kUs);
    twoInHundredSlow.insert(twoInHundredSlow.end(), {900 * kUs, 900 * kUs});
    const Row rows[] = {
        {"nothing", {}, AddedLatency::kNone, AddedLatency::kNone},
        {"one", {41 * kUs}, 42 * kUs, 42 * kUs},
        {"zero and a bin's edge", {0, 2 * kUs}, 2 * kUs, 4 * kUs},
        {"one slow in a hundred", mostlyFast, 42 * kUs, 42 * kUs},
        {"two slow in a hundred", twoInHundredSlow, 42 * kUs, 902 * kUs},
        {"the last bin", {AddedLatency::kCeilingNs - 1}, AddedLatency::kCeilingNs,
         AddedLatency::kCeilingNs},
        {"beyond the ceiling", {10 * kUs, 20'000 * kUs}, 10 * kUs + 2 * kUs,
         AddedLatency::kBeyondCeiling},
        {"clocks that disagree", {-5 * kUs}, AddedLatency::kNone, AddedLatency::kNone},
    };
    AddedLatency latency;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        latency.reset();
        for (const int64_t ns : row.counted)
            latency.add(ns);
        EXPECT_EQ(latency.percentileNs(50), row.p50);
        EXPECT_EQ(latency.percentileNs(99), row.p99);
        EXPECT_EQ(latency.count() == 0, row.p50 == AddedLatency::kNone);
    }
}

} // namespace
} // namespace gripline
