#pragma once
// The Windows steady clock: QueryPerformanceCounter in nanoseconds, Sleep in
// whole milliseconds (the caller spins the remainder), spinning with a pause
// hint, and deadlines waited for with the finest sleep the system offers
// (each thread measures its own the first time it waits, or when asked). Every program of ours reads the same count, so times noted in one
// process (the stand-in's SetEvent) compare with times noted in another (the
// engine's wake-up).
#include "common/clock.h"
#include "common/precise_sleep_win32.h"

namespace gripline {

class QpcClock final : public Clock {
  public:
    QpcClock();
    int64_t nowNs() override;
    void sleepNs(int64_t ns) override;
    void spinUntil(int64_t deadlineNs) override;
    void waitUntil(int64_t deadlineNs) override;

    // Measures the calling thread's candidate sleeps now and keeps the finest.
    SleepChoice calibrateWaits();
    // The calling thread's sleeps as measured again after its margins
    // stayed at their cap; once per measurement.
    std::optional<SleepChoice> takeRemeasuredWaits();

  private:
    static PreciseSleep& threadSleep();

    int64_t frequencyHz_ = 1;
};

// One clock for the whole program.
QpcClock& qpcClock();

} // namespace gripline
