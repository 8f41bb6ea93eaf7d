#pragma once
// Virtual time: sleeping and spinning move the clock instead of waiting, so
// the engine can run a recorded drive as fast as it computes, and tests
// check timing rules exactly and instantly.
#include "common/clock.h"

#include <algorithm>
#include <vector>

namespace gripline {

class VirtualClock final : public Clock {
  public:
    int64_t nowNs() override { return now; }
    void sleepNs(int64_t ns) override {
        sleeps.push_back(ns);
        now += std::max<int64_t>(ns, 0);
    }
    void spinUntil(int64_t deadlineNs) override { now = std::max(now, deadlineNs); }
    void waitUntil(int64_t deadlineNs) override {
        waits.push_back(deadlineNs);
        now = std::max(now, deadlineNs);
    }

    int64_t now = 1'000'000'000; // ns
    std::vector<int64_t> sleeps; // every sleep asked for, ns; clear it when not wanted
    std::vector<int64_t> waits;  // every deadline waited for, ns
};

} // namespace gripline
