#pragma once
// When the simulator's next tick is due. The simulator publishes on a steady
// 60 Hz clock, so the engine need not wait to be woken by its event (under
// Wine that wake-up took 200–470 µs p99 when the machine was busy): it
// learns the period and phase from the ticks it reads and, shortly before
// the next one, watches the block's tick counter itself. The watch window
// follows how late ticks have come (a high percentile, bounded), so the
// processor sleeps through the rest of the tick.
// Owner: the engine thread.
#include "common/wait_margin.h"

#include <array>
#include <cstdint>
#include <optional>

namespace gripline {

class TickPhase {
  public:
    // Ticks remembered for the period, and how many intervals it takes
    // before the rhythm counts as known.
    static constexpr int kHistory = 32;
    static constexpr int kLearnIntervals = 8;
    // Only the newest few ticks place the phase: an error of a microsecond
    // in the period then moves it by a few, not by thirty.
    static constexpr int kPhaseTicks = 8;
    static constexpr int64_t kShortestPeriodNs = 5'000'000;
    static constexpr int64_t kLongestPeriodNs = 50'000'000;
    // A gap of more than this many periods (a pause, a menu, a new session)
    // is a new rhythm: it is learnt again.
    static constexpr int kLongestGapPeriods = 4;

    struct Window {
        int64_t startNs = 0;    // start watching
        int64_t expectedNs = 0; // the tick's time on the learnt clock
        int64_t endNs = 0;      // stop watching: the tick is late, the event takes it
    };

    // A new tick read, `seenNs` when the engine saw it (µs after it came
    // when it was watched for; an event's wake-up later otherwise).
    void noteTick(int32_t tick, int64_t seenNs);
    // Where to watch for the tick after the last one noted; none while the
    // rhythm is unknown or once that window has passed (the tick is late
    // or the simulator paused: the event takes it, as without a watch).
    std::optional<Window> next(int64_t nowNs) const;
    // When `tick` is due on the learnt clock: none while the rhythm is
    // unknown, or for a tick not after the newest noted or beyond the gap
    // that starts a new rhythm.
    std::optional<int64_t> expectedAt(int32_t tick) const;
    void reset();

    int64_t periodNs() const { return periodNs_; }

  private:
    struct Seen {
        int32_t tick = 0;
        int64_t ns = 0;
    };
    const Seen& newest() const; // the last tick noted (count_ > 0)
    int64_t expectedNs(int32_t tick) const;
    void learnPeriod();

    std::array<Seen, kHistory> history_{}; // a ring, newest at next_ - 1
    int count_ = 0;
    int next_ = 0;
    int64_t periodNs_ = 0; // 0: not learnt
    // How much later and earlier than expected ticks have come (their
    // high percentiles, each capped at about half a millisecond).
    WaitMargin late_{100'000, WaitMargin::kMaxWindow, 3};
    WaitMargin early_{20'000, WaitMargin::kMaxWindow, 3};
};

} // namespace gripline
