#pragma once
// The two log formats scripts read: one broadcast command per line, and one
// published tick per line.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace gripline::standin {

// "wparam=11 lparam=655360000\n": both as decimal numbers, lParam signed.
std::string broadcastLogLine(uint64_t wParam, int64_t lParam);

// "tick qpc_ns\n" written into `buffer` without allocating (the publishing
// thread writes one per tick).
using TimingLine = std::array<char, 48>;
std::string_view timingLogLine(TimingLine& buffer, int32_t tick, int64_t signalNs);

} // namespace gripline::standin
