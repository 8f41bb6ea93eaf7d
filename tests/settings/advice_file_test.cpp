// The advice file between the Analyzer and the force-feedback program:
// written and read through the profile store under test, and applied to the
// settings logic.
#include "settings/advice_file.h"
#include "settings/apply_advice.h"
#include "settings/car_coefficients_store.h"
#include "settings/car_settings.h"
#include "tests/settings/settings_test_support.h"

#include <gtest/gtest.h>

namespace gripline {
namespace {

using test::freshTestDir;
using test::storeUnderTest;
using test::writeBytes;

AnalyzerAdvice sampleAdvice() {
    AnalyzerAdvice a;
    a.ProfileName = L"Club";
    a.CarName = L"mx5 mx52016";
    a.ForceStrength = 62;
    a.CarForceBalance = 110;
    a.Bumps = 25;
    a.BumpImpacts = 35;
    a.SuspensionDetailPriority = 40;
    a.AbsVibration = 12;
    a.HasCoefficientAdvice = true;
    a.YawRateMultiplier = 38.25f;
    a.YawSteerGain = 0.125f;
    a.LateralAccelDivisor = 91.5f;
    a.ResistanceGain = 1.125f;
    a.SteerMarginBias = 0.01f;
    return a;
}

AdviceChoice everything() {
    AdviceChoice c;
    c.Ticked.fill(true);
    return c;
}

// The file's text whatever its encoding: the stores write UTF-16LE with a
// byte-order mark, hand-written test files are ASCII.
std::wstring fileText(const std::filesystem::path& path) {
    const std::string bytes = test::readBytes(path);
    std::wstring text;
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                         static_cast<unsigned char>(bytes[i + 1]) << 8);
    } else {
        for (char c : bytes)
            text += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    std::wstring withoutCr;
    for (wchar_t c : text)
        if (c != L'\r')
            withoutCr += c;
    return withoutCr;
}

TEST(AdviceFile, IsWrittenInTheAgreedKeyOrder) {
    const auto path = freshTestDir() / "adv1.tmp";
    writeBytes(path, "[Old]\r\nStale=1\r\n"); // what a temporary-name function may leave
    AdviceChoice choice = everything();
    choice.set(AdviceItem::CarForceBalance, false);
    choice.set(AdviceItem::YawSteerGain, false);
    ASSERT_TRUE(writeAdvice(storeUnderTest(), path, sampleAdvice(), choice));
    EXPECT_EQ(fileText(path), L"[Advice]\n"
                              L"Version=1\nProfile=Club\nCar=mx5 mx52016\nHasProfileSettings=1\n"
                              L"ForceStrength=62\nCarForceBalance=110\nSuspensionTexture=25\n"
                              L"SuspensionImpactTexture=35\nSuspensionDetailPriority=40\n"
                              L"AbsVibration=12\nApplyForceStrength=1\nApplyCarForceBalance=0\n"
                              L"ApplySuspensionTexture=1\nApplySuspensionImpactTexture=1\n"
                              L"ApplySuspensionDetailPriority=1\nApplyAbsVibration=1\n"
                              L"HasCoefficientAdvice=1\nApplyYawRateMultiplier=1\n"
                              L"ApplyYawSteerGain=0\nApplyLateralAccelDivisor=1\n"
                              L"ApplyResistanceGain=1\nApplySteerMarginBias=1\n"
                              L"YawRateMultiplierTenth=383\nYawSteerGainThousand=125\n"
                              L"LateralAccelDivisor=92\nResistanceGainHundred=113\n"
                              L"SteerMarginBiasTenthDeg=6\n");
}

TEST(AdviceFile, ReadsBackWhatWasWrittenInSinglePrecision) {
    const auto path = freshTestDir() / "adv2.tmp";
    AdviceChoice choice = everything();
    choice.set(AdviceItem::AbsVibration, false);
    ASSERT_TRUE(writeAdvice(storeUnderTest(), path, sampleAdvice(), choice));
    const auto read = readAdvice(storeUnderTest(), path);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Advice.ProfileName, L"Club");
    EXPECT_EQ(read->CarKey, L"mx5 mx52016");
    EXPECT_TRUE(read->HasProfileSettings);
    EXPECT_EQ(read->Advice.CarForceBalance, 110);
    EXPECT_EQ(read->Advice.BumpImpacts, 35);
    EXPECT_EQ(read->Choice, choice);
    EXPECT_TRUE(read->Advice.HasCoefficientAdvice);
    EXPECT_EQ(read->Advice.YawRateMultiplier, 383.0f / 10.0f);
    EXPECT_EQ(read->Advice.YawSteerGain, 125.0f / 1000.0f);
    EXPECT_EQ(read->Advice.SteerMarginBias, 6.0f / 572.9578f);
}

TEST(AdviceFile, WithoutAFitNoCoefficientIsWrittenOrAdvised) {
    const auto path = freshTestDir() / "adv3.tmp";
    AnalyzerAdvice advice = sampleAdvice();
    advice.HasCoefficientAdvice = false;
    ASSERT_TRUE(writeAdvice(storeUnderTest(), path, advice, everything()));
    const std::wstring text = fileText(path);
    EXPECT_NE(text.find(L"HasCoefficientAdvice=0\n"), std::wstring::npos);
    EXPECT_EQ(text.find(L"YawRateMultiplierTenth"), std::wstring::npos);

    AdviceChoice coefficientsOnly;
    coefficientsOnly.set(AdviceItem::ResistanceGain, true);
    ASSERT_TRUE(writeAdvice(storeUnderTest(), path, sampleAdvice(), coefficientsOnly));
    EXPECT_NE(fileText(path).find(L"HasProfileSettings=0\n"), std::wstring::npos);
    EXPECT_FALSE(writeAdvice(storeUnderTest(), {}, advice, everything()));
}

TEST(AdviceFile, ReadingIsStrictAndDefaultsWhatIsMissing) {
    const auto path = freshTestDir() / "adv4.tmp";
    writeBytes(path, "[Advice]\r\nVersion=1\r\nProfile=  \tClub \r\nCar= Generic \r\n"
                     "HasProfileSettings=1\r\nForceStrength=55x\r\nSuspensionTexture= 30 \r\n"
                     "ApplyAbsVibration=0\r\nHasCoefficientAdvice=1\r\n"
                     "YawRateMultiplierTenth=+405\r\n");
    const auto read = readAdvice(storeUnderTest(), path);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Advice.ProfileName, L"Club");
    EXPECT_EQ(read->CarKey, L"") << "generic names no car";
    EXPECT_EQ(read->Advice.ForceStrength, 0) << "trailing text reads as missing";
    EXPECT_EQ(read->Advice.Bumps, 30);
    EXPECT_EQ(read->Advice.BumpImpacts, 30) << "one texture for both";
    EXPECT_TRUE(read->Choice.ticked(AdviceItem::ForceStrength)) << "missing flags mean ticked";
    EXPECT_FALSE(read->Choice.ticked(AdviceItem::AbsVibration));
    EXPECT_EQ(read->Advice.YawRateMultiplier, 40.5f);
}

TEST(AdviceFile, IsUnusableWithoutVersionOneOrAnyAdvice) {
    const auto dir = freshTestDir();
    EXPECT_FALSE(readAdvice(storeUnderTest(), dir / "missing.tmp"));
    EXPECT_FALSE(readAdvice(storeUnderTest(), {}));
    for (const char* text : {"[Advice]\r\nVersion=2\r\nHasProfileSettings=1\r\n",
                             "[Advice]\r\nVersion=1x\r\nHasProfileSettings=1\r\n",
                             "[Advice]\r\nHasProfileSettings=1\r\n",
                             "[Advice]\r\nVersion=1\r\nHasProfileSettings=0\r\n",
                             "[Other]\r\nVersion=1\r\nHasProfileSettings=1\r\n"}) {
        writeBytes(dir / "adv.tmp", text);
        EXPECT_FALSE(readAdvice(storeUnderTest(), dir / "adv.tmp")) << text;
    }
}

class ApplyAdviceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = freshTestDir();
        settingsPath_ = dir_ / "Torvix_profiles.ini";
        advicePath_ = dir_ / "adv5.tmp";
        state_.Profiles.List = {{L"Default", {}}, {L"Club", {}}};
        state_.Profiles.List[1].Settings.ForceStrength = 70;
        state_.Profiles.List[1].Settings.UseCarSpecificSettings = 0;
        state_.Profiles.Active = 1;
        state_.Profiles.InUse = state_.Profiles.List[1].Settings;
    }

    bool apply() {
        SettingsKeeper keeper(state_, SettingsFile(storeUnderTest(), settingsPath_), view_,
                              engine_);
        return applyAdviceFile({state_, keeper, view_, storeUnderTest(), [this] { ++fills_; }},
                               advicePath_);
    }

    void writeAdviceText(const std::string& keys) {
        writeBytes(advicePath_, "[Advice]\r\nVersion=1\r\n" + keys);
    }

    // The program started again on the saved file.
    SettingsState reloaded() {
        SettingsState state;
        test::RecordingView view;
        test::RecordingEngine engine;
        SettingsKeeper keeper(state, SettingsFile(storeUnderTest(), settingsPath_), view, engine);
        keeper.loadCoefficients();
        keeper.loadProfiles();
        return state;
    }

    std::filesystem::path dir_, settingsPath_, advicePath_;
    SettingsState state_;
    test::RecordingView view_;
    test::RecordingEngine engine_;
    int fills_ = 0;
};

TEST_F(ApplyAdviceTest, AnUnusableFileChangesNothingAndIsDeleted) {
    writeBytes(advicePath_,
               "[Advice]\r\nVersion=2\r\nHasProfileSettings=1\r\nForceStrength=10\r\n");
    const SettingsState before = state_;
    EXPECT_FALSE(apply());
    EXPECT_EQ(view_.Lines, std::vector<std::wstring>{L"Could not load analyzer advice file."});
    EXPECT_FALSE(std::filesystem::exists(advicePath_));
    EXPECT_FALSE(std::filesystem::exists(settingsPath_)) << "nothing saved";
    EXPECT_EQ(state_.Profiles.InUse, before.Profiles.InUse);
    EXPECT_EQ(fills_, 0);

    EXPECT_FALSE(apply()) << "a missing file is reported the same way";
    EXPECT_EQ(view_.Lines.size(), 2u);

    // A path that holds no advice at all (here the settings file itself, or
    // a folder) is refused the same way but never deleted.
    writeBytes(settingsPath_, "[Settings]\r\nProfileCount=1\r\n");
    advicePath_ = settingsPath_;
    EXPECT_FALSE(apply());
    EXPECT_TRUE(std::filesystem::exists(settingsPath_));
    advicePath_ = dir_;
    EXPECT_FALSE(apply());
    EXPECT_TRUE(std::filesystem::is_directory(dir_));
    EXPECT_EQ(view_.Lines.size(), 4u);
}

TEST_F(ApplyAdviceTest, ProfileAdviceWithoutACarChangesTheProfileAsGiven) {
    writeAdviceText("Profile=Club\r\nCar=generic\r\nHasProfileSettings=1\r\nForceStrength=250\r\n"
                    "CarForceBalance=120\r\nSuspensionTexture=33\r\nApplyCarForceBalance=0\r\n"
                    "HasCoefficientAdvice=1\r\nYawRateMultiplierTenth=300\r\n");
    ASSERT_TRUE(apply());
    const FfbSettings& club = state_.Profiles.List[1].Settings;
    EXPECT_EQ(club.ForceStrength, 250) << "stored unchanged, beyond the slider's range";
    EXPECT_EQ(club.CarForceBalance, 100) << "unticked";
    EXPECT_EQ(club.Bumps, 33);
    EXPECT_EQ(club.BumpImpacts, 33) << "the road texture for both";
    EXPECT_EQ(club.UseCarSpecificSettings, 0);
    EXPECT_TRUE(state_.CustomCars.empty()) << "coefficients need a car";
    EXPECT_EQ(state_.Profiles.InUse, club);
    EXPECT_EQ(view_.Refreshed.back(), club);
    EXPECT_EQ(engine_.Settings.back(), club);
    EXPECT_EQ(view_.Lines.back(), L"Analyzer advice applied to profile Club.");
    EXPECT_EQ(fills_, 1);
    EXPECT_FALSE(std::filesystem::exists(advicePath_));
    EXPECT_EQ(reloaded().Profiles.List[1].Settings.ForceStrength, 250);
}

TEST_F(ApplyAdviceTest, NoTickedSettingStillActivatesSavesAndReportsTheProfile) {
    writeAdviceText("Profile=Newcomer\r\nHasProfileSettings=1\r\nForceStrength=10\r\n"
                    "ApplyForceStrength=0\r\nApplyCarForceBalance=0\r\nApplySuspensionTexture=0\r\n"
                    "ApplySuspensionImpactTexture=0\r\nApplySuspensionDetailPriority=0\r\n"
                    "ApplyAbsVibration=0\r\n");
    ASSERT_TRUE(apply());
    ASSERT_EQ(state_.Profiles.List.size(), 3u);
    EXPECT_EQ(state_.Profiles.Active, 2);
    EXPECT_EQ(state_.Profiles.List[2].Name, L"Newcomer");
    EXPECT_EQ(state_.Profiles.List[2].Settings, state_.Profiles.List[1].Settings)
        << "a new profile starts from the active one";
    EXPECT_EQ(state_.Profiles.InUse.ForceStrength, 70);
    EXPECT_EQ(view_.Lines.back(), L"Analyzer advice applied to profile Newcomer.");
    const SettingsState saved = reloaded();
    ASSERT_EQ(saved.Profiles.List.size(), 3u);
    EXPECT_EQ(saved.Profiles.Active, 2);
}

TEST_F(ApplyAdviceTest, ProfilesAreFoundWithoutRegardToCaseAndTakeTheFilesSpelling) {
    writeAdviceText("Profile=CLUB\r\nHasProfileSettings=1\r\nAbsVibration=44\r\n");
    state_.Profiles.Active = 0;
    state_.Profiles.InUse = state_.Profiles.List[0].Settings;
    ASSERT_TRUE(apply());
    ASSERT_EQ(state_.Profiles.List.size(), 2u);
    EXPECT_EQ(state_.Profiles.Active, 1);
    EXPECT_EQ(state_.Profiles.List[1].Name, L"CLUB");
    EXPECT_EQ(state_.Profiles.List[1].Settings.AbsVibration, 44);
    EXPECT_EQ(reloaded().Profiles.List[1].Name, L"CLUB");
}

TEST_F(ApplyAdviceTest, AnEmptyListGetsADefaultProfileForUnnamedAdvice) {
    state_.Profiles.List.clear();
    state_.Profiles.Active = 0;
    state_.Profiles.InUse.WheelbaseMaxTorqueTenths = 120;
    writeAdviceText("HasProfileSettings=1\r\nSuspensionDetailPriority=61\r\n");
    ASSERT_TRUE(apply());
    ASSERT_EQ(state_.Profiles.List.size(), 1u);
    EXPECT_EQ(state_.Profiles.List[0].Name, L"Default");
    EXPECT_EQ(state_.Profiles.List[0].Settings.SuspensionDetailPriority, 61);
    EXPECT_EQ(state_.Profiles.List[0].Settings.WheelbaseMaxTorqueTenths, 120)
        << "from the settings in use";
}

TEST_F(ApplyAdviceTest, AnUnknownCarGetsItsOwnSettingsAndCoefficients) {
    writeAdviceText(
        "Profile=Club\r\nCar=Unknown\r\nHasProfileSettings=1\r\nForceStrength=45\r\n"
        "HasCoefficientAdvice=1\r\nApplyYawSteerGain=0\r\nYawRateMultiplierTenth=385\r\n"
        "YawSteerGainThousand=250\r\nLateralAccelDivisor=88\r\n"
        "ResistanceGainHundred=95\r\nSteerMarginBiasTenthDeg=-6\r\n");
    ASSERT_TRUE(apply());
    const DriverProfile& club = state_.Profiles.List[1];
    EXPECT_EQ(club.Settings.ForceStrength, 70) << "the car's settings change, not the profile's";
    EXPECT_EQ(club.Settings.UseCarSpecificSettings, 1);
    ASSERT_EQ(state_.CarEntries.size(), 1u);
    EXPECT_EQ(state_.CarEntries[0].CarKey, L"unknown");
    EXPECT_EQ(state_.CarEntries[0].Settings.ForceStrength, 45);
    EXPECT_EQ(state_.Context.CarKey, L"unknown");
    EXPECT_EQ(state_.Profiles.InUse.ForceStrength, 45);
    EXPECT_EQ(state_.Profiles.InUse.UseCarSpecificSettings, 1);

    const CarCoefficients expected{38.5f, 0, 88, 0.95f, -6.0f / 572.9578f};
    ASSERT_EQ(state_.CustomCars.size(), 1u);
    EXPECT_EQ(state_.CustomCars[0].Car, L"unknown");
    EXPECT_EQ(state_.CustomCars[0].Values, expected) << "yaw steer gain unticked: default 0";
    EXPECT_EQ(view_.CarLabels.back(), L"Car: unknown");
    EXPECT_EQ(view_.ShownCoefficients, expected);
    EXPECT_EQ(engine_.CustomCars.back(), state_.CustomCars);
    EXPECT_EQ(view_.Lines.back(), L"Analyzer advice applied to profile Club for car unknown.");

    const SettingsState saved = reloaded();
    ASSERT_EQ(saved.CustomCars.size(), 1u);
    EXPECT_EQ(saved.CustomCars[0].Values.LateralAccelDivisor, 88);
    CarSettingsList entries;
    const FfbSettings car = carSettingsFor(entries, SettingsFile(storeUnderTest(), settingsPath_),
                                           1, L"unknown", FfbSettings{});
    EXPECT_EQ(car.ForceStrength, 45);
}

TEST_F(ApplyAdviceTest, ACarsOwnSettingsComeIntoForceWithTheProfilesWheelbaseMaximum) {
    FfbSettings skippy = state_.Profiles.List[1].Settings;
    skippy.ForceStrength = 33;
    skippy.WheelbaseMaxTorqueTenths = 80; // saved with the wheel the driver had before
    storeCarSettings(state_.CarEntries, 1, L"skippy", skippy);
    state_.Profiles.List[1].Settings.WheelbaseMaxTorqueTenths = 150;
    state_.Profiles.InUse = state_.Profiles.List[1].Settings;
    writeAdviceText("Car=skippy\r\nHasProfileSettings=1\r\nAbsVibration=50\r\n"
                    "ApplyForceStrength=0\r\n");
    ASSERT_TRUE(apply());
    EXPECT_EQ(state_.Profiles.InUse.ForceStrength, 33) << "the car's own value";
    EXPECT_EQ(state_.Profiles.InUse.AbsVibration, 50);
    EXPECT_EQ(state_.Profiles.InUse.WheelbaseMaxTorqueTenths, 150) << "the wheel's, not the car's";
    EXPECT_EQ(engine_.Settings.back().WheelbaseMaxTorqueTenths, 150);
    EXPECT_EQ(view_.Refreshed.back().WheelbaseMaxTorqueTenths, 150);
}

TEST_F(ApplyAdviceTest, CoefficientAdviceAloneLeavesTheProfileAlone) {
    writeAdviceText("Profile=Club\r\nCar=skippy\r\nHasProfileSettings=0\r\nForceStrength=5\r\n"
                    "HasCoefficientAdvice=1\r\nApplyYawRateMultiplier=0\r\nApplyYawSteerGain=0\r\n"
                    "ApplyLateralAccelDivisor=0\r\nApplySteerMarginBias=0\r\n"
                    "ResistanceGainHundred=140\r\n");
    ASSERT_TRUE(apply());
    EXPECT_EQ(state_.Profiles.List[1].Settings.ForceStrength, 70);
    EXPECT_TRUE(state_.CarEntries.empty());
    EXPECT_EQ(state_.Profiles.InUse.UseCarSpecificSettings, 0) << "car settings were off";
    CarCoefficientEntry expected = coefficientsFor({}, L"skippy");
    expected.Values.ResistanceGain = 1.4f;
    ASSERT_EQ(state_.CustomCars.size(), 1u);
    EXPECT_EQ(state_.CustomCars[0], expected) << "the other four keep the car's known values";
}

TEST_F(ApplyAdviceTest, AdviceWithoutACarKeepsTheCurrentCarsOwnSettings) {
    state_.Context.CarKey = L"skippy";
    FfbSettings skippy = state_.Profiles.List[1].Settings;
    skippy.UseCarSpecificSettings = 1;
    skippy.ForceStrength = 33;
    storeCarSettings(state_.CarEntries, 1, L"skippy", skippy);
    state_.Profiles.List[1].Settings.UseCarSpecificSettings = 1;
    state_.Profiles.InUse = skippy;
    writeAdviceText("HasProfileSettings=1\r\nAbsVibration=50\r\nApplyForceStrength=0\r\n");
    ASSERT_TRUE(apply());
    EXPECT_EQ(state_.Profiles.List[1].Settings.AbsVibration, 50);
    EXPECT_EQ(state_.CarEntries[0].Settings.ForceStrength, 33) << "not overwritten by the save";
    EXPECT_EQ(state_.Profiles.InUse.ForceStrength, 33);
    EXPECT_EQ(view_.CarLabels.back(), L"Car: skippy (unknown)");
    EXPECT_EQ(view_.Lines.back(), L"Analyzer advice applied to profile Club.");
}

} // namespace
} // namespace gripline
