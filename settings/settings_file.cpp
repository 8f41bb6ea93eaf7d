#include "settings/settings_file.h"

#include "settings/ascii_case.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace gripline {

namespace {

constexpr size_t kIntCapacity = 64;
constexpr size_t kNameCapacity = 128;
const std::wstring kLegacyHandoffKey = L"LegacyIracingFfbHandoff";
const std::wstring kDriverIdentitySection = L"DriverIdentity";

bool isCSpace(wchar_t c) {
    return c == L' ' || (c >= L'\t' && c <= L'\r');
}

std::wstring widen(const char* ascii) {
    return std::wstring(ascii, ascii + std::strlen(ascii));
}

} // namespace

std::wstring settingsPath(std::wstring_view modulePath) {
    const size_t slash = modulePath.find_last_of(L"\\/");
    const std::wstring_view folder =
        slash == std::wstring_view::npos ? modulePath : modulePath.substr(0, slash + 1);
    return std::wstring(folder) + kSettingsFileName;
}

std::wstring decimal(int32_t value) {
    return std::to_wstring(value);
}

std::wstring numbered(std::wstring_view prefix, int32_t index) {
    return std::wstring(prefix) + decimal(index);
}

int32_t parseStrictInt(std::wstring_view text, int32_t fallback) {
    size_t pos = 0;
    while (pos < text.size() && isCSpace(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == L'+' || text[pos] == L'-'))
        negative = text[pos++] == L'-';
    const size_t digitsStart = pos;
    // Accumulates the magnitude, stopping growth past the 32-bit range.
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t magnitude = 0;
    for (; pos < text.size() && text[pos] >= L'0' && text[pos] <= L'9'; ++pos)
        magnitude = std::min(magnitude * 10 + (text[pos] - L'0'), kLimit);
    if (pos == digitsStart)
        return fallback;
    for (; pos < text.size(); ++pos)
        if (!isCSpace(text[pos]))
            return fallback;
    const int64_t value = negative ? -magnitude : magnitude;
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

std::wstring SettingsFile::readString(const std::wstring& section, const std::wstring& key,
                                      const std::wstring& fallback, size_t capacity) const {
    return store_->readString(path_, section, key, fallback, capacity);
}

int32_t SettingsFile::readInt(const std::wstring& section, const std::wstring& key,
                              int32_t fallback) const {
    return parseStrictInt(readString(section, key, decimal(fallback), kIntCapacity), fallback);
}

bool SettingsFile::writeString(const std::wstring& section, const std::wstring& key,
                               const std::wstring& value) {
    return store_->writeString(path_, section, key, value);
}

bool SettingsFile::deleteKey(const std::wstring& section, const std::wstring& key) {
    return store_->deleteKey(path_, section, key);
}

bool SettingsFile::writeInt(const std::wstring& section, const std::wstring& key, int32_t value) {
    return writeString(section, key, decimal(value));
}

// Walks the settings table in record order. Three keys read differently:
// "SimucubeMode" falls back to its older name, which files from earlier
// releases still carry; "BumpImpacts" did not exist when road and impact
// texture were one setting, so it starts from the road texture just read;
// "OversteerCorrection" is clamped because the grip model cannot take more.
FfbSettings readSettings(const SettingsFile& file, const std::wstring& section,
                         const FfbSettings& defaults) {
    FfbSettings result = defaults;
    for (const SettingDescriptor& row : kFfbSettingTable) {
        const std::wstring key = widen(row.key);
        int32_t fallback = row.get(defaults);
        if (key == L"SimucubeMode")
            fallback = file.readInt(section, kLegacyHandoffKey, fallback);
        else if (key == L"BumpImpacts")
            fallback = result.Bumps;
        int32_t value = file.readInt(section, key, fallback);
        if (key == L"OversteerCorrection")
            value = std::clamp(value, 0, 150);
        row.set(result, value);
    }
    return result;
}

bool writeSettings(SettingsFile& file, const std::wstring& section, const FfbSettings& settings) {
    bool ok = true;
    for (const SettingDescriptor& row : kFfbSettingTable)
        ok = file.writeInt(section, widen(row.key), row.get(settings)) && ok;
    return ok;
}

std::wstring readDriverName(const SettingsFile& file, int32_t userId) {
    if (userId < 1)
        return {};
    const std::wstring name =
        file.readString(kDriverIdentitySection, decimal(userId), L"", kNameCapacity);
    const size_t first = name.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos)
        return {};
    return name.substr(first, name.find_last_not_of(L" \t\r\n") - first + 1);
}

bool rememberDriverName(SettingsFile& file, int32_t userId, const std::wstring& name) {
    if (userId < 1 || equalsIgnoreCase(readDriverName(file, userId), name))
        return true;
    return file.writeString(kDriverIdentitySection, decimal(userId), name);
}

} // namespace gripline
