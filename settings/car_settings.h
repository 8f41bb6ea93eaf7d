#pragma once
// Car-specific settings: within one driver profile, a separate settings
// record per car, and per car at a track, in the wet or both, which replaces
// the profile's own while that context is driven.
#include "settings/driving_context.h"
#include "settings/ffb_settings.h"
#include "settings/settings_file.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gripline {

struct CarSettingsEntry {
    int32_t ProfileIndex = 0; // position of the driver profile in its list
    std::wstring CarKey;      // never empty
    FfbSettings Settings;     // UseCarSpecificSettings always 1
    std::wstring TrackKey;    // empty for the car's own entry and its wet one
    bool Wet = false;

    ContextKey key() const { return {CarKey, TrackKey, Wet}; }
};

// At most one entry per profile and context key (without regard to case).
// Holds only the entries loaded or created in this run: the file is read
// lazily.
using CarSettingsList = std::vector<CarSettingsEntry>;

CarSettingsEntry* findContextEntry(CarSettingsList& entries, int32_t profile,
                                   const ContextKey& key);
// Whether the file holds the entry: its "Exists" key has any value.
bool fileHasContextEntry(const SettingsFile& file, int32_t profile, const ContextKey& key);
// The entry's settings: from the list, else from the file (and then kept in
// the list), else `defaults` unchanged.
FfbSettings contextSettingsFor(CarSettingsList& entries, const SettingsFile& file, int32_t profile,
                               const ContextKey& key, const FfbSettings& defaults);
// Keeps `settings` as the entry of `key`; nothing for a negative profile or
// an empty car key.
void storeContextSettings(CarSettingsList& entries, int32_t profile, const ContextKey& key,
                          const FfbSettings& settings);
// The most specific scope of `context` with an entry in the list or the
// file; Profile when none has one.
ContextScope resolveScope(CarSettingsList& entries, const SettingsFile& file, int32_t profile,
                          const DrivingContext& context);

// The car's own entry (no track, dry), as above.
CarSettingsEntry* findCarEntry(CarSettingsList& entries, int32_t profile, std::wstring_view key);
bool fileHasCarEntry(const SettingsFile& file, int32_t profile, std::wstring_view key);
FfbSettings carSettingsFor(CarSettingsList& entries, const SettingsFile& file, int32_t profile,
                           std::wstring_view key, const FfbSettings& defaults);
// Normalises `carName` first.
void storeCarSettings(CarSettingsList& entries, int32_t profile, std::wstring_view carName,
                      const FfbSettings& settings);

// Writes every entry of the list; entries only in the file stay as they are.
// False when a write failed.
bool saveCarEntries(SettingsFile& file, const CarSettingsList& entries);

} // namespace gripline
