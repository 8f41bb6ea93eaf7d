// The settings file and driver profiles, through the profile store under
// test: the same bodies run natively with the portable store and under Wine
// with the Windows private-profile functions.
#include "settings/driver_profiles.h"
#include "settings/settings_file.h"
#include "settings/settings_keeper.h"
#include "settings/wide_text.h"
#include "tests/settings/settings_test_support.h"

#include <gtest/gtest.h>

namespace gripline {
namespace {

using test::freshTestDir;
using test::readBytes;
using test::storeUnderTest;
using test::writeBytes;

SettingsFile fileWith(const std::string& bytes) {
    const std::filesystem::path path = freshTestDir() / "Torvix_profiles.ini";
    writeBytes(path, bytes);
    return SettingsFile(storeUnderTest(), path);
}

TEST(SettingsPath, IsTheFileBesideTheExecutable) {
    EXPECT_EQ(settingsPath(L"C:\\Games\\Gripline\\Torvix_Commercial.exe"),
              L"C:\\Games\\Gripline\\Torvix_profiles.ini");
    EXPECT_EQ(settingsPath(L"Z:/opt/gripline\\bin/Torvix_Commercial.exe"),
              L"Z:/opt/gripline\\bin/Torvix_profiles.ini");
    EXPECT_EQ(settingsPath(L"prog.exe"), L"prog.exeTorvix_profiles.ini");
}

TEST(ReadInt, TakesWholeNumbersOnlyAndSaturates) {
    const SettingsFile file = fileWith("[S]\r\n"
                                       "Spaced=  42  \r\n"
                                       "Letter=42x\r\n"
                                       "Empty=\r\n"
                                       "Signed=-7\r\n"
                                       "Plus=+5\r\n"
                                       "Hex=0x10\r\n"
                                       "Huge=99999999999\r\n"
                                       "Tiny=-99999999999\r\n"
                                       "Sign=-\r\n");
    EXPECT_EQ(file.readInt(L"S", L"Spaced", 9), 42);
    EXPECT_EQ(file.readInt(L"S", L"Letter", 9), 9);
    EXPECT_EQ(file.readInt(L"S", L"Empty", 9), 9);
    EXPECT_EQ(file.readInt(L"S", L"Signed", 9), -7);
    EXPECT_EQ(file.readInt(L"S", L"Plus", 9), 5);
    EXPECT_EQ(file.readInt(L"S", L"Hex", 9), 9);
    EXPECT_EQ(file.readInt(L"S", L"Huge", 9), 2147483647);
    EXPECT_EQ(file.readInt(L"S", L"Tiny", 9), -2147483647 - 1);
    EXPECT_EQ(file.readInt(L"S", L"Sign", 9), 9);
    EXPECT_EQ(file.readInt(L"S", L"Missing", -3), -3);
    EXPECT_EQ(file.readInt(L"Nowhere", L"Spaced", 11), 11);
    EXPECT_EQ(parseStrictInt(L"\t12\r\n", 0), 12);
}

TEST(ReadSettings, OlderKeysFillInAndOversteerCorrectionIsClamped) {
    const SettingsFile file = fileWith("[P]\r\n"
                                       "LegacyIracingFfbHandoff=1\r\n"
                                       "Bumps=35\r\n"
                                       "OversteerCorrection=400\r\n"
                                       "ForceStrength=400\r\n"
                                       "[Q]\r\n"
                                       "LegacyIracingFfbHandoff=1\r\n"
                                       "SimucubeMode=0\r\n"
                                       "Bumps=35\r\n"
                                       "BumpImpacts=12\r\n"
                                       "OversteerCorrection=-5\r\n"
                                       "ReduceForceWhenParked=7\r\n");
    const FfbSettings p = readSettings(file, L"P", FfbSettings{});
    EXPECT_EQ(p.SimucubeMode, 1);
    EXPECT_EQ(p.Bumps, 35);
    EXPECT_EQ(p.BumpImpacts, 35) << "impact texture starts from the road texture";
    EXPECT_EQ(p.OversteerCorrection, 150);
    EXPECT_EQ(p.ForceStrength, 400) << "only oversteer correction is clamped on reading";

    const FfbSettings q = readSettings(file, L"Q", FfbSettings{});
    EXPECT_EQ(q.SimucubeMode, 0) << "the current key wins over the older one";
    EXPECT_EQ(q.BumpImpacts, 12);
    EXPECT_EQ(q.OversteerCorrection, 0);
    EXPECT_EQ(q.ReduceForceWhenParked, 1);

    FfbSettings defaults;
    defaults.CrashReduction = 80;
    EXPECT_EQ(readSettings(file, L"Missing", defaults), defaults);
}

TEST(ReadSettings, TheNextSaveWritesOnlyTheCurrentKey) {
    const SettingsFile old = fileWith("[Profiles]\r\nCount=1\r\n"
                                      "[Profile0]\r\nName=Old\r\nLegacyIracingFfbHandoff=1\r\n");
    SettingsState state;
    test::RecordingView view;
    test::RecordingEngine engine;
    SettingsKeeper(state, old, view, engine).loadProfiles();
    ASSERT_EQ(state.Profiles.InUse.SimucubeMode, 1);

    const std::filesystem::path saved = old.path().parent_path() / "saved.ini";
    ASSERT_TRUE(
        SettingsKeeper(state, SettingsFile(storeUnderTest(), saved), view, engine).saveAll());
    const SettingsFile file(storeUnderTest(), saved);
    EXPECT_EQ(file.readString(L"Profile0", L"SimucubeMode", L"", 64), L"1");
    EXPECT_EQ(file.readString(L"Profile0", L"LegacyIracingFfbHandoff", L"absent", 64), L"absent");
}

TEST(LoadProfiles, SelectedIsKeptWithinTheList) {
    const std::string profiles = "[Profile0]\r\nName=A\r\n[Profile1]\r\nName=B\r\n"
                                 "[Profile2]\r\nForceStrength=70\r\n";
    ProfileSet set;
    loadProfiles(set, fileWith("[Profiles]\r\nCount=3\r\nSelected=7\r\n" + profiles));
    ASSERT_EQ(set.List.size(), 3u);
    EXPECT_EQ(set.Active, 2);
    EXPECT_EQ(set.List[2].Name, L"Driver 3") << "a profile without a name is numbered from 1";
    EXPECT_EQ(set.InUse.ForceStrength, 70) << "the active profile's settings are in use";

    ProfileSet below;
    loadProfiles(below, fileWith("[Profiles]\r\nCount=3\r\nSelected=-3\r\n" + profiles));
    EXPECT_EQ(below.Active, 0);
    EXPECT_EQ(below.List[0].Name, L"A");
    EXPECT_EQ(findProfile(below, L"b"), 1);
    EXPECT_EQ(findProfile(below, L"C"), -1);
}

TEST(LoadProfiles, NoCountOrNoFileGivesOneDefaultProfile) {
    ProfileSet zero;
    loadProfiles(zero, fileWith("[Profiles]\r\nCount=0\r\n[Profile0]\r\nForceStrength=90\r\n"));
    ASSERT_EQ(zero.List.size(), 1u);
    EXPECT_EQ(zero.List[0].Name, L"Default");
    EXPECT_EQ(zero.List[0].Settings, FfbSettings{});
    EXPECT_EQ(zero.Active, 0);

    ProfileSet none;
    loadProfiles(none, SettingsFile(storeUnderTest(), freshTestDir() / "missing.ini"));
    ASSERT_EQ(none.List.size(), 1u);
    EXPECT_EQ(none.List[0].Name, L"Default");
    EXPECT_EQ(none.InUse, FfbSettings{});
}

TEST(LoadProfiles, AnAbsurdCountReadsABoundedList) {
    ProfileSet set;
    loadProfiles(set, fileWith("[Profiles]\r\nCount=2147483647\r\nSelected=5000\r\n"));
    EXPECT_EQ(set.List.size(), static_cast<size_t>(kMaxProfiles));
    EXPECT_EQ(set.Active, kMaxProfiles - 1);
}

// A new file is created in UTF-16 so that names outside the ANSI code page
// survive; before, they came back as "?" and the driver name cache was
// rewritten four times a second.
TEST(SaveAll, NamesOutsideTheAnsiCodePageComeBackIntact) {
    const std::filesystem::path path = freshTestDir() / "Torvix_profiles.ini";
    SettingsState state;
    state.Profiles.List = {{L"Default", {}}, {L"Пилот 東京", {}}};
    state.Profiles.List[1].Settings.ForceStrength = 64;
    state.Profiles.List[1].Settings.RunOnStartup = 1;
    state.Profiles.Active = 1;
    state.Profiles.InUse = state.Profiles.List[1].Settings;
    test::RecordingView view;
    test::RecordingEngine engine;
    SettingsKeeper keeper(state, SettingsFile(storeUnderTest(), path), view, engine);
    ASSERT_TRUE(keeper.saveAll());
    EXPECT_TRUE(view.Lines.empty());
    EXPECT_EQ(readBytes(path).substr(0, 2), "\xFF\xFE");

    SettingsState loaded;
    SettingsKeeper(loaded, SettingsFile(storeUnderTest(), path), view, engine).loadProfiles();
    ASSERT_EQ(loaded.Profiles.List.size(), 2u);
    EXPECT_EQ(loaded.Profiles.List[1].Name, L"Пилот 東京");
    EXPECT_EQ(loaded.Profiles.Active, 1);
    EXPECT_EQ(loaded.Profiles.InUse, state.Profiles.List[1].Settings);

    SettingsFile file(storeUnderTest(), path);
    ASSERT_TRUE(rememberDriverName(file, 4711, L"山田 太郎"));
    EXPECT_EQ(readDriverName(file, 4711), L"山田 太郎");
}

TEST(SaveAll, AFailedWriteIsReportedOnce) {
    const std::filesystem::path path = freshTestDir() / "no such folder" / "Torvix_profiles.ini";
    SettingsState state;
    state.Profiles.List = {{L"Default", {}}, {L"Second", {}}};
    test::RecordingView view;
    test::RecordingEngine engine;
    SettingsKeeper keeper(state, SettingsFile(storeUnderTest(), path), view, engine);
    EXPECT_FALSE(keeper.saveAll());
    ASSERT_EQ(view.Lines.size(), 1u);
    EXPECT_EQ(view.Lines[0], L"Could not save settings to " + pathText(path) + L".");
}

TEST(SaveAll, AnExistingAnsiFileKeepsWorking) {
    const SettingsFile old = fileWith("[Profiles]\r\nCount=1\r\n[Profile0]\r\nName=Ansi\r\n"
                                      "ForceStrength=33\r\n[Unrelated]\r\nKeep=me\r\n");
    SettingsState state;
    test::RecordingView view;
    test::RecordingEngine engine;
    SettingsKeeper keeper(state, old, view, engine);
    keeper.loadProfiles();
    state.Profiles.InUse.ForceStrength = 34;
    ASSERT_TRUE(keeper.saveAll());
    EXPECT_NE(readBytes(old.path()).substr(0, 2), "\xFF\xFE") << "the file stays as it was";
    EXPECT_EQ(old.readInt(L"Profile0", L"ForceStrength", 0), 34);
    EXPECT_EQ(old.readString(L"Profile0", L"Name", L"", 128), L"Ansi");
    EXPECT_EQ(old.readString(L"Unrelated", L"Keep", L"", 128), L"me");
}

TEST(DriverNames, AreTrimmedAndOnlyForRealIds) {
    SettingsFile file = fileWith("[DriverIdentity]\r\n12=  Max Power\t\r\n13=\r\n");
    EXPECT_EQ(readDriverName(file, 12), L"Max Power");
    EXPECT_EQ(readDriverName(file, 13), L"");
    EXPECT_EQ(readDriverName(file, 14), L"");
    EXPECT_EQ(readDriverName(file, 0), L"");
    const std::string before = readBytes(file.path());
    EXPECT_TRUE(rememberDriverName(file, 12, L"MAX POWER"));
    EXPECT_EQ(readBytes(file.path()), before) << "the same name in other letters is no change";
}

} // namespace
} // namespace gripline
