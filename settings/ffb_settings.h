#pragma once
// The tuning record. One table describes every setting: its field (which is
// also its key in the settings file), type, default, the range of its control
// and its unit. The record's defaults, the settings file and the window's
// binding are all driven from this table.
#include <cstdint>

namespace gripline {

// X(field, type, default, controlMin, controlMax, unit)
// Flags are one byte, 0 or 1. A range of 0..0 means the setting has no control.
#define GRIPLINE_FFB_SETTINGS(X)                                                                   \
    X(Mode, int32_t, 0, 0, 1, "0 = 360 Hz telemetry, 1 = 360 Hz interpolated")                     \
    X(UseCarSpecificSettings, uint8_t, 1, 0, 1, "flag")                                            \
    X(ReduceForceWhenParked, uint8_t, 1, 0, 1, "flag")                                             \
    X(StartMinimized, uint8_t, 0, 0, 1, "flag")                                                    \
    X(RunOnStartup, uint8_t, 0, 0, 1, "flag")                                                      \
    X(SimucubeMode, uint8_t, 0, 0, 1, "flag")                                                      \
    X(DebugLogging, uint8_t, 0, 0, 1, "flag")                                                      \
    X(MinForce, int32_t, 0, 0, 20, "minimum-force curve step")                                     \
    X(ForceStrength, int32_t, 50, 0, 100, "percent")                                               \
    X(Bumps, int32_t, 20, 0, 100, "road texture")                                                  \
    X(BumpImpacts, int32_t, 20, 0, 100, "impact texture")                                          \
    X(Damping, int32_t, 0, 0, 100, "damping")                                                      \
    X(AbsVibration, int32_t, 15, 0, 100, "percent")                                                \
    X(Understeer, int32_t, 0, 0, 0, "stored only")                                                 \
    X(SuspensionDetailPriority, int32_t, 50, 0, 100, "percent")                                    \
    X(CarForceBalance, int32_t, 100, 50, 150, "percent")                                           \
    X(UndersteerLighten, int32_t, 0, 0, 100, "understeer lightening")                              \
    X(UndersteerResistance, int32_t, 75, 0, 100, "understeer resistance")                          \
    X(OversteerCorrection, int32_t, 50, 0, 150, "oversteer correction")                            \
    X(OversteerOffset, int32_t, 0, 0, 100, "oversteer offset")                                     \
    X(CrashLongG, int32_t, 60, 0, 120, "tenths of g")                                              \
    X(CrashLatG, int32_t, 60, 0, 120, "tenths of g")                                               \
    X(CrashDurationTenths, int32_t, 15, 0, 50, "tenths of a second")                               \
    X(CrashReduction, int32_t, 95, 0, 99, "percent")                                               \
    X(WheelbaseMaxTorqueTenths, int32_t, 0, 0, 9990, "tenths of N·m, 0 = not given")           \
    X(AutoStrength, uint8_t, 0, 0, 1, "flag")                                                      \
    X(AutoStrengthTarget, int32_t, 80, 50, 100, "percent of full scale")

struct FfbSettings {
#define GRIPLINE_SETTING_FIELD(field, type, def, lo, hi, unit) type field = def;
    GRIPLINE_FFB_SETTINGS(GRIPLINE_SETTING_FIELD)
#undef GRIPLINE_SETTING_FIELD

    bool operator==(const FfbSettings&) const = default;
};

enum class SettingKind { Flag, Integer };

// One row of the table, for code that walks every setting (file, binding).
struct SettingDescriptor {
    const char* key;
    SettingKind kind;
    int32_t defaultValue;
    int32_t controlMin;
    int32_t controlMax;
    const char* unit;
    int32_t (*get)(const FfbSettings&);
    void (*set)(FfbSettings&, int32_t);
};

inline constexpr int kFfbSettingCount = 27;
extern const SettingDescriptor kFfbSettingTable[kFfbSettingCount];

// The row whose key equals `key` exactly, or null.
const SettingDescriptor* findSetting(const char* key);

} // namespace gripline
