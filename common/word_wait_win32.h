#pragma once
// Waiting on a 32-bit word, for one thread to wake another at once without
// a kernel object: RtlWaitOnAddress, whose time-out is given in 100 ns
// (under Wine it is a futex, precise to tens of microseconds; an event's
// time-out there is rounded up to whole milliseconds).
#include <atomic>
#include <cstdint>

namespace gripline {

// Returns when `word` no longer holds `seen`, when woken, or after about
// `timeoutNs` (at once if it already differs). May return early.
void waitForWordChange(const std::atomic<uint32_t>& word, uint32_t seen, int64_t timeoutNs);

// Wakes a thread waiting on `word` (after the caller changed it).
void wakeWordWaiter(const std::atomic<uint32_t>& word);

} // namespace gripline
