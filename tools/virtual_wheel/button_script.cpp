#include "tools/virtual_wheel/button_script.h"

#include <charconv>

namespace gripline::wheel {

namespace {

// The next whitespace-separated field of `line` as a whole number.
bool nextNumber(std::string_view& line, int64_t& value) {
    const auto start = line.find_first_not_of(" \t\r");
    if (start == std::string_view::npos)
        return false;
    line.remove_prefix(start);
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), value);
    if (error != std::errc() || (end != line.data() + line.size() && *end != ' ' &&
                                 *end != '\t' && *end != '\r'))
        return false;
    line.remove_prefix(static_cast<size_t>(end - line.data()));
    return true;
}

} // namespace

std::vector<ScriptedPress> parseButtonScript(std::string_view text) {
    std::vector<ScriptedPress> presses;
    while (!text.empty()) {
        const auto newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        int64_t at = 0, button = 0, hold = 0;
        if (!nextNumber(line, at) || !nextNumber(line, button) || !nextNumber(line, hold) ||
            line.find_first_not_of(" \t\r") != std::string_view::npos)
            continue;
        if (button < 1 || button > kWheelButtons || hold < 0)
            continue;
        presses.push_back({at, static_cast<int>(button), hold});
    }
    return presses;
}

uint32_t buttonsDownAt(std::span<const ScriptedPress> presses, int64_t nowUs) {
    uint32_t down = 0;
    for (const ScriptedPress& p : presses)
        if (nowUs >= p.atUs && nowUs - p.atUs < p.holdMs * 1000)
            down |= 1u << (p.button - 1);
    return down;
}

} // namespace gripline::wheel
