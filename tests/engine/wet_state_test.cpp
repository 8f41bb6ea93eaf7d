// The wet state's hold-off on readings in virtual time.
#include "engine/wet_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gripline {
namespace {

struct Reading {
    int64_t atMs;
    bool declaredWet;
    int32_t trackWetness;
    bool wetAfter; // the published state once the reading is taken
};

TEST(WetState, ChangesOnlyAfterTheRawStateHeldForTheHoldOff) {
    const struct {
        std::string name;
        std::vector<Reading> readings;
    } cases[] = {
        {"a first reading counts at once", {{0, false, 5, true}, {10, false, 1, true}}},
        {"declared wet, or wetness at 4 or above, is wet",
         {{0, true, 0, true},
          {100, false, 4, true},
          {200, false, 3, true},
          {3199, false, 3, true},
          {3200, false, 2, false}}},
        {"a drying line flickering between 3 and 4 stays wet",
         {{0, false, 5, true},
          {1000, false, 3, true},
          {2500, false, 4, true},
          {3000, false, 3, true},
          {5000, false, 4, true},
          {5500, false, 3, true},
          {8499, false, 3, true},
          {8500, false, 3, false}}},
        {"rain arriving holds off the same way",
         {{0, false, 1, false},
          {1000, true, 1, false},
          {3999, true, 1, false},
          {4000, false, 4, true}}},
        {"unknown wetness is dry", {{0, false, 0, false}}},
    };
    for (const auto& c : cases) {
        WetState state;
        for (const Reading& r : c.readings) {
            state.follow(r.declaredWet, r.trackWetness, r.atMs * kNsPerMs);
            EXPECT_EQ(state.wet(), r.wetAfter) << c.name << " at " << r.atMs << " ms";
        }
    }
}

} // namespace
} // namespace gripline
