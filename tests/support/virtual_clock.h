#pragma once
// Virtual time: sleeping and spinning move the clock instead of waiting, so
// timing rules are checked exactly and instantly.
#include "common/clock.h"

#include <algorithm>
#include <vector>

namespace gripline::test {

class VirtualClock final : public Clock {
  public:
    int64_t nowNs() override { return now; }
    void sleepNs(int64_t ns) override {
        sleeps.push_back(ns);
        now += std::max<int64_t>(ns, 0);
    }
    void spinUntil(int64_t deadlineNs) override { now = std::max(now, deadlineNs); }

    int64_t now = 1'000'000'000;
    std::vector<int64_t> sleeps;
};

} // namespace gripline::test
