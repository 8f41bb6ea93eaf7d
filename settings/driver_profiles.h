#pragma once
// Named driver profiles, each with its own settings record, and the settings
// in use. Owned by the Application; window thread only.
#include "settings/ffb_settings.h"
#include "settings/settings_file.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gripline {

struct DriverProfile {
    std::wstring Name; // at most 127 characters as read from the file
    FfbSettings Settings;
};

struct ProfileSet {
    std::vector<DriverProfile> List;
    int32_t Active = 0; // within 0 .. List.size() - 1 whenever List is not empty
    FfbSettings InUse;  // the settings in force; the engine gets copies of it

    bool activeValid() const { return Active >= 0 && Active < static_cast<int32_t>(List.size()); }
    DriverProfile& active() { return List[static_cast<size_t>(Active)]; }
    const DriverProfile& active() const { return List[static_cast<size_t>(Active)]; }
};

// More profiles than this in a hand-edited "Count" are not read: the list
// would not fit in memory long before it reached the 32-bit limit.
inline constexpr int32_t kMaxProfiles = 256;

// Index of the first profile named `name` without regard to case, or -1.
int32_t findProfile(const ProfileSet& profiles, std::wstring_view name);

// Fills the list, the active index and the settings in use from the file; the
// settings in use are the defaults of every key the file lacks.
void loadProfiles(ProfileSet& profiles, const SettingsFile& file);

// "Profiles" and one "Profile%d" section per profile; false when a write failed.
bool writeProfiles(SettingsFile& file, const ProfileSet& profiles);

} // namespace gripline
