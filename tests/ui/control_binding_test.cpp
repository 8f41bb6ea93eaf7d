// The control binding against a recording window: what sliders, check boxes,
// the wheelbase field and the profile buttons do to the settings, the car
// lists, the engine's copies, the file and the session log.
#include "ui/control_binding.h"

#include "settings/driver_profiles.h"
#include "tests/ui/binding_test_support.h"
#include "ui/control_ids.h"

#include <gtest/gtest.h>

namespace gripline {
namespace {

using test::KeeperOnFile;
using Lines = std::vector<std::wstring>;

class BindingTest : public ::testing::Test, protected KeeperOnFile {
  protected:
    ProfileSet& profiles() { return state.Profiles; }

    test::RecordingControls controls;
    test::RecordingStartupEntry startup;
    ControlBinding binding{state,    keeper,  view,
                           controls, startup, L"C:\\Gripline\\Torvix_Commercial.exe"};
};

TEST_F(BindingTest, SliderValuesAreShownInTheirUnitsWithinTheirRange) {
    const std::pair<int, int32_t> moves[] = {{1112, 65},  {1114, 15}, {1117, 5},  {1119, 155},
                                             {1120, 100}, {1101, 50}, {1100, 50}, {1120, 73}};
    for (auto [id, value] : moves)
        binding.setSliderValue(id, value);
    EXPECT_EQ(controls.SliderTexts[1112], L"6.5 g");
    EXPECT_EQ(controls.SliderTexts[1114], L"1.5 sec");
    EXPECT_EQ(controls.SliderTexts[1117], L"0.005");
    EXPECT_EQ(controls.SliderTexts[1119], L"1.55");
    EXPECT_EQ(controls.SliderTexts[1101], L"50%");
    EXPECT_EQ(controls.SliderValues[1100], 20) << "limited to the slider's range";
    EXPECT_EQ(controls.SliderTexts[1100], L"20");
    EXPECT_EQ(controls.SliderTexts[1120], L"-2.7 deg"); // the ASCII minus
    EXPECT_TRUE(engine.Settings.empty()) << "showing a value changes no setting";

    binding.setSliderValue(1131, 5); // not a slider
    EXPECT_EQ(controls.SliderValues.count(1131), 0u);
}

TEST_F(BindingTest, AMovedSliderReachesTheSettingsTheProfileAndTheEngineAtOnce) {
    binding.onSliderChanged(1101, 73);
    EXPECT_EQ(profiles().InUse.ForceStrength, 73);
    EXPECT_EQ(profiles().List[0].Settings.ForceStrength, 73);
    ASSERT_EQ(engine.Settings.size(), 1u);
    EXPECT_EQ(engine.Settings.back().ForceStrength, 73);
    EXPECT_EQ(controls.SliderTexts[1101], L"73%");
    EXPECT_FALSE(std::filesystem::exists(path)) << "the file waits for the next save";

    // With car-specific settings in force the car keeps the value, not the profile.
    state.Context.CarKey = L"skippy";
    binding.onSliderChanged(1114, 30);
    EXPECT_EQ(profiles().List[0].Settings.CrashDurationTenths, 15);
    ASSERT_EQ(state.CarEntries.size(), 1u);
    EXPECT_EQ(state.CarEntries[0].Settings.CrashDurationTenths, 30);

    binding.onSliderChanged(999, 1);
    EXPECT_EQ(engine.Settings.size(), 2u) << "an unknown control is ignored";
}

TEST_F(BindingTest, CoefficientSlidersNeverAddAGenericEntry) {
    binding.onSliderChanged(1116, 500);
    binding.onSliderChanged(1120, 73);
    EXPECT_TRUE(state.CustomCars.empty());
    EXPECT_EQ(state.WorkingCoefficients.Car, L"generic");
    EXPECT_FLOAT_EQ(state.WorkingCoefficients.Values.YawRateMultiplier, 50.0f);
    EXPECT_FLOAT_EQ(state.WorkingCoefficients.Values.SteerMarginBias, -27.0f / 572.9578f);
    EXPECT_TRUE(engine.CustomCars.back().empty());

    state.Context.CarKey = L"Skippy ";
    binding.onSliderChanged(1117, 5);
    binding.onSliderChanged(1119, 155);
    ASSERT_EQ(state.CustomCars.size(), 1u);
    EXPECT_EQ(state.CustomCars[0].Car, L"skippy");
    EXPECT_FLOAT_EQ(state.CustomCars[0].Values.YawSteerGain, 0.005f);
    EXPECT_FLOAT_EQ(state.CustomCars[0].Values.ResistanceGain, 1.55f);
    EXPECT_FLOAT_EQ(state.CustomCars[0].Values.YawRateMultiplier, 50.0f) << "the working copy";
    EXPECT_EQ(engine.CustomCars.back(), state.CustomCars);
    EXPECT_EQ(controls.SliderTexts[1119], L"1.55");
}

TEST_F(BindingTest, TheWheelbaseFieldIsReadWithACommaAndRewritten) {
    controls.WheelbaseField = L"12,5";
    binding.commitWheelbaseField();
    EXPECT_EQ(profiles().InUse.WheelbaseMaxTorqueTenths, 125);
    EXPECT_EQ(profiles().List[0].Settings.WheelbaseMaxTorqueTenths, 125);
    EXPECT_EQ(controls.WheelbaseField, L"12.5");
    EXPECT_EQ(engine.Settings.back().WheelbaseMaxTorqueTenths, 125);

    controls.WheelbaseField = L"0.04";
    binding.commitWheelbaseField();
    EXPECT_EQ(profiles().InUse.WheelbaseMaxTorqueTenths, 10);
    EXPECT_EQ(controls.WheelbaseField, L"1.0");

    controls.WheelbaseField = L"-3";
    binding.commitWheelbaseField();
    EXPECT_EQ(profiles().InUse.WheelbaseMaxTorqueTenths, 0);
    EXPECT_EQ(controls.WheelbaseField, L"");
}

TEST_F(BindingTest, EachCheckBoxSetsItsFlagAndSaysSo) {
    binding.onCheckboxToggled(kParkedCheck, false);
    binding.onCheckboxToggled(kStartMinimizedCheck, true);
    binding.onCheckboxToggled(kRunOnStartupCheck, true);
    binding.onCheckboxToggled(kSimucubeCheck, true);
    binding.onCheckboxToggled(kDebugLoggingCheck, true);
    binding.onCheckboxToggled(kDebugLoggingCheck, false);
    EXPECT_EQ(view.Lines, (Lines{L"Parked force reduction disabled.", L"Start minimized enabled.",
                                 L"Run on startup enabled.",
                                 L"Simucube mode enabled. Stop and Start FFB to apply.",
                                 L"Debug logging enabled.", L"Debug logging disabled."}));
    const FfbSettings& s = profiles().List[0].Settings;
    EXPECT_EQ(s.ReduceForceWhenParked, 0);
    EXPECT_EQ(s.StartMinimized, 1);
    EXPECT_EQ(s.RunOnStartup, 1);
    EXPECT_EQ(s.SimucubeMode, 1);
    EXPECT_EQ(s.DebugLogging, 0);
    EXPECT_EQ(startup.Values[L"Torvix"], L"\"C:\\Gripline\\Torvix_Commercial.exe\"");
    EXPECT_EQ(engine.Settings.size(), 6u);

    binding.onCheckboxToggled(kRunOnStartupCheck, false);
    EXPECT_TRUE(startup.Values.empty());
    EXPECT_EQ(view.Lines.back(), L"Run on startup disabled.");
}

TEST_F(BindingTest, TurningCarSettingsOffLeavesTheCarItsValuesAndRestoresTheProfile) {
    state.Context.CarKey = L"skippy";
    binding.onSliderChanged(1101, 90); // the car's value
    binding.onCheckboxToggled(kCarSpecificCheck, false);
    EXPECT_EQ(view.Lines.back(), L"Car specific settings disabled.");
    ASSERT_EQ(state.CarEntries.size(), 1u);
    EXPECT_EQ(state.CarEntries[0].Settings.ForceStrength, 90);
    EXPECT_EQ(profiles().InUse.ForceStrength, 50);
    EXPECT_EQ(profiles().InUse.UseCarSpecificSettings, 0);
    EXPECT_EQ(profiles().List[0].Settings.UseCarSpecificSettings, 0);
    EXPECT_EQ(view.Refreshed.back(), profiles().InUse);

    binding.onCheckboxToggled(kCarSpecificCheck, true);
    EXPECT_EQ(view.Lines.back(), L"Car specific settings enabled.");
    EXPECT_EQ(profiles().InUse.ForceStrength, 90) << "the car's settings are back in force";
}

TEST_F(BindingTest, RefreshShowsEveryBoundControl) {
    FfbSettings s;
    s.Mode = 1;
    s.DebugLogging = 1;
    s.CrashLatG = 65;
    s.WheelbaseMaxTorqueTenths = 125;
    binding.refreshControls(s);
    EXPECT_EQ(controls.OutputMode, 1);
    EXPECT_EQ(controls.Checked.size(), 7u);
    EXPECT_TRUE(controls.Checked[kDebugLoggingCheck]);
    EXPECT_FALSE(controls.Checked[kSimucubeCheck]);
    EXPECT_EQ(controls.SliderValues.size(), 17u)
        << "the settings sliders (Auto strength's target too), not the coefficients";
    EXPECT_EQ(controls.SliderTexts[1113], L"6.5 g");
    EXPECT_EQ(controls.WheelbaseField, L"12.5");
}

TEST_F(BindingTest, SaveWithACarKnownKeepsTheCarsSettingsAndCoefficients) {
    state.Context.CarKey = L"skippy";
    profiles().InUse.UseCarSpecificSettings = 0;
    profiles().List[0].Settings.UseCarSpecificSettings = 0;
    profiles().InUse.ForceStrength = 66;
    controls.ProfileBox = L"Default";
    binding.saveProfile();
    EXPECT_EQ(view.Lines, Lines{L"Car settings and coefficients saved."});
    EXPECT_EQ(profiles().InUse.UseCarSpecificSettings, 1);
    EXPECT_EQ(profiles().List[0].Settings.UseCarSpecificSettings, 1);
    EXPECT_TRUE(controls.Checked[kCarSpecificCheck]);
    ASSERT_EQ(state.CarEntries.size(), 1u);
    EXPECT_EQ(state.CarEntries[0].Settings.ForceStrength, 66);
    ASSERT_EQ(state.CustomCars.size(), 1u);
    EXPECT_EQ(state.CustomCars[0].Car, L"skippy");
    EXPECT_EQ(view.CarLabels.back(), L"Car: skippy");
    EXPECT_TRUE(std::filesystem::exists(path));
}

// Save writes where the settings came from; its menu writes to the entry
// the driver names, and says so when the context lacks what that needs.
TEST_F(BindingTest, SaveWritesTheEntryInUseOrTheOneChosen) {
    DrivingContext wet = resolveDrivingContext(L"skippy", L"spa", L"Spa-Francorchamps", true);
    profiles().InUse.UseCarSpecificSettings = 1;
    storeContextSettings(state.CarEntries, 0, contextKey(wet, ContextScope::CarWet),
                         profiles().InUse);
    keeper.changeContext(wet);
    ASSERT_EQ(state.InUseScope, ContextScope::CarWet);
    const auto strengthOf = [&](ContextScope scope) {
        const CarSettingsEntry* e = findContextEntry(state.CarEntries, 0, contextKey(wet, scope));
        return e ? e->Settings.ForceStrength : -1;
    };
    const struct {
        SaveChoice choice;
        ContextScope written;
        const wchar_t* line;
    } saves[] = {
        {SaveChoice::WhereInUse, ContextScope::CarWet,
         L"Settings and coefficients saved for skippy \u00B7 wet."},
        {SaveChoice::ThisCar, ContextScope::Car, L"Car settings and coefficients saved."},
        {SaveChoice::ThisCarAtThisTrack, ContextScope::CarTrackWet,
         L"Settings and coefficients saved for skippy \u00B7 Spa-Francorchamps \u00B7 wet."},
        {SaveChoice::ThisCarInTheWet, ContextScope::CarWet,
         L"Settings and coefficients saved for skippy \u00B7 wet."},
    };
    int32_t strength = 60;
    for (const auto& save : saves) {
        profiles().InUse.ForceStrength = ++strength;
        binding.saveProfile(save.choice);
        EXPECT_EQ(strengthOf(save.written), strength);
        EXPECT_EQ(view.Lines.back(), save.line);
    }
    EXPECT_EQ(state.InUseScope, ContextScope::CarTrackWet) << "the most specific entry now";

    keeper.changeContext(resolveDrivingContext(L"skippy", L"", L"", false));
    const size_t lines = view.Lines.size();
    binding.saveProfile(SaveChoice::ThisCarAtThisTrack);
    EXPECT_EQ(view.Lines.back(), L"No track is known yet: nothing saved.");
    EXPECT_EQ(view.Lines.size(), lines + 1);
}

TEST_F(BindingTest, SaveWithoutACarKeepsTheProfileAndRenamesIt) {
    profiles().InUse.ForceStrength = 66;
    controls.ProfileBox = L"  Quick laps\t";
    binding.saveProfile();
    EXPECT_EQ(view.Lines, Lines{L"Driver profile saved."});
    EXPECT_EQ(profiles().List[0].Name, L"Quick laps");
    EXPECT_EQ(profiles().List[0].Settings.ForceStrength, 66);
    EXPECT_EQ(controls.ProfileNames, (Lines{L"Quick laps", L"Second"}));
    EXPECT_EQ(controls.SelectedProfile, 0);
    EXPECT_TRUE(state.CustomCars.empty());
}

TEST_F(BindingTest, SaveUnderAnotherProfilesNameSwitchesToIt) {
    profiles().InUse.ForceStrength = 66;
    controls.ProfileBox = L"SECOND";
    binding.saveProfile();
    EXPECT_EQ(profiles().Active, 1);
    EXPECT_EQ(profiles().List[1].Name, L"SECOND") << "the letter case typed";
    EXPECT_EQ(profiles().List[1].Settings.ForceStrength, 66);
    EXPECT_EQ(profiles().List[0].Settings.ForceStrength, 50);
    EXPECT_EQ(controls.SelectedProfile, 1);
}

TEST_F(BindingTest, SaveWithNoProfilesMakesDefault) {
    profiles().List.clear();
    binding.saveProfile();
    ASSERT_EQ(profiles().List.size(), 1u);
    EXPECT_EQ(profiles().List[0].Name, L"Default");
}

TEST_F(BindingTest, NewTakesTheFirstFreeDriverNumberAfterTheCount) {
    profiles().List = {{L"Driver 1", {}}, {L"Driver 2", {}}};
    profiles().InUse.Damping = 12;
    binding.newProfile();
    EXPECT_EQ(profiles().List.back().Name, L"Driver 3");
    EXPECT_EQ(profiles().List.back().Settings.Damping, 12);
    EXPECT_EQ(profiles().Active, 2);
    EXPECT_EQ(controls.SelectedProfile, 2);
    EXPECT_EQ(view.Lines.back(), L"New driver profile created.");
    EXPECT_TRUE(std::filesystem::exists(path));

    profiles().List = {{L"Default", {}}, {L"driver 3", {}}};
    binding.newProfile();
    EXPECT_EQ(profiles().List.back().Name, L"Driver 4");
}

TEST_F(BindingTest, LoadingAProfilePutsItsSettingsInForce) {
    profiles().List[1].Settings.ForceStrength = 35;
    profiles().InUse.ForceStrength = 70;
    binding.loadProfile(1);
    EXPECT_EQ(profiles().Active, 1);
    EXPECT_EQ(profiles().InUse.ForceStrength, 35);
    EXPECT_EQ(profiles().List[0].Settings.ForceStrength, 70) << "the profile left keeps its values";
    EXPECT_EQ(view.Refreshed.front().ForceStrength, 35);
    EXPECT_EQ(engine.Settings.back().ForceStrength, 35);
    EXPECT_EQ(view.Lines, Lines{L"Driver profile loaded."});

    binding.loadProfile(2);
    binding.loadProfile(-1);
    EXPECT_EQ(profiles().Active, 1);
    EXPECT_EQ(view.Lines.size(), 1u);
}

TEST_F(BindingTest, TheOutputModeReachesTheEngineWithoutARestart) {
    binding.setOutputMode(1);
    EXPECT_EQ(profiles().List[0].Settings.Mode, 1);
    EXPECT_EQ(engine.Settings.back().Mode, 1);
    binding.setOutputMode(-1); // no selection
    EXPECT_EQ(engine.Settings.size(), 1u);
}

} // namespace
} // namespace gripline
