#include "settings/car_key.h"

#include "settings/ascii_case.h"
#include "settings/settings_file.h"

namespace gripline {

std::wstring normalizeCarKey(std::wstring_view name) {
    constexpr std::wstring_view kBlank = L" \t\r\n";
    const size_t first = name.find_first_not_of(kBlank);
    if (first == std::wstring_view::npos)
        return {};
    name = name.substr(first, name.find_last_not_of(kBlank) - first + 1);
    std::wstring key;
    key.reserve(name.size());
    for (wchar_t c : name)
        key += asciiLower(c);
    if (key == L"generic")
        key.clear();
    return key;
}

// Section names stay plain ASCII so that any car name gives a section the
// file can hold; two keys that differ only outside a-z and 0-9 share one.
namespace {

void appendSectionKey(std::wstring& section, std::wstring_view key) {
    if (key.empty()) {
        section += L"generic";
        return;
    }
    for (wchar_t c : key)
        section += (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') ? c : L'_';
}

} // namespace

std::wstring carSectionName(int32_t profileIndex, std::wstring_view key) {
    std::wstring section = numbered(L"CarProfile", profileIndex) + L"_";
    appendSectionKey(section, key);
    return section;
}

std::wstring contextSectionName(int32_t profileIndex, std::wstring_view carKey,
                                std::wstring_view trackKey, bool wet) {
    if (trackKey.empty() && !wet)
        return carSectionName(profileIndex, carKey);
    std::wstring section = numbered(L"CarContext", profileIndex) + L"_";
    appendSectionKey(section, carKey);
    if (!trackKey.empty()) {
        section += L"@track_";
        appendSectionKey(section, trackKey);
    }
    if (wet)
        section += L"@wet";
    return section;
}

} // namespace gripline
