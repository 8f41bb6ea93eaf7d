#pragma once
// Where the car is driven: car, track and wet or dry, resolved once per
// status refresh from what the engine publishes, and the settings entries
// such a context can have. Window thread only.
#include <string>
#include <string_view>
#include <vector>

namespace gripline {

struct DrivingContext {
    std::wstring CarKey;           // normalised; empty while no car is known
    std::wstring TrackKey;         // normalised like a car key; empty while unknown
    std::wstring TrackDisplayName; // as the session text names it, for the window
    bool Wet = false;              // the engine's settled wet state
};

// Same car, track and wet state; keys compared without regard to case.
bool sameContext(const DrivingContext& a, const DrivingContext& b);

// The one place the engine's names become keys.
DrivingContext resolveDrivingContext(std::wstring_view carName, std::wstring_view trackName,
                                     std::wstring_view trackDisplayName, bool wet);

// Which settings a context's entry holds, least specific first.
enum class ContextScope { Profile, Car, CarWet, CarTrack, CarTrackWet };

// The key of one settings entry within a profile: a car entry has no track
// and is dry, exactly as car entries have always been.
struct ContextKey {
    std::wstring CarKey; // never empty
    std::wstring TrackKey;
    bool Wet = false;
};

// The entry key of `scope` in `context`; empty car key for the profile or
// when the context lacks what the scope needs (a track).
ContextKey contextKey(const DrivingContext& context, ContextScope scope);
bool sameKey(const ContextKey& a, const ContextKey& b);

// The scopes that apply to `context`, most specific first, ending with the
// car's own entry: car + track + wet, car + track, car + wet, car.
std::vector<ContextScope> scopesToTry(const DrivingContext& context);

// What the window shows for the settings in use: "formulair04 · Tsukuba
// Circuit 2k Full · wet" for an entry (the track's display name, else its
// key), `profileName` for the profile's own settings.
std::wstring contextLabel(const DrivingContext& context, ContextScope scope,
                          std::wstring_view profileName);

} // namespace gripline
