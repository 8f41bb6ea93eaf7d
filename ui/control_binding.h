#pragma once
// The binding of the main window's controls to the settings in use, the car
// coefficients and the driver profiles: what a moved slider, a toggled check
// box, the wheelbase field, the profile box and the New and Save buttons do.
// Window thread only.
#include "settings/run_on_startup.h"
#include "settings/settings_keeper.h"
#include "settings/settings_view.h"
#include "ui/binding_controls.h"

#include <cstdint>
#include <string>

namespace gripline {

// Where Save puts the settings in use: by default the entry they came from;
// Save's menu offers the car's own entry, the car at this track (in the
// wet, the track's wet entry) and the car in the wet.
enum class SaveChoice { WhereInUse, ThisCar, ThisCarAtThisTrack, ThisCarInTheWet };

class ControlBinding {
  public:
    ControlBinding(SettingsState& state, SettingsKeeper& keeper, SettingsView& view,
                   BindingControls& controls, StartupEntry& startup, std::wstring executablePath)
        : state_(state), keeper_(keeper), view_(view), controls_(controls), startup_(startup),
          executablePath_(std::move(executablePath)) {}

    // Moves slider `id` to `value` limited to its range; changes no setting.
    void setSliderValue(int id, int32_t value);
    // A slider the user moved: its setting or the car's coefficient follows,
    // and the engine gets a copy at once.
    void onSliderChanged(int id, int32_t value);
    void onCheckboxToggled(int id, bool checked);
    void refreshControls(const FfbSettings& settings);
    // The car label and the five coefficient sliders.
    void showCoefficients(const std::wstring& label, const CarCoefficients& coefficients);
    void fillProfileCombo();
    void commitWheelbaseField();
    void setOutputMode(int32_t mode);
    void loadProfile(int32_t index);
    void newProfile();
    void saveProfile(SaveChoice choice = SaveChoice::WhereInUse);

  private:
    ContextScope saveScope(SaveChoice choice) const;
    void changeCoefficient(int id, int32_t value);
    void toggleCarSpecific(bool checked);
    void toggleFlag(int id, bool checked);

    SettingsState& state_;
    SettingsKeeper& keeper_;
    SettingsView& view_;
    BindingControls& controls_;
    StartupEntry& startup_;
    std::wstring executablePath_;
};

} // namespace gripline
