#pragma once
// Scripted button presses of the virtual wheel (format in
// virtual_wheel_ids.h). Portable.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace gripline::wheel {

inline constexpr int kWheelButtons = 16;

struct ScriptedPress {
    int64_t atUs = 0;  // the wheel log's clock
    int button = 1;    // 1..kWheelButtons, as a driver counts them
    int64_t holdMs = 0;
    bool operator==(const ScriptedPress&) const = default;
};

// One press per line, "<at_us> <button> <hold_ms>"; a malformed line, or a
// button the wheel does not have, is left out.
std::vector<ScriptedPress> parseButtonScript(std::string_view text);
// Bit n - 1 for button n held down at `nowUs`.
uint32_t buttonsDownAt(std::span<const ScriptedPress> presses, int64_t nowUs);

} // namespace gripline::wheel
