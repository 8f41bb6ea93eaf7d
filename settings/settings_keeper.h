#pragma once
// The settings logic of the window thread: driver profiles, car-specific
// settings and car coefficients moving between memory, the settings file,
// the window and the engine.
#include "settings/car_coefficients_store.h"
#include "settings/car_settings.h"
#include "settings/driver_profiles.h"
#include "settings/settings_file.h"
#include "settings/settings_hand_over.h"
#include "settings/settings_view.h"

#include <string>
#include <string_view>

namespace gripline {

// Everything the logic keeps. Owned by the Application; window thread only.
struct SettingsState {
    ProfileSet Profiles;
    CarSettingsList CarEntries;
    std::wstring CurrentCarKey; // empty until the simulator or an advice file names a car
    CustomCarList CustomCars;
    CarCoefficientEntry WorkingCoefficients =
        genericCoefficients(); // behind the coefficient sliders
};

class SettingsKeeper {
  public:
    SettingsKeeper(SettingsState& state, SettingsFile file, SettingsView& view,
                   SettingsHandOver& engine)
        : state_(state), file_(std::move(file)), view_(view), engine_(engine) {}

    SettingsFile& file() { return file_; }

    // Start-up, in this order: the custom list (handed to the engine), then
    // the profiles and the settings in use.
    void loadCoefficients();
    void loadProfiles();

    // Writes profiles, car entries and the custom list. On a failed write,
    // logs one line naming the file and returns false.
    bool saveAll();

    // Copies the settings in use back to the current car's entry when
    // car-specific settings are in force, else into the active profile.
    void storeCurrentSettings();

    bool carSpecificActive() const;
    // Puts the current car's settings in force; with `report`, logs whether
    // the car had settings of its own.
    void applyCarSettings(bool report);
    // The simulator reports another car: the old car keeps what the user set,
    // the new car's settings and coefficients come into force. Nothing
    // happens for "generic" or the current car.
    void changeCar(std::wstring_view carName);
    // Selects the car's coefficients into the working copy and shows them.
    void showCar(std::wstring_view name);

    void handSettingsToEngine() { engine_.storeSettings(state_.Profiles.InUse); }
    void handCarsToEngine() { engine_.storeCustomCars(state_.CustomCars); }

  private:
    SettingsState& state_;
    SettingsFile file_;
    SettingsView& view_;
    SettingsHandOver& engine_;
};

} // namespace gripline
