#include "settings/ffb_settings.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace gripline {
namespace {

TEST(FfbSettings, FreshRecordHoldsTheDefaults) {
    const FfbSettings s;
    EXPECT_EQ(s.Mode, 0);
    EXPECT_EQ(s.UseCarSpecificSettings, 1);
    EXPECT_EQ(s.ReduceForceWhenParked, 1);
    EXPECT_EQ(s.StartMinimized + s.RunOnStartup + s.SimucubeMode + s.DebugLogging, 0);
    EXPECT_EQ(s.MinForce, 0);
    EXPECT_EQ(s.ForceStrength, 50);
    EXPECT_EQ(s.Bumps, 20);
    EXPECT_EQ(s.BumpImpacts, 20);
    EXPECT_EQ(s.Damping, 0);
    EXPECT_EQ(s.AbsVibration, 15);
    EXPECT_EQ(s.Understeer, 0);
    EXPECT_EQ(s.SuspensionDetailPriority, 50);
    EXPECT_EQ(s.CarForceBalance, 100);
    EXPECT_EQ(s.UndersteerLighten, 0);
    EXPECT_EQ(s.UndersteerResistance, 75);
    EXPECT_EQ(s.OversteerCorrection, 50);
    EXPECT_EQ(s.OversteerOffset, 0);
    EXPECT_EQ(s.CrashLongG, 60);
    EXPECT_EQ(s.CrashLatG, 60);
    EXPECT_EQ(s.CrashDurationTenths, 15);
    EXPECT_EQ(s.CrashReduction, 95);
    EXPECT_EQ(s.WheelbaseMaxTorqueTenths, 0);
}

TEST(FfbSettings, TableWalksEveryFieldInRecordOrder) {
    const char* expected[kFfbSettingCount] = {"Mode", "UseCarSpecificSettings", "ReduceForceWhenParked",
                              "StartMinimized", "RunOnStartup", "SimucubeMode", "DebugLogging",
                              "MinForce", "ForceStrength", "Bumps", "BumpImpacts", "Damping",
                              "AbsVibration", "Understeer", "SuspensionDetailPriority",
                              "CarForceBalance", "UndersteerLighten", "UndersteerResistance",
                              "OversteerCorrection", "OversteerOffset", "CrashLongG", "CrashLatG",
                              "CrashDurationTenths", "CrashReduction", "WheelbaseMaxTorqueTenths",
                              "AutoStrength", "AutoStrengthTarget"};
    const FfbSettings defaults;
    for (int i = 0; i < kFfbSettingCount; ++i) {
        const SettingDescriptor& row = kFfbSettingTable[i];
        EXPECT_STREQ(row.key, expected[i]);
        EXPECT_EQ(row.get(defaults), row.defaultValue) << row.key;
        EXPECT_EQ(row.kind == SettingKind::Flag, (i >= 1 && i <= 6) || i == 25) << row.key;
    }
}

TEST(FfbSettings, SettersWriteOnlyTheirOwnFieldAndKeepOutOfRangeValues) {
    for (const SettingDescriptor& row : kFfbSettingTable) {
        FfbSettings s;
        const int32_t value = row.kind == SettingKind::Flag ? 1 - row.defaultValue : 12345;
        row.set(s, value);
        EXPECT_EQ(row.get(s), value) << row.key;
        for (const SettingDescriptor& other : kFfbSettingTable) {
            if (&other != &row) {
                EXPECT_EQ(other.get(s), other.defaultValue) << row.key << " changed " << other.key;
            }
        }
    }
    FfbSettings s;
    findSetting("SimucubeMode")->set(s, 7);
    EXPECT_EQ(s.SimucubeMode, 1) << "a flag stays 0 or 1";
    EXPECT_EQ(findSetting("forcestrength"), nullptr);
}

} // namespace
} // namespace gripline
