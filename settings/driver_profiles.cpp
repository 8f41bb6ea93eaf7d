#include "settings/driver_profiles.h"

#include "settings/ascii_case.h"

#include <algorithm>

namespace gripline {

namespace {

const std::wstring kProfilesSection = L"Profiles";
constexpr size_t kNameCapacity = 128;

} // namespace

int32_t findProfile(const ProfileSet& profiles, std::wstring_view name) {
    for (size_t i = 0; i < profiles.List.size(); ++i)
        if (equalsIgnoreCase(profiles.List[i].Name, name))
            return static_cast<int32_t>(i);
    return -1;
}

void loadProfiles(ProfileSet& profiles, const SettingsFile& file) {
    profiles.List.clear();
    const int32_t count = std::min(file.readInt(kProfilesSection, L"Count", 0), kMaxProfiles);
    if (count < 1) {
        profiles.List.push_back({L"Default", profiles.InUse});
        profiles.Active = 0;
        return;
    }
    for (int32_t i = 0; i < count; ++i) {
        const std::wstring section = numbered(L"Profile", i);
        DriverProfile profile;
        profile.Name =
            file.readString(section, L"Name", numbered(L"Driver ", i + 1), kNameCapacity);
        profile.Settings = readSettings(file, section, profiles.InUse);
        profiles.List.push_back(std::move(profile));
    }
    profiles.Active = std::clamp(file.readInt(kProfilesSection, L"Selected", 0), 0, count - 1);
    profiles.InUse = profiles.active().Settings;
}

bool writeProfiles(SettingsFile& file, const ProfileSet& profiles) {
    bool ok = file.writeInt(kProfilesSection, L"Count", static_cast<int32_t>(profiles.List.size()));
    ok = file.writeInt(kProfilesSection, L"Selected", profiles.Active) && ok;
    for (size_t i = 0; i < profiles.List.size(); ++i) {
        const std::wstring section = numbered(L"Profile", static_cast<int32_t>(i));
        ok = file.writeString(section, L"Name", profiles.List[i].Name) && ok;
        ok = writeSettings(file, section, profiles.List[i].Settings) && ok;
    }
    return ok;
}

} // namespace gripline
