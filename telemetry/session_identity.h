#pragma once
// Who drives which car, as scanned from the simulator's session text, and the
// port that scans it. The engine reads it through the port; the status record
// shows it.
#include <cstdint>
#include <span>
#include <string>

namespace gripline {

// Shown until the session text names a car and a driver.
inline constexpr const wchar_t* kGenericCar = L"generic";
inline constexpr const wchar_t* kUnknownDriver = L"unknown";

struct SessionIdentity {
    std::wstring CarPath = kGenericCar;
    std::wstring DriverName = kUnknownDriver;
    int32_t DriverUserId = 0;
    bool IdentityConsistent = true;
    // WeekendInfo's track: the key ("tsukuba 2kfull") and the name to show
    // ("Tsukuba Circuit 2k Full"); both empty while unknown.
    std::wstring TrackName;
    std::wstring TrackDisplayName;
};

// Finds the user's identity in a session text; the engine calls it only when
// the simulator changes the text. False leaves `identity` untouched.
class SessionScanner {
  public:
    virtual ~SessionScanner() = default;
    virtual bool scan(std::span<const uint8_t> text, SessionIdentity& identity) = 0;
};

} // namespace gripline
