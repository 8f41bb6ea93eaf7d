#include "settings/car_settings.h"

#include "settings/car_key.h"

namespace gripline {

namespace {

constexpr size_t kExistsCapacity = 8;

std::wstring sectionOf(int32_t profile, const ContextKey& key) {
    return contextSectionName(profile, key.CarKey, key.TrackKey, key.Wet);
}

ContextKey carOnly(std::wstring_view carKey) {
    return {std::wstring(carKey), {}, false};
}

} // namespace

CarSettingsEntry* findContextEntry(CarSettingsList& entries, int32_t profile,
                                   const ContextKey& key) {
    for (CarSettingsEntry& entry : entries)
        if (entry.ProfileIndex == profile && sameKey(entry.key(), key))
            return &entry;
    return nullptr;
}

bool fileHasContextEntry(const SettingsFile& file, int32_t profile, const ContextKey& key) {
    return !file.readString(sectionOf(profile, key), L"Exists", L"", kExistsCapacity).empty();
}

FfbSettings contextSettingsFor(CarSettingsList& entries, const SettingsFile& file, int32_t profile,
                               const ContextKey& key, const FfbSettings& defaults) {
    if (key.CarKey.empty())
        return defaults;
    if (const CarSettingsEntry* entry = findContextEntry(entries, profile, key))
        return entry->Settings;
    if (!fileHasContextEntry(file, profile, key))
        return defaults;
    FfbSettings loaded = readSettings(file, sectionOf(profile, key), defaults);
    loaded.UseCarSpecificSettings = 1;
    entries.push_back({profile, key.CarKey, loaded, key.TrackKey, key.Wet});
    return loaded;
}

void storeContextSettings(CarSettingsList& entries, int32_t profile, const ContextKey& key,
                          const FfbSettings& settings) {
    if (profile < 0 || key.CarKey.empty())
        return;
    FfbSettings kept = settings;
    kept.UseCarSpecificSettings = 1;
    if (CarSettingsEntry* entry = findContextEntry(entries, profile, key))
        entry->Settings = kept;
    else
        entries.push_back({profile, key.CarKey, kept, key.TrackKey, key.Wet});
}

ContextScope resolveScope(CarSettingsList& entries, const SettingsFile& file, int32_t profile,
                          const DrivingContext& context) {
    for (ContextScope scope : scopesToTry(context)) {
        const ContextKey key = contextKey(context, scope);
        if (findContextEntry(entries, profile, key) || fileHasContextEntry(file, profile, key))
            return scope;
    }
    return ContextScope::Profile;
}

CarSettingsEntry* findCarEntry(CarSettingsList& entries, int32_t profile, std::wstring_view key) {
    return findContextEntry(entries, profile, carOnly(key));
}

bool fileHasCarEntry(const SettingsFile& file, int32_t profile, std::wstring_view key) {
    return fileHasContextEntry(file, profile, carOnly(key));
}

FfbSettings carSettingsFor(CarSettingsList& entries, const SettingsFile& file, int32_t profile,
                           std::wstring_view key, const FfbSettings& defaults) {
    return contextSettingsFor(entries, file, profile, carOnly(key), defaults);
}

void storeCarSettings(CarSettingsList& entries, int32_t profile, std::wstring_view carName,
                      const FfbSettings& settings) {
    storeContextSettings(entries, profile, carOnly(normalizeCarKey(carName)), settings);
}

// A car entry is written exactly as before contexts. A context entry also
// names its track and wet state, so that a hand-edited file can be read.
bool saveCarEntries(SettingsFile& file, const CarSettingsList& entries) {
    bool ok = true;
    for (const CarSettingsEntry& entry : entries) {
        const std::wstring section = sectionOf(entry.ProfileIndex, entry.key());
        ok = file.writeString(section, L"Exists", L"1") && ok;
        ok = file.writeString(section, L"Car", entry.CarKey) && ok;
        if (!entry.TrackKey.empty())
            ok = file.writeString(section, L"Track", entry.TrackKey) && ok;
        if (entry.Wet)
            ok = file.writeString(section, L"Wet", L"1") && ok;
        ok = writeSettings(file, section, entry.Settings) && ok;
    }
    return ok;
}

} // namespace gripline
