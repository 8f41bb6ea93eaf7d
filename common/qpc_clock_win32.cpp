#include "common/qpc_clock_win32.h"

#include <windows.h>

namespace gripline {

namespace {
constexpr int64_t kNsPerS = 1'000'000'000;
} // namespace

QpcClock::QpcClock() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    frequencyHz_ = frequency.QuadPart;
}

int64_t QpcClock::nowNs() {
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    const int64_t c = count.QuadPart;
    // Split so that c × 10⁹ cannot overflow.
    return c / frequencyHz_ * kNsPerS + c % frequencyHz_ * kNsPerS / frequencyHz_;
}

void QpcClock::sleepNs(int64_t ns) {
    if (ns >= kNsPerMs)
        Sleep(static_cast<DWORD>(ns / kNsPerMs));
}

// Each step gives way to a thread waiting for this processor (a yield
// returns at once when there is none). On a 2-core machine the simulator
// and the system wake at the very moment the engine spins for its tick; a
// plain spin kept them waiting until the scheduler's next tick, and the
// engine saw 1 in 100 ticks over a millisecond late.
void QpcClock::spinUntil(int64_t deadlineNs) {
    while (nowNs() < deadlineNs)
        SwitchToThread();
}

PreciseSleep& QpcClock::threadSleep() {
    thread_local PreciseSleep sleep;
    return sleep;
}

void QpcClock::waitUntil(int64_t deadlineNs) { threadSleep().waitUntil(*this, deadlineNs); }

SleepChoice QpcClock::calibrateWaits() { return threadSleep().calibrate(*this); }

std::optional<SleepChoice> QpcClock::takeRemeasuredWaits() {
    return threadSleep().takeRemeasured();
}

QpcClock& qpcClock() {
    static QpcClock clock;
    return clock;
}

} // namespace gripline
