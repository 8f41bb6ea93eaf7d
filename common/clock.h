#pragma once
// Steady time for the engine and the output stage: nanoseconds on one
// monotonic clock, absolute deadlines compared directly. Tests substitute
// virtual time so timing rules are proven without sleeping through seconds.
#include <cstdint>

namespace gripline {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual int64_t nowNs() = 0;
    // Gives the processor away for about `ns` (may overshoot by the system's
    // timer resolution).
    virtual void sleepNs(int64_t ns) = 0;
    // Busy-waits until nowNs() >= deadline, giving way to any thread that
    // waits for the processor meanwhile.
    virtual void spinUntil(int64_t deadlineNs) = 0;
    // Returns at, or within microseconds after, the deadline: sleeps with the
    // finest sleep the system offers until shortly before it and spins the
    // last stretch, so the processor rests for most of the wait.
    virtual void waitUntil(int64_t deadlineNs) = 0;
};

// Spins until `done()` holds or the deadline passes, looking every `stepNs`;
// true when done. The watch of a word another thread or process writes.
template <class Done>
bool spinUntilDone(Clock& clock, int64_t deadlineNs, int64_t stepNs, Done&& done) {
    for (;;) {
        if (done())
            return true;
        const int64_t now = clock.nowNs();
        if (now >= deadlineNs)
            return false;
        clock.spinUntil(now + stepNs);
    }
}

// The system's steady clock (QueryPerformanceCounter on Windows).
class SteadyClock final : public Clock {
  public:
    int64_t nowNs() override;
    void sleepNs(int64_t ns) override;
    void spinUntil(int64_t deadlineNs) override;
    void waitUntil(int64_t deadlineNs) override;
};

Clock& steadyClock();

inline constexpr int64_t kNsPerUs = 1000;
inline constexpr int64_t kNsPerMs = 1000 * 1000;

} // namespace gripline
