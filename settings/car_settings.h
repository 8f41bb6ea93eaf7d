#pragma once
// Car-specific settings: within one driver profile, a separate settings
// record per car, which replaces the profile's own while that car is driven.
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
};

// At most one entry per profile and key (without regard to case). Holds only
// the entries loaded or created in this run: the file is read lazily.
using CarSettingsList = std::vector<CarSettingsEntry>;

CarSettingsEntry* findCarEntry(CarSettingsList& entries, int32_t profile, std::wstring_view key);

// Whether the file holds the entry: its "Exists" key has any value.
bool fileHasCarEntry(const SettingsFile& file, int32_t profile, std::wstring_view key);

// The car's settings: from the list, else from the file (and then kept in
// the list), else `defaults` unchanged.
FfbSettings carSettingsFor(CarSettingsList& entries, const SettingsFile& file, int32_t profile,
                           std::wstring_view key, const FfbSettings& defaults);

// Keeps `settings` as the entry of the normalised car name; nothing for a
// negative profile or an empty key.
void storeCarSettings(CarSettingsList& entries, int32_t profile, std::wstring_view carName,
                      const FfbSettings& settings);

// Writes every entry of the list; entries only in the file stay as they are.
// False when a write failed.
bool saveCarEntries(SettingsFile& file, const CarSettingsList& entries);

} // namespace gripline
