#include "settings/settings_keeper.h"

#include "settings/ascii_case.h"
#include "settings/car_key.h"
#include "settings/wide_text.h"

namespace gripline {

void SettingsKeeper::loadCoefficients() {
    state_.CustomCars = gripline::loadCoefficients(file_);
    handCarsToEngine();
}

void SettingsKeeper::loadProfiles() {
    gripline::loadProfiles(state_.Profiles, file_);
}

// Every write is attempted even after one failed: whatever can still reach
// the disk does. The user hears of the failure once per save, since a full
// disk or a locked file fails every write alike.
bool SettingsKeeper::saveAll() {
    storeCurrentSettings();
    bool ok = writeProfiles(file_, state_.Profiles);
    ok = saveCarEntries(file_, state_.CarEntries) && ok;
    ok = saveCoefficients(file_, state_.CustomCars) && ok;
    if (!ok)
        view_.log(L"Could not save settings to " + pathText(file_.path()) + L".");
    return ok;
}

void SettingsKeeper::storeCurrentSettings() {
    ProfileSet& profiles = state_.Profiles;
    if (carSpecificActive())
        storeCarSettings(state_.CarEntries, profiles.Active, state_.CurrentCarKey, profiles.InUse);
    else if (profiles.activeValid())
        profiles.active().Settings = profiles.InUse;
}

bool SettingsKeeper::carSpecificActive() const {
    const ProfileSet& profiles = state_.Profiles;
    return profiles.InUse.UseCarSpecificSettings != 0 && profiles.activeValid() &&
           !state_.CurrentCarKey.empty();
}

void SettingsKeeper::applyCarSettings(bool report) {
    if (!carSpecificActive())
        return;
    ProfileSet& profiles = state_.Profiles;
    FfbSettings defaults = profiles.active().Settings;
    defaults.UseCarSpecificSettings = 1;
    FfbSettings result =
        carSettingsFor(state_.CarEntries, file_, profiles.Active, state_.CurrentCarKey, defaults);
    result.UseCarSpecificSettings = 1;
    const bool found =
        findCarEntry(state_.CarEntries, profiles.Active, state_.CurrentCarKey) != nullptr;
    // The wheelbase's maximum torque belongs to the wheel, not to the car.
    result.WheelbaseMaxTorqueTenths = profiles.active().Settings.WheelbaseMaxTorqueTenths;
    profiles.InUse = result;
    view_.refreshControls(profiles.InUse);
    handSettingsToEngine();
    if (report)
        view_.log(found ? L"Car specific settings loaded."
                        : L"Using driver profile settings for this car.");
}

void SettingsKeeper::changeCar(std::wstring_view carName) {
    const std::wstring key = normalizeCarKey(carName);
    if (key.empty() || equalsIgnoreCase(key, state_.CurrentCarKey))
        return;
    if (carSpecificActive())
        storeCarSettings(state_.CarEntries, state_.Profiles.Active, state_.CurrentCarKey,
                         state_.Profiles.InUse);
    state_.CurrentCarKey = key;
    applyCarSettings(true);
    showCar(key);
}

void SettingsKeeper::showCar(std::wstring_view name) {
    std::wstring key = normalizeCarKey(name);
    if (key.empty())
        key = L"generic";
    state_.WorkingCoefficients = coefficientsFor(state_.CustomCars, key);
    std::wstring label = L"Car: " + key;
    if (!hasCoefficients(state_.CustomCars, key))
        label += L" (unknown)";
    view_.showCar(label, state_.WorkingCoefficients.Values);
}

} // namespace gripline
