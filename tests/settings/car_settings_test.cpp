// Car keys, car-specific settings and car coefficients, through the profile
// store under test (portable natively, the Windows functions under Wine).
#include "settings/builtin_cars.h"
#include "settings/car_coefficients_store.h"
#include "settings/car_key.h"
#include "settings/car_settings.h"
#include "settings/driving_settings.h"
#include "settings/settings_keeper.h"
#include "tests/settings/settings_test_support.h"

#include <gtest/gtest.h>

#include <set>

namespace gripline {
namespace {

using test::freshTestDir;
using test::storeUnderTest;
using test::writeBytes;

CarCoefficients values(float yawRate, float yawSteer, float lateral, float resistance, float bias) {
    CarCoefficients v;
    v.YawRateMultiplier = yawRate;
    v.YawSteerGain = yawSteer;
    v.LateralAccelDivisor = lateral;
    v.ResistanceGain = resistance;
    v.SteerMarginBias = bias;
    return v;
}

TEST(CarKey, IsTrimmedLowerCaseAndEmptyForGeneric) {
    EXPECT_EQ(normalizeCarKey(L"  MX5 MX52016\r\n"), L"mx5 mx52016");
    EXPECT_EQ(carSectionName(0, normalizeCarKey(L"  MX5 MX52016\r\n")), L"CarProfile0_mx5_mx52016");
    EXPECT_EQ(normalizeCarKey(L"Generic"), L"");
    EXPECT_EQ(normalizeCarKey(L"\t GENERIC \n"), L"");
    EXPECT_EQ(normalizeCarKey(L""), L"");
    EXPECT_EQ(normalizeCarKey(L" \r\n"), L"");
    EXPECT_EQ(normalizeCarKey(L"Ärger Car"), L"Ärger car") << "only ASCII letters change case";
    EXPECT_EQ(carSectionName(12, L"ärger-car.v2"), L"CarProfile12__rger_car_v2");
    EXPECT_EQ(carSectionName(1, L""), L"CarProfile1_generic");
}

TEST(BuiltinCars, HoldFortyFiveDistinctNormalisedKeys) {
    std::set<std::wstring> keys;
    for (const BuiltinCar& row : builtinCars()) {
        EXPECT_EQ(normalizeCarKey(row.Car), row.Car);
        keys.insert(row.Car);
    }
    EXPECT_EQ(keys.size(), 45u);
}

TEST(CoefficientLookups, GenericTableAndCustomEntries) {
    CustomCarList custom;
    EXPECT_EQ(coefficientsFor(custom, L"Generic"), genericCoefficients());
    EXPECT_EQ(coefficientsFor(custom, L""), genericCoefficients());
    EXPECT_EQ(genericCoefficients().Values, values(40, 0, 90, 1, 0));

    const CarCoefficientEntry dallara = coefficientsFor(custom, L"DALLARAP217");
    EXPECT_EQ(dallara.Car, L"dallarap217");
    EXPECT_EQ(dallara.Values, values(44, 0, 110, 1.55f, 0));
    EXPECT_EQ(coefficientsFor(custom, L"skippy"),
              (CarCoefficientEntry{L"skippy", values(40, 0, 90, 1, 0)}));

    ASSERT_TRUE(storeCoefficients(custom, {L" DallaraP217 ", values(50, 0.1f, 100, 1.2f, 0.02f)}));
    EXPECT_EQ(custom[0].Car, L"dallarap217");
    EXPECT_EQ(coefficientsFor(custom, L"dallarap217").Values, values(50, 0.1f, 100, 1.2f, 0.02f));

    CarCoefficients engine;
    EXPECT_STREQ(resolveCoefficients(custom, L"DallaraP217", true, engine), L"custom");
    EXPECT_EQ(engine, values(50, 0.1f, 100, 1.2f, 0.02f));
    EXPECT_STREQ(resolveCoefficients(custom, L"MX5 MX52016", true, engine), L"mx5 mx52016");
    EXPECT_EQ(engine, values(36, 0, 96, 0.9f, 0));
    EXPECT_STREQ(resolveCoefficients(custom, L" mx5 mx52016", true, engine), L"generic")
        << "the engine does not normalise the car path";
    EXPECT_EQ(engine, values(40, 0, 90, 1, 0));
    EXPECT_STREQ(resolveCoefficients(custom, L"dallarap217", false, engine), L"generic");
    EXPECT_EQ(engine, values(44, 0, 110, 1, 0));
}

TEST(CoefficientLookups, GenericNeverEntersTheCustomList) {
    CustomCarList custom;
    EXPECT_FALSE(storeCoefficients(custom, {L"generic", values(60, 0, 90, 1, 0)}));
    EXPECT_FALSE(storeCoefficients(custom, {L"", values(60, 0, 90, 1, 0)}));
    EXPECT_TRUE(custom.empty());
    EXPECT_TRUE(storeCoefficients(custom, {L"skippy", values(1, 0, 2, 3, 0)}));
    EXPECT_TRUE(storeCoefficients(custom, {L"SKIPPY", values(4, 0, 5, 6, 0)}));
    ASSERT_EQ(custom.size(), 1u);
    EXPECT_EQ(custom[0].Values.YawRateMultiplier, 4);

    EXPECT_TRUE(hasCoefficients(custom, L"GENERIC"));
    EXPECT_TRUE(hasCoefficients(custom, L"Skippy"));
    EXPECT_TRUE(hasCoefficients(custom, L" Radical SR8 "));
    EXPECT_FALSE(hasCoefficients(custom, L"unknowncar"));
    EXPECT_FALSE(hasCoefficients(custom, L""));
}

TEST(CoefficientFile, ScaledValuesRoundTrip) {
    SettingsFile file(storeUnderTest(), freshTestDir() / "c.ini");
    const CustomCarList custom = {{L"skippy", values(37.5f, 0.005f, 95.4f, 1.125f, 0.01f)},
                                  {L"rt2000", values(-2.25f, 0, 80, 1, -0.01f)}};
    ASSERT_TRUE(saveCoefficients(file, custom));
    EXPECT_EQ(file.readString(L"Coefficient0", L"SteerMarginBiasTenthDeg", L"", 64), L"6");
    EXPECT_EQ(file.readString(L"Coefficient0", L"YawSteerGainThousand", L"", 64), L"5");
    EXPECT_EQ(file.readString(L"Coefficient0", L"LateralAccelDivisor", L"", 64), L"95");
    EXPECT_EQ(file.readString(L"Coefficient1", L"YawRateMultiplierTenth", L"", 64), L"-23")
        << "halves round away from zero";
    EXPECT_EQ(file.readString(L"Coefficient1", L"SteerMarginBiasTenthDeg", L"", 64), L"-6");

    const CustomCarList back = loadCoefficients(file);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].Car, L"skippy");
    EXPECT_EQ(back[0].Values.SteerMarginBias, 6.0f / 572.9578f);
    EXPECT_EQ(back[0].Values.YawRateMultiplier, 37.5f);
    EXPECT_EQ(back[0].Values.ResistanceGain, 113.0f / 100.0f) << "1.125 rounds up to 113";
}

TEST(CoefficientFile, SkipsEntriesWithoutACarAndDefaultsMissingKeys) {
    const std::filesystem::path path = freshTestDir() / "c.ini";
    writeBytes(path, "[Coefficients]\r\nCount=4\r\n"
                     "[Coefficient0]\r\nCar=Generic\r\nYawRateMultiplierTenth=500\r\n"
                     "[Coefficient1]\r\nCar= Skippy \r\nLateralAccelDivisor=9o\r\n"
                     "[Coefficient2]\r\nYawRateMultiplierTenth=500\r\n"
                     "[Coefficient3]\r\nCar=skippy\r\nYawRateMultiplierTenth=300\r\n");
    const CustomCarList custom = loadCoefficients(SettingsFile(storeUnderTest(), path));
    ASSERT_EQ(custom.size(), 2u) << "duplicates from a hand-edited file are kept";
    EXPECT_EQ(custom[0].Car, L"skippy");
    EXPECT_EQ(custom[0].Values, values(44, 0, 110, 1, 0));
    EXPECT_EQ(coefficientsFor(custom, L"skippy").Values.YawRateMultiplier, 44) << "first wins";
}

TEST(CoefficientFile, AnAbsurdCountReadsABoundedList) {
    const std::filesystem::path path = freshTestDir() / "c.ini";
    writeBytes(path, "[Coefficients]\r\nCount=2147483647\r\n"
                     "[Coefficient999]\r\nCar=last\r\n[Coefficient1000]\r\nCar=beyond\r\n");
    const CustomCarList custom = loadCoefficients(SettingsFile(storeUnderTest(), path));
    ASSERT_EQ(custom.size(), 1u);
    EXPECT_EQ(custom[0].Car, L"last");
}

class CarSettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = freshTestDir() / "Torvix_profiles.ini";
        state_.Profiles.List = {{L"Default", {}}, {L"Second", {}}};
        state_.Profiles.List[0].Settings.WheelbaseMaxTorqueTenths = 200;
        state_.Profiles.InUse = state_.Profiles.List[0].Settings;
    }

    SettingsKeeper keeper() {
        return SettingsKeeper(state_, SettingsFile(storeUnderTest(), path_), view_, engine_);
    }

    // The program started again on the same file.
    void restart() {
        state_ = SettingsState{};
        view_ = test::RecordingView{};
        keeper().loadCoefficients();
        keeper().loadProfiles();
    }

    std::filesystem::path path_;
    SettingsState state_;
    test::RecordingView view_;
    test::RecordingEngine engine_;
};

TEST_F(CarSettingsTest, StoreIgnoresNoCarAndNoProfile) {
    storeCarSettings(state_.CarEntries, -1, L"skippy", {});
    storeCarSettings(state_.CarEntries, 0, L"Generic", {});
    storeCarSettings(state_.CarEntries, 0, L" \r\n", {});
    EXPECT_TRUE(state_.CarEntries.empty());
    FfbSettings off;
    off.UseCarSpecificSettings = 0;
    storeCarSettings(state_.CarEntries, 0, L" SKIPPY ", off);
    storeCarSettings(state_.CarEntries, 0, L"skippy", off);
    ASSERT_EQ(state_.CarEntries.size(), 1u);
    EXPECT_EQ(state_.CarEntries[0].CarKey, L"skippy");
    EXPECT_EQ(state_.CarEntries[0].Settings.UseCarSpecificSettings, 1);
}

TEST_F(CarSettingsTest, ACarWithoutSettingsDrivesWithTheProfile) {
    state_.Context.CarKey = L"skippy";
    keeper().applyCarSettings(true);
    ASSERT_EQ(view_.Lines,
              std::vector<std::wstring>{L"Using driver profile settings for this car."});
    EXPECT_EQ(state_.Profiles.InUse, state_.Profiles.List[0].Settings);
    EXPECT_TRUE(state_.CarEntries.empty()) << "nothing is created by looking";
    ASSERT_EQ(engine_.Settings.size(), 1u);
    EXPECT_EQ(view_.Refreshed.size(), 1u);

    state_.Profiles.InUse.UseCarSpecificSettings = 0;
    keeper().applyCarSettings(true);
    EXPECT_EQ(view_.Lines.size(), 1u) << "off: nothing happens and nothing is logged";
}

TEST_F(CarSettingsTest, ACarChangeKeepsTheOldCarsValuesAndTheWheelbaseMaximum) {
    keeper().changeCar(L"skippy");
    state_.Profiles.InUse.ForceStrength = 80;
    state_.Profiles.InUse.WheelbaseMaxTorqueTenths = 150;
    keeper().storeCurrentSettings();
    EXPECT_EQ(state_.Profiles.List[0].Settings.ForceStrength, 50) << "the car's, not the profile's";

    keeper().changeCar(L"mx5 mx52016");
    EXPECT_EQ(state_.Profiles.InUse.ForceStrength, 50);
    EXPECT_EQ(view_.CarLabels.back(), L"Car: mx5 mx52016");
    EXPECT_EQ(view_.ShownCoefficients, values(36, 0, 96, 0.9f, 0));

    keeper().changeCar(L"skippy");
    EXPECT_EQ(view_.Lines.back(), L"Car specific settings loaded.");
    EXPECT_EQ(view_.CarLabels.back(), L"Car: skippy (unknown)");
    EXPECT_EQ(state_.Profiles.InUse.ForceStrength, 80);
    EXPECT_EQ(state_.Profiles.InUse.WheelbaseMaxTorqueTenths, 200) << "the wheel's, not the car's";
    EXPECT_EQ(engine_.Settings.back(), state_.Profiles.InUse);

    const size_t lines = view_.Lines.size();
    keeper().changeCar(L"SKIPPY");
    EXPECT_EQ(view_.Lines.size(), lines) << "the same car in other letters is no change";
}

TEST_F(CarSettingsTest, EntriesLoadLazilyFromTheFileAfterARestart) {
    keeper().changeCar(L"skippy");
    state_.Profiles.InUse.Damping = 33;
    keeper().changeCar(L"rt2000"); // skippy keeps Damping 33
    state_.Profiles.Active = 1;
    state_.Profiles.InUse = state_.Profiles.List[1].Settings;
    ASSERT_TRUE(keeper().saveAll());

    restart();
    EXPECT_EQ(state_.Profiles.Active, 1);
    EXPECT_TRUE(state_.CarEntries.empty());
    state_.Profiles.Active = 0;
    state_.Profiles.InUse = state_.Profiles.List[0].Settings;
    keeper().changeCar(L"Skippy");
    ASSERT_EQ(state_.CarEntries.size(), 1u);
    EXPECT_EQ(view_.Lines.back(), L"Car specific settings loaded.");
    EXPECT_EQ(state_.Profiles.InUse.Damping, 33);
    EXPECT_EQ(state_.CarEntries[0].Settings.UseCarSpecificSettings, 1);

    FfbSettings defaults;
    defaults.Damping = 5;
    EXPECT_EQ(carSettingsFor(state_.CarEntries, keeper().file(), 1, L"skippy", defaults), defaults)
        << "the entry belongs to profile 0 only";
}

TEST_F(CarSettingsTest, TurningCarSpecificSettingsOffAndOnKeepsTheEntries) {
    keeper().changeCar(L"skippy");
    state_.Profiles.InUse.Bumps = 77;
    keeper().storeCurrentSettings();

    // Off: the profile's own settings, marked off, come into force.
    state_.Profiles.InUse = state_.Profiles.List[0].Settings;
    state_.Profiles.InUse.UseCarSpecificSettings = 0;
    state_.Profiles.List[0].Settings.UseCarSpecificSettings = 0;
    ASSERT_TRUE(keeper().saveAll());
    EXPECT_EQ(state_.Profiles.List[0].Settings.Bumps, 20);

    restart();
    EXPECT_EQ(state_.Profiles.InUse.UseCarSpecificSettings, 0);
    state_.Context.CarKey = L"skippy";
    keeper().applyCarSettings(true);
    EXPECT_EQ(state_.Profiles.InUse.Bumps, 20) << "off: the car entry is not applied";

    state_.Profiles.InUse.UseCarSpecificSettings = 1;
    state_.Profiles.List[0].Settings.UseCarSpecificSettings = 1;
    keeper().applyCarSettings(true);
    EXPECT_EQ(state_.Profiles.InUse.Bumps, 77);
    EXPECT_EQ(view_.Lines.back(), L"Car specific settings loaded.");
}

TEST_F(CarSettingsTest, TheCustomListReachesTheEngineAndSurvivesARestart) {
    ASSERT_TRUE(
        storeCoefficients(state_.CustomCars, {L"dallarap217", values(50, 0, 100, 1.2f, 0)}));
    ASSERT_TRUE(keeper().saveAll());
    restart();
    ASSERT_EQ(engine_.CustomCars.size(), 1u) << "handed over once loaded";
    EXPECT_EQ(engine_.CustomCars[0], state_.CustomCars);
    keeper().showCar(L"DALLARAP217");
    EXPECT_EQ(view_.ShownCoefficients, values(50, 0, 100, 1.2f, 0));
    EXPECT_EQ(state_.WorkingCoefficients.Car, L"dallarap217");
    keeper().showCar(L"");
    EXPECT_EQ(view_.CarLabels.back(), L"Car: generic");
}

TEST_F(CarSettingsTest, ReplaysTakeTheNamedProfileAndTheCarsEntry) {
    state_.Profiles.List[1].Settings.ForceStrength = 61;
    storeCarSettings(state_.CarEntries, 1, L"skippy", state_.Profiles.List[1].Settings);
    state_.CarEntries[0].Settings.ForceStrength = 62;
    state_.CarEntries[0].Settings.WheelbaseMaxTorqueTenths = 999;
    ASSERT_TRUE(storeCoefficients(state_.CustomCars, {L"skippy", values(50, 0, 100, 1.2f, 0)}));
    ASSERT_TRUE(keeper().saveAll());

    DrivingSettings driving;
    std::string error;
    ASSERT_TRUE(loadDrivingSettings(storeUnderTest(), path_, L"", L"", driving, error));
    EXPECT_EQ(driving.ProfileName, L"Default") << "the active profile";
    EXPECT_EQ(driving.Settings.ForceStrength, 50);
    EXPECT_STREQ(driving.CoefficientsSource.c_str(), L"generic");

    ASSERT_TRUE(loadDrivingSettings(storeUnderTest(), path_, L"SECOND", L"Skippy", driving, error));
    EXPECT_EQ(driving.ProfileName, L"Second");
    EXPECT_TRUE(driving.CarEntryFound);
    EXPECT_EQ(driving.Settings.ForceStrength, 62);
    EXPECT_EQ(driving.Settings.WheelbaseMaxTorqueTenths, 0) << "the profile's wheelbase maximum";
    EXPECT_EQ(driving.CoefficientsSource, L"custom");
    EXPECT_EQ(driving.Coefficients, values(50, 0, 100, 1.2f, 0));

    EXPECT_FALSE(loadDrivingSettings(storeUnderTest(), path_, L"Nobody", L"", driving, error));
    EXPECT_EQ(error, "no driver profile named \"Nobody\"");
    EXPECT_FALSE(loadDrivingSettings(storeUnderTest(), path_.parent_path() / "x.ini", L"", L"",
                                     driving, error));
}

} // namespace
} // namespace gripline
