#pragma once
// Waiting for a deadline in two stages. On a virtual machine (and on busy
// desktops) a processor left idle for long is handed away, so a sleep of a
// millisecond wakes late by 150–450 µs about one time in fifty, while one of
// a few hundred microseconds lands within about 80 µs nearly always
// (measured on a 2-core VM, natively and under Wine alike: 1 ms sleeps
// p99 250 µs late, 300 µs ones p99 77 µs). So the long sleep stops short of
// the deadline by the worst lateness long sleeps have shown lately, a short
// hop covers the rest up to its own, much smaller margin, and the waiter
// spins the last stretch. Where sleeps are precise both margins are small
// and the hop is usually not needed.
// Owner: the one thread that waits.
#include "common/clock.h"
#include "common/wait_margin.h"

#include <cstdint>

namespace gripline {

class SleepStages {
  public:
    // Below this a sleep call costs more than it saves.
    static constexpr int64_t kShortestSleepNs = 50'000;

    struct Sleep {
        int64_t ns = 0; // 0: spin the rest
        bool hop = false;
    };

    explicit SleepStages(int64_t initialLatenessNs = 100'000);

    // The next sleep with `leftNs` to the deadline.
    Sleep next(int64_t leftNs) const;
    // How late that sleep returned against what it could ask for.
    void note(const Sleep& sleep, int64_t latenessNs);

    int64_t hopMarginNs() const { return hop_.marginNs(); }
    int64_t longMarginNs() const { return long_.marginNs(); }
    // Both margins at their cap: every stage of the wait has shown the
    // worst lateness counted.
    bool atCeiling() const;

  private:
    WaitMargin hop_;  // about the 95th percentile of the hops' lateness
    WaitMargin long_; // about the 99.5th of the long sleeps'
};

// When to measure the sleeps again. A choice made while the machine was
// busy can leave both margins at their cap for a whole drive, the thread
// spinning half a millisecond before every sample, or pick a sleep too
// coarse for the waits (Sleep at 1 ms between samples 1.38 ms apart), the
// thread spinning through all of them: a fresh measurement on a calmer
// machine may find a finer sleep. Asked after each wait with its length and
// how much of it was spun: true once the margins have stayed at the cap for
// kStayNs, or once more than half the waiting of a kStayNs stretch was
// spun, and no sooner than kGapNs after the last time it said so (a machine
// that stays busy is measured again now and then, not all the time).
class CeilingWatch {
  public:
    static constexpr int64_t kStayNs = 2'000'000'000;
    static constexpr int64_t kGapNs = 30'000'000'000;

    bool remeasure(bool atCeiling, int64_t waitedNs, int64_t spunNs, int64_t nowNs);

  private:
    bool mostlySpun(int64_t waitedNs, int64_t spunNs, int64_t nowNs);

    int64_t cappedSinceNs_ = -1; // -1: not at the cap
    int64_t lastNs_ = INT64_MIN / 2;
    int64_t stretchStartNs_ = -1; // -1: none yet
    int64_t waitedNs_ = 0;        // in this stretch
    int64_t spunNs_ = 0;
};

// Sleeps in stages until shortly before the deadline, then spins to it.
// `sleep(ns)` sleeps and returns the length it could ask for (0: it did not
// sleep). Returns how long it spun.
template <class SleepFn>
int64_t waitInStages(Clock& clock, SleepStages& stages, int64_t deadlineNs, SleepFn&& sleep) {
    for (;;) {
        const int64_t start = clock.nowNs();
        const SleepStages::Sleep next = stages.next(deadlineNs - start);
        if (next.ns == 0)
            break;
        const int64_t asked = sleep(next.ns);
        if (asked == 0)
            break;
        stages.note(next, clock.nowNs() - start - asked);
    }
    const int64_t spinFrom = clock.nowNs();
    clock.spinUntil(deadlineNs);
    return deadlineNs > spinFrom ? deadlineNs - spinFrom : 0;
}

} // namespace gripline
