#pragma once
// Reading the virtual wheel's log: one line per device event,
// "<qpc_us> <event> [value]", times on the same performance counter as
// QpcClock (microseconds).
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace gripline::test {

struct WheelEvent {
    int64_t atUs = 0;
    std::string name;
    std::string value;
    int32_t number() const { return static_cast<int32_t>(std::stol(value, nullptr, 0)); }
};

inline std::vector<WheelEvent> parseWheelLog(const std::string& text) {
    std::vector<WheelEvent> events;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        WheelEvent e;
        if (!(fields >> e.atUs >> e.name))
            continue;
        std::getline(fields >> std::ws, e.value);
        events.push_back(e);
    }
    return events;
}

// The magnitudes the wheel received, in order.
inline std::vector<WheelEvent> magnitudes(const std::vector<WheelEvent>& events) {
    std::vector<WheelEvent> out;
    for (const WheelEvent& e : events)
        if (e.name == "magnitude")
            out.push_back(e);
    return out;
}

} // namespace gripline::test
