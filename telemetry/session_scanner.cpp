#include "telemetry/session_scanner.h"

#include "telemetry/text_decoding.h"

#include <algorithm>
#include <limits>

namespace gripline {

namespace {

constexpr std::string_view kTrimmed = " \t\r\n\"";

// What the scan has learned so far; a fresh one for every scan.
struct ScanState {
    std::string driverUserName;
    int32_t driverUserId = 0;
    int32_t driverCarIdx = -1;
    bool inDriverList = false;
    bool inOwnEntry = false;
    bool ownEntrySeen = false;
    std::string entryCarPath;
    std::string entryUserName;
    int32_t entryUserId = 0;
    bool ownEntryDone = false; // the entry after the user's own has begun
    bool inWeekendInfo = false;
    std::string trackName;
    std::string trackDisplayName;
};

// Like atoi on an already trimmed value, but a number too large for 32 bits
// saturates instead of being undefined: a huge car index then matches no
// entry rather than a wrong one.
int32_t leadingInt(std::string_view text) {
    size_t at = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+'))
        at = 1;
    int64_t value = 0;
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        value = std::min(value * 10 + (text[at] - '0'), kLimit);
    if (negative)
        return static_cast<int32_t>(-value);
    return static_cast<int32_t>(std::min<int64_t>(value, kLimit - 1));
}

// One trimmed, non-empty line of the driver information. False once the
// user's entry is complete: the next entry of the driver list has begun.
bool scanDriverLine(std::string_view line, ScanState& s) {
    std::string value;
    if (valueText(line, "DriverUserName:", value))
        s.driverUserName = value;
    if (line.starts_with("DriverUserID:"))
        s.driverUserId = valueInt(line, "DriverUserID:");
    if (const int32_t index = valueInt(line, "DriverCarIdx:"); index >= 0) {
        s.driverCarIdx = index;
        return true;
    }
    if (line == "Drivers:") {
        s.inDriverList = true;
        return true;
    }
    if (!s.inDriverList || s.driverCarIdx < 0)
        return true;

    int32_t carIdx = valueInt(line, "- CarIdx:");
    if (carIdx < 0)
        carIdx = valueInt(line, "CarIdx:");
    if (carIdx >= 0) { // a new entry begins
        s.inOwnEntry = carIdx == s.driverCarIdx;
        if (s.inOwnEntry)
            s.ownEntrySeen = true;
        return s.inOwnEntry || !s.ownEntrySeen;
    }
    if (!s.inOwnEntry)
        return true;
    if (valueText(line, "CarPath:", value))
        s.entryCarPath = value;
    else if (valueText(line, "UserName:", value))
        s.entryUserName = value;
    else if (const int32_t id = valueInt(line, "UserID:"); id >= 0)
        s.entryUserId = id;
    return true;
}

// The track's names are WeekendInfo's own; the same key in another section
// would name no track of this session.
void scanWeekendLine(std::string_view line, ScanState& s) {
    std::string value;
    if (valueText(line, "TrackName:", value))
        s.trackName = value;
    else if (valueText(line, "TrackDisplayName:", value))
        s.trackDisplayName = value;
}

// One line as it stands in the text (untrimmed): a line that starts without
// indentation opens a section. The driver list is read up to the entry after
// the user's own; WeekendInfo, which the simulator writes first, wherever it
// stands.
void scanLine(std::string_view raw, ScanState& s) {
    const std::string_view line = trimSessionValue(raw);
    if (line.empty())
        return;
    if (raw.front() != ' ' && raw.front() != '\t' && raw.front() != '-')
        s.inWeekendInfo = line == "WeekendInfo:";
    if (s.inWeekendInfo)
        scanWeekendLine(line, s);
    else if (!s.ownEntryDone)
        s.ownEntryDone = !scanDriverLine(line, s);
}

// Names as the simulator writes them: UTF-8, else its ANSI code page; empty
// while the text gives none.
std::wstring trackText(std::string_view bytes) {
    return bytes.empty() ? std::wstring() : toWide(bytes);
}

// The simulator writes its text as a C string into a fixed region and may
// give the region's length: nothing after the first zero byte is text.
std::string_view textBeforeZero(std::string_view text) {
    return text.substr(0, std::min(text.find('\0'), text.size()));
}

} // namespace

std::string_view trimSessionValue(std::string_view text) {
    const size_t first = text.find_first_not_of(kTrimmed);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kTrimmed) - first + 1);
}

int32_t valueInt(std::string_view line, std::string_view key) {
    line = trimSessionValue(line);
    if (!line.starts_with(key))
        return -1;
    return leadingInt(trimSessionValue(line.substr(key.size())));
}

bool valueText(std::string_view line, std::string_view key, std::string& out) {
    line = trimSessionValue(line);
    if (!line.starts_with(key))
        return false;
    out = trimSessionValue(line.substr(key.size()));
    return true;
}

std::wstring toWide(std::string_view bytes) {
    if (bytes.empty())
        return kGenericCar;
    std::wstring wide;
    if (platformUtf8ToWide(bytes, wide) && !wide.empty())
        return wide;
    wide = platformAnsiToWide(bytes);
    return wide.empty() ? std::wstring(kGenericCar) : wide;
}

bool scanSessionInfo(const uint8_t* text, size_t length, SessionIdentity& identity) {
    // A copy: the simulator may rewrite its text while we read it.
    const std::string copy(reinterpret_cast<const char*>(text), text ? length : 0);
    ScanState s;
    std::string_view rest = textBeforeZero(copy);
    while (!rest.empty()) {
        const size_t end = std::min(rest.find('\n'), rest.size());
        scanLine(rest.substr(0, end), s);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        if (s.ownEntryDone && !s.trackName.empty() && !s.trackDisplayName.empty())
            break;
    }
    if (s.entryCarPath.empty())
        return false;

    SessionIdentity found;
    found.CarPath = toWide(s.entryCarPath);
    if (!s.driverUserName.empty())
        found.DriverName = toWide(s.driverUserName);
    else if (!s.entryUserName.empty())
        found.DriverName = toWide(s.entryUserName);
    else
        found.DriverName = kUnknownDriver;
    found.DriverUserId = s.driverUserId > 0 ? s.driverUserId : s.entryUserId;
    found.TrackName = trackText(s.trackName);
    found.TrackDisplayName = trackText(s.trackDisplayName);
    // Two different ids and no name to settle which is the user's: the
    // window shows the identity as doubtful.
    found.IdentityConsistent = !(s.driverUserName.empty() && s.driverUserId > 0 &&
                                 s.entryUserId > 0 && s.driverUserId != s.entryUserId);
    identity = found; // toWide never gives an empty car path
    return true;
}

} // namespace gripline
