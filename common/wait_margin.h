#pragma once
// How early to wake before a deadline. A sleep returns late by an amount
// that depends on the system (tens of microseconds to a timer period); the
// waiter sleeps until the deadline less this margin and spins the rest, so
// the margin follows the lateness it has seen: by default the fourth largest
// of the last 64 sleeps (about the 95th percentile), plus a guard. (The
// second largest cut the engine thread's late samples by a third under Wine
// here but took half as much processor again: 13.7 % against 9.1 %.) A
// sleep made late by a busy machine is not the sleep's nature: spinning
// longer would not have helped (the spinning thread waits for a processor
// just the same), so the few worst are left out and the margin is capped.
// A longer window and a lower rank follow a rarer tail.
// Owner: the one thread that waits.
#include <array>
#include <cstdint>

namespace gripline {

class WaitMargin {
  public:
    static constexpr int kMaxWindow = 256;
    static constexpr int64_t kGuardNs = 15'000;
    // Lateness is counted at most this: the thread never spins longer.
    static constexpr int64_t kCeilingNs = 500'000;

    // Follows the `rank`-th largest of the last `window` (≤ kMaxWindow).
    explicit WaitMargin(int64_t initialLatenessNs = 100'000, int window = 64, int rank = 4);

    // How late one sleep returned (negative: early, counted as 0).
    void note(int64_t latenessNs);
    int64_t marginNs() const { return marginNs_; }

  private:
    std::array<int64_t, kMaxWindow> recent_{};
    std::array<int64_t, kMaxWindow> sorted_{}; // scratch: no allocation per sleep
    int window_;
    int rank_;
    int next_ = 0;
    int64_t marginNs_ = 0;
};

} // namespace gripline
