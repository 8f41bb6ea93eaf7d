#include "tools/simulator_standin/log_lines.h"

#include <charconv>

namespace gripline::standin {

std::string broadcastLogLine(uint64_t wParam, int64_t lParam) {
    return "wparam=" + std::to_string(wParam) + " lparam=" + std::to_string(lParam) + "\n";
}

std::string_view timingLogLine(TimingLine& buffer, int32_t tick, int64_t signalNs) {
    char* const end = buffer.data() + buffer.size();
    char* at = std::to_chars(buffer.data(), end, tick).ptr;
    *at++ = ' ';
    at = std::to_chars(at, end - 1, signalNs).ptr;
    *at++ = '\n';
    return {buffer.data(), static_cast<size_t>(at - buffer.data())};
}

} // namespace gripline::standin
