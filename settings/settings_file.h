#pragma once
// The settings file beside the program: its path, the strict integer reading
// every numeric key goes through, the settings record in a section, and the
// cache of driver names.
#include "settings/ffb_settings.h"
#include "settings/profile_store.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace gripline {

inline constexpr const wchar_t* kSettingsFileName = L"Torvix_profiles.ini";

// The folder of `modulePath` (up to and including its last "\" or "/")
// followed by the file name; a path without a separator gets the name
// appended to the whole path.
std::wstring settingsPath(std::wstring_view modulePath);

// "%d", the text of every number in the file.
std::wstring decimal(int32_t value);
// `prefix` followed by `index` in decimal: "Profile3", "Coefficient0".
std::wstring numbered(std::wstring_view prefix, int32_t index);

// Decimal text as the file's integers are read: leading white space and a
// sign allowed, nothing but white space after the digits; no digits or
// trailing text give `fallback`; beyond 32 bits saturates.
int32_t parseStrictInt(std::wstring_view text, int32_t fallback);

// One INI file reached through a profile store.
class SettingsFile {
  public:
    SettingsFile(ProfileStore& store, std::filesystem::path path)
        : store_(&store), path_(std::move(path)) {}

    const std::filesystem::path& path() const { return path_; }

    std::wstring readString(const std::wstring& section, const std::wstring& key,
                            const std::wstring& fallback, size_t capacity) const;
    int32_t readInt(const std::wstring& section, const std::wstring& key, int32_t fallback) const;
    // Each returns false when the file could not be written.
    bool writeString(const std::wstring& section, const std::wstring& key,
                     const std::wstring& value);
    bool writeInt(const std::wstring& section, const std::wstring& key, int32_t value);
    bool deleteKey(const std::wstring& section, const std::wstring& key);

  private:
    ProfileStore* store_;
    std::filesystem::path path_;
};

// The record in `section`: every key replaces its field of `defaults`.
FfbSettings readSettings(const SettingsFile& file, const std::wstring& section,
                         const FfbSettings& defaults);
// Every key of the record; false when any write failed.
bool writeSettings(SettingsFile& file, const std::wstring& section, const FfbSettings& settings);

// The last name seen for a driver's user id, trimmed; empty when the id is
// below 1 or nothing is cached.
std::wstring readDriverName(const SettingsFile& file, int32_t userId);
// Writes `name` for the id only when the cache holds another one (compared
// without regard to case). False when a needed write failed.
bool rememberDriverName(SettingsFile& file, int32_t userId, const std::wstring& name);

} // namespace gripline
