#include "bench/tick_to_wheel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gripline::bench {
namespace {

constexpr int64_t kUs = 1000;

struct MatchCase {
    std::string name;
    std::vector<WrittenSample> written;
    std::vector<WheelUpdate> updates;
    std::vector<double> delaysUs;
    size_t unchanged = 0;
};

// Tick 7 is published at 1,000 µs and tick 8 at 17,000 µs; the engine
// writes each tick's first sample 100 µs after its publish.
TEST(TickToWheelMatch, TimesEachTickToTheFirstUpdateThatCanOnlyCarryItsFirstSample) {
    const std::vector<PublishedTick> published = {
        {6, -15'000 * kUs}, {7, 1000 * kUs}, {8, 17'000 * kUs}};
    const std::vector<MatchCase> cases = {
        {"the first update carrying it, not the later one",
         {{7, 0, 1100 * kUs, 500}},
         {{1090, 500}, {1130, 200}, {1150, 500}, {1160, 500}},
         {150}},
        {"an update floored to the write's own microsecond may be older: skipped",
         {{7, 0, 1100 * kUs + 500, 500}},
         {{1100, 500}, {1101, 500}},
         {101}},
        {"a first sample equal to the force before it cannot be told apart",
         {{6, 5, 900 * kUs, 500}, {7, 0, 1100 * kUs, 500}},
         {{1150, 500}},
         {},
         1},
        {"the search ends where the same value is written again",
         {{7, 0, 1100 * kUs, 500}, {7, 1, 1200 * kUs, 300}, {7, 2, 1300 * kUs, 500}},
         {{1250, 300}, {1350, 500}},
         {}},
        {"later samples and ticks are matched on their own",
         {{7, 0, 1100 * kUs, 500}, {7, 1, 2480 * kUs, 600}, {8, 0, 17'100 * kUs, -40}},
         {{1200, 500}, {2500, 600}, {17'300, -40}},
         {200, 300}},
        {"a sample beyond the slew limit: the full step towards it, from the force before",
         {{6, 5, 900 * kUs, 500}, {7, 0, 1100 * kUs, 3000}},
         {{1090, 500}, {1150, 1700}, {1160, 2900}, {1170, 3000}},
         {150}},
        {"a step while the wheel still slews to the force before is no sign of the sample",
         {{6, 5, 900 * kUs, 3000}, {7, 0, 1100 * kUs, 6000}},
         {{1090, 1200}, {1150, 2400}, {1160, 3600}, {1190, 6000}},
         {190}},
        {"nothing within 20 ms: unmatched", {{7, 0, 1100 * kUs, 500}}, {{21'200, 500}}, {}},
        {"a sample of a tick published before the window is left out",
         {{6, 0, -14'900 * kUs, 500}},
         {{-14'800, 500}},
         {}},
    };
    for (const MatchCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TickToWheel result = matchTicksToWheel(published, c.written, c.updates, 0);
        EXPECT_EQ(result.delaysUs, c.delaysUs);
        EXPECT_EQ(result.unchanged, c.unchanged);
        EXPECT_EQ(result.published, 2u);
    }
}

// Tick 3 is published 400 µs off the simulator's clock; the engine is
// still on tick 3's samples when tick 4 comes; tick 5 is late on its own.
TEST(TickToWheelMatch, CountsLateTicksByWhatElseWasLate) {
    const std::vector<PublishedTick> published = {{1, 0},
                                                  {2, 16'667 * kUs},
                                                  {3, 33'734 * kUs},
                                                  {4, 50'001 * kUs},
                                                  {5, 66'668 * kUs}};
    const std::vector<WrittenSample> written = {
        {2, 0, 16'687 * kUs, 100}, {2, 5, 30'000 * kUs, 150}, {3, 0, 33'744 * kUs, 200},
        {3, 5, 50'300 * kUs, 250}, {4, 0, 50'310 * kUs, 300}, {4, 5, 60'000 * kUs, 350},
        {5, 0, 66'968 * kUs, 400}};
    const std::vector<WheelUpdate> updates = {
        {16'697, 100}, {30'010, 150}, {33'934, 200}, {50'305, 250}, {50'320, 300},
        {60'010, 350}, {66'978, 400}};
    const TickToWheel result = matchTicksToWheel(published, written, updates, 0);
    EXPECT_EQ(result.delaysUs, (std::vector<double>{30, 200, 310, 319}));
    EXPECT_EQ(result.late, 3u);
    EXPECT_EQ(result.lateEngineBehind, 1u);
    EXPECT_EQ(result.lateSimulatorLate, 1u);
}

TEST(TickToWheelMatch, ReadsTheStandinTimingLogAndSkipsBrokenLines) {
    const std::vector<PublishedTick> ticks =
        parseTimingLog("5 1000\n6 x\n7 3000\r\n\n8\n9 4000 extra\n10 5000");
    ASSERT_EQ(ticks.size(), 3u);
    EXPECT_EQ(ticks[0].tick, 5);
    EXPECT_EQ(ticks[1].signalNs, 3000);
    EXPECT_EQ(ticks[2].tick, 10);
    EXPECT_EQ(ticks[2].signalNs, 5000);
}

} // namespace
} // namespace gripline::bench
