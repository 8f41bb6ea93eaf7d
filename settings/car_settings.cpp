#include "settings/car_settings.h"

#include "settings/ascii_case.h"
#include "settings/car_key.h"

namespace gripline {

namespace {

constexpr size_t kExistsCapacity = 8;

} // namespace

CarSettingsEntry* findCarEntry(CarSettingsList& entries, int32_t profile, std::wstring_view key) {
    for (CarSettingsEntry& entry : entries)
        if (entry.ProfileIndex == profile && equalsIgnoreCase(entry.CarKey, key))
            return &entry;
    return nullptr;
}

bool fileHasCarEntry(const SettingsFile& file, int32_t profile, std::wstring_view key) {
    return !file.readString(carSectionName(profile, key), L"Exists", L"", kExistsCapacity).empty();
}

FfbSettings carSettingsFor(CarSettingsList& entries, const SettingsFile& file, int32_t profile,
                           std::wstring_view key, const FfbSettings& defaults) {
    if (key.empty())
        return defaults;
    if (const CarSettingsEntry* entry = findCarEntry(entries, profile, key))
        return entry->Settings;
    if (!fileHasCarEntry(file, profile, key))
        return defaults;
    FfbSettings loaded = readSettings(file, carSectionName(profile, key), defaults);
    loaded.UseCarSpecificSettings = 1;
    entries.push_back({profile, std::wstring(key), loaded});
    return loaded;
}

void storeCarSettings(CarSettingsList& entries, int32_t profile, std::wstring_view carName,
                      const FfbSettings& settings) {
    const std::wstring key = normalizeCarKey(carName);
    if (profile < 0 || key.empty())
        return;
    FfbSettings kept = settings;
    kept.UseCarSpecificSettings = 1;
    if (CarSettingsEntry* entry = findCarEntry(entries, profile, key))
        entry->Settings = kept;
    else
        entries.push_back({profile, key, kept});
}

bool saveCarEntries(SettingsFile& file, const CarSettingsList& entries) {
    bool ok = true;
    for (const CarSettingsEntry& entry : entries) {
        const std::wstring section = carSectionName(entry.ProfileIndex, entry.CarKey);
        ok = file.writeString(section, L"Exists", L"1") && ok;
        ok = file.writeString(section, L"Car", entry.CarKey) && ok;
        ok = writeSettings(file, section, entry.Settings) && ok;
    }
    return ok;
}

} // namespace gripline
