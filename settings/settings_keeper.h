#pragma once
// The settings logic of the window thread: driver profiles, car-specific
// settings and car coefficients moving between memory, the settings file,
// the window and the engine.
#include "settings/car_coefficients_store.h"
#include "settings/car_settings.h"
#include "settings/driver_profiles.h"
#include "settings/driving_context.h"
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
    // The car key is empty until the simulator or an advice file names a car.
    DrivingContext Context;
    // Where the settings in use came from; the profile's own while the
    // context has no entry of its own.
    ContextScope InUseScope = ContextScope::Profile;
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

    // Copies the settings in use back to the entry they came from when
    // car-specific settings are in force (the car's own when they came from
    // the profile), else into the active profile.
    void storeCurrentSettings();

    bool carSpecificActive() const;
    // Puts the current context's settings in force, from its most specific
    // entry; with `report`, logs whether the car had settings of its own.
    void applyCarSettings(bool report) { applyContextSettings(report, false); }
    // The simulator reports another car, track or wet state: the context
    // left keeps what the user set, the new one's settings fade in and a new
    // car's coefficients come into force. Nothing happens while no car is
    // known or for the context in use.
    void changeContext(const DrivingContext& context);
    // Another car in the context in use.
    void changeCar(std::wstring_view carName);
    // Selects the car's coefficients into the working copy and shows them;
    // `key` is a car key, empty for "generic".
    void showCar(std::wstring_view key);

    // The entry Save writes to when the driver asks nothing: the one the
    // settings in use came from, the car's own when they came from the profile.
    ContextScope defaultSaveScope() const;
    // After settings were stored in another entry: which one is now in use,
    // shown in the window.
    void reresolveScope();
    // "formulair04 · Tsukuba Circuit 2k Full · wet", or the profile's name.
    std::wstring contextInUse() const;
    void showContext() { view_.showContext(L"Settings: " + contextInUse()); }

    void handSettingsToEngine() { engine_.storeSettings(state_.Profiles.InUse); }
    void handCarsToEngine() { engine_.storeCustomCars(state_.CustomCars); }

  private:
    void applyContextSettings(bool report, bool faded);

    SettingsState& state_;
    SettingsFile file_;
    SettingsView& view_;
    SettingsHandOver& engine_;
};

} // namespace gripline
