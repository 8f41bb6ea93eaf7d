#pragma once
// The finest sleep this system offers, found by measuring. Windows 10 and
// later wake a high-resolution waitable timer within tens of microseconds;
// Wine fires timers on whole milliseconds but NtDelayExecution sleeps any
// length with a steady overshoot; elsewhere only Sleep at a 1 ms timer
// period is left. No one choice is best everywhere, so calibrate() times a
// few dozen short waits of each, in turns, and keeps the one that lands
// closest nine times in ten.
// Owner: one thread (each waiting thread has its own).
#include "common/scoped_handle_win32.h"
#include "common/sleep_stages.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>

namespace gripline {

class Clock;

enum class SleepMethod { HighResolutionTimer, NtDelayExecution, TimerPeriodSleep };
inline constexpr int kSleepMethods = 3;

struct SleepChoice {
    SleepMethod method = SleepMethod::TimerPeriodSleep;
    // Per method, the 90th percentile of |woke − asked| over the trial, ns;
    // -1 when the system lacks the method.
    std::array<int64_t, kSleepMethods> spreadNs{-1, -1, -1};
    // How early the chosen one is asked to wake: the short hop before the
    // deadline, and the long sleep before the hop.
    int64_t hopMarginNs = 0;
    int64_t longMarginNs = 0;
};

// "Sample timing: NtDelayExecution (miss p90: ...); margins 85 us, 300 us."
std::wstring describeSleepChoice(const SleepChoice& choice,
                                 const wchar_t* heading = L"Sample timing");

class PreciseSleep {
  public:
    PreciseSleep();
    ~PreciseSleep();
    PreciseSleep(const PreciseSleep&) = delete;
    PreciseSleep& operator=(const PreciseSleep&) = delete;

    SleepChoice calibrate(Clock& clock);
    // Sleeps in stages until shortly before the deadline, then spins to it.
    // When the margins stay at their cap, or the waits are mostly spun, the
    // sleeps are measured again on a thread aside, and the new choice taken
    // at a later wait.
    void waitUntil(Clock& clock, int64_t deadlineNs);
    // The choice made by the last measurement aside, once.
    std::optional<SleepChoice> takeRemeasured();

  private:
    struct Measured {
        SleepChoice choice;
        int64_t latenessNs = 0; // the chosen method's 97th percentile
    };
    Measured measure(Clock& clock);
    void adopt(const Measured& measured);
    void followCeiling(Clock& clock, int64_t waitedNs, int64_t spunNs);

    // Sleeps about `ns` with `method`; returns the length it could ask for
    // (Sleep has whole milliseconds), 0 when it did not sleep.
    int64_t sleepFor(SleepMethod method, int64_t ns);
    bool available(SleepMethod method) const;

    using NtDelayExecutionFn = long(__stdcall*)(unsigned char, const LARGE_INTEGER*);
    ScopedHandle timer_; // high-resolution waitable timer, when the system has one
    NtDelayExecutionFn ntDelayExecution_ = nullptr;
    SleepMethod method_ = SleepMethod::TimerPeriodSleep;
    SleepStages stages_;
    bool calibrated_ = false;
    CeilingWatch ceiling_;
    // The measurement aside: its thread writes `aside_` and then sets
    // `asideDone_` (release); this thread reads it after seeing the flag.
    std::thread asideThread_;
    std::atomic<bool> asideDone_{false};
    Measured aside_;
    std::optional<SleepChoice> remeasured_;
};

} // namespace gripline
