#include "common/clock.h"

#include "common/sleep_stages.h"

#include <chrono>
#include <thread>

namespace gripline {

int64_t SteadyClock::nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SteadyClock::sleepNs(int64_t ns) {
    if (ns > 0)
        std::this_thread::sleep_for(std::chrono::nanoseconds(ns));
}

void SteadyClock::spinUntil(int64_t deadlineNs) {
    while (nowNs() < deadlineNs)
        std::this_thread::yield(); // as QpcClock::spinUntil, for the same reason
}

// Each waiting thread learns its own sleeps' lateness.
void SteadyClock::waitUntil(int64_t deadlineNs) {
    thread_local SleepStages stages;
    waitInStages(*this, stages, deadlineNs, [](int64_t ns) {
        std::this_thread::sleep_for(std::chrono::nanoseconds(ns));
        return ns;
    });
}

Clock& steadyClock() {
    static SteadyClock clock;
    return clock;
}

} // namespace gripline
