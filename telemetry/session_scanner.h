#pragma once
// Finds who drives which car in the simulator's session-information text: a
// line scan over "Key: value" lines and the driver list, not a YAML parser.
#include "telemetry/session_identity.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace gripline {

// Strips spaces, tabs, carriage returns, line feeds and double quotes from
// both ends.
std::string_view trimSessionValue(std::string_view text);

// For a line "Key: value" and a key ending in its colon: the value as a
// signed decimal (leading digits only, none gives 0), or -1 when the line
// does not start with the key.
int32_t valueInt(std::string_view line, std::string_view key);
// The trimmed value and true when the line starts with the key.
bool valueText(std::string_view line, std::string_view key, std::string& out);

// UTF-8, else the ANSI code page; "generic" for empty input or when neither
// gives any text.
std::wstring toWide(std::string_view bytes);

// Scans `length` bytes of session text. True when the user's own entry in
// the driver list has a car path; `identity` is written only then, with
// WeekendInfo's TrackName and TrackDisplayName (empty when missing).
bool scanSessionInfo(const uint8_t* text, size_t length, SessionIdentity& identity);

class TextSessionScanner final : public SessionScanner {
  public:
    bool scan(std::span<const uint8_t> text, SessionIdentity& identity) override {
        return scanSessionInfo(text.data(), text.size(), identity);
    }
};

} // namespace gripline
