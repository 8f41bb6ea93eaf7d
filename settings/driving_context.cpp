#include "settings/driving_context.h"

#include "settings/ascii_case.h"
#include "settings/car_key.h"

namespace gripline {

namespace {

bool hasTrack(ContextScope scope) {
    return scope == ContextScope::CarTrack || scope == ContextScope::CarTrackWet;
}

bool isWet(ContextScope scope) {
    return scope == ContextScope::CarWet || scope == ContextScope::CarTrackWet;
}

} // namespace

bool sameContext(const DrivingContext& a, const DrivingContext& b) {
    return equalsIgnoreCase(a.CarKey, b.CarKey) && equalsIgnoreCase(a.TrackKey, b.TrackKey) &&
           a.Wet == b.Wet;
}

// A track key follows the car key's rule; "generic" is no track either, so
// one function serves both.
DrivingContext resolveDrivingContext(std::wstring_view carName, std::wstring_view trackName,
                                     std::wstring_view trackDisplayName, bool wet) {
    DrivingContext context;
    context.CarKey = normalizeCarKey(carName);
    context.TrackKey = normalizeCarKey(trackName);
    if (!context.TrackKey.empty())
        context.TrackDisplayName = std::wstring(trackDisplayName);
    context.Wet = wet;
    return context;
}

ContextKey contextKey(const DrivingContext& context, ContextScope scope) {
    if (scope == ContextScope::Profile || context.CarKey.empty() ||
        (hasTrack(scope) && context.TrackKey.empty()))
        return {};
    return {context.CarKey, hasTrack(scope) ? context.TrackKey : std::wstring(), isWet(scope)};
}

bool sameKey(const ContextKey& a, const ContextKey& b) {
    return equalsIgnoreCase(a.CarKey, b.CarKey) && equalsIgnoreCase(a.TrackKey, b.TrackKey) &&
           a.Wet == b.Wet;
}

std::vector<ContextScope> scopesToTry(const DrivingContext& context) {
    std::vector<ContextScope> scopes;
    if (context.CarKey.empty())
        return scopes;
    const bool track = !context.TrackKey.empty();
    if (track && context.Wet)
        scopes.push_back(ContextScope::CarTrackWet);
    if (track)
        scopes.push_back(ContextScope::CarTrack);
    if (context.Wet)
        scopes.push_back(ContextScope::CarWet);
    scopes.push_back(ContextScope::Car);
    return scopes;
}

std::wstring contextLabel(const DrivingContext& context, ContextScope scope,
                          std::wstring_view profileName) {
    const ContextKey key = contextKey(context, scope);
    if (key.CarKey.empty())
        return std::wstring(profileName);
    std::wstring label = key.CarKey;
    if (!key.TrackKey.empty())
        label += L" \u00B7 " +
                 (context.TrackDisplayName.empty() ? key.TrackKey : context.TrackDisplayName);
    if (key.Wet)
        label += L" \u00B7 wet";
    return label;
}

} // namespace gripline
