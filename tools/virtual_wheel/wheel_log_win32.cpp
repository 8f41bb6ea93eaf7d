#include "tools/virtual_wheel/wheel_log_win32.h"

#include "common/qpc_clock_win32.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace gripline::wheel {

namespace {

// Long enough for every event; a longer value (a malformed failure entry
// quoted back) is cut rather than allocated for.
using LineBuffer = std::array<char, 160>;

// Control characters (a newline inside a quoted entry) become '?' so that
// every event stays on one line.
char* append(char* at, char* end, std::string_view text) {
    const size_t n = std::min(text.size(), static_cast<size_t>(end - at));
    return std::transform(text.data(), text.data() + n, at,
                          [](char c) { return static_cast<unsigned char>(c) < 0x20 ? '?' : c; });
}

} // namespace

// Appending with sharing for everyone: several processes (the program and a
// second run) may log into one file while a test reads it.
WheelLog::WheelLog(const std::wstring& path) {
    if (path.empty())
        return;
    file_.reset(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

void WheelLog::write(std::string_view event) {
    write(event, std::string_view{});
}

void WheelLog::write(std::string_view event, int64_t value) {
    std::array<char, 24> digits;
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    write(event, std::string_view(digits.data(), static_cast<size_t>(end - digits.data())));
}

// One WriteFile per line and no buffering: the line is in the file when
// the call that caused it returns (a few µs under Wine), so a test polling
// the file never waits for a flush.
void WheelLog::write(std::string_view event, std::string_view value) {
    if (!file_)
        return;
    LineBuffer line;
    char* const end = line.data() + line.size() - 1; // room for the newline
    std::scoped_lock lock(mutex_);
    const int64_t qpcUs = qpcClock().nowNs() / kNsPerUs;
    char* at = std::to_chars(line.data(), end, qpcUs).ptr;
    at = append(at, end, " ");
    at = append(at, end, event);
    if (!value.empty()) {
        at = append(at, end, " ");
        at = append(at, end, value);
    }
    *at++ = '\n';
    DWORD written = 0;
    WriteFile(file_.get(), line.data(), static_cast<DWORD>(at - line.data()), &written, nullptr);
}

} // namespace gripline::wheel
