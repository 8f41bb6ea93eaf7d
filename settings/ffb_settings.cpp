#include "settings/ffb_settings.h"

#include <cstring>
#include <type_traits>

namespace gripline {

#define GRIPLINE_SETTING_ROW(field, type, def, lo, hi, unit)                                       \
    {#field,                                                                                       \
     std::is_same_v<type, uint8_t> ? SettingKind::Flag : SettingKind::Integer,                     \
     def,                                                                                          \
     lo,                                                                                           \
     hi,                                                                                           \
     unit,                                                                                         \
     [](const FfbSettings& s) { return static_cast<int32_t>(s.field); },                           \
     [](FfbSettings& s, int32_t v) {                                                            \
         s.field = static_cast<type>(std::is_same_v<type, uint8_t> ? (v != 0) : v);              \
     }},

const SettingDescriptor kFfbSettingTable[kFfbSettingCount] = {
    GRIPLINE_FFB_SETTINGS(GRIPLINE_SETTING_ROW)};

#undef GRIPLINE_SETTING_ROW

#define GRIPLINE_COUNT_SETTING(...) +1
static_assert(0 GRIPLINE_FFB_SETTINGS(GRIPLINE_COUNT_SETTING) == kFfbSettingCount,
              "kFfbSettingCount must match the rows of GRIPLINE_FFB_SETTINGS");
#undef GRIPLINE_COUNT_SETTING

const SettingDescriptor* findSetting(const char* key) {
    for (const SettingDescriptor& row : kFfbSettingTable)
        if (std::strcmp(row.key, key) == 0)
            return &row;
    return nullptr;
}

} // namespace gripline
