#pragma once
// How the time Gripline adds to each tick reads to the driver: in the
// status bar while driving, and after the clip share at a stint's end.
#include <cstdint>
#include <string>

namespace gripline {

// "0.09": ns as ms with two decimals; ">5.00" beyond what is counted apart.
std::wstring latencyMsText(int64_t ns);

// "Added 0.09 ms" (the stint's p99 so far); "Added -" while nothing is counted.
std::wstring addedLatencyText(int64_t p99Ns);

// "; added latency p50 0.04 ms, p99 0.09 ms" for the stint's clip line;
// empty when nothing was counted.
std::wstring stintLatencyText(int64_t p50Ns, int64_t p99Ns);

} // namespace gripline
