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
        storeContextSettings(state_.CarEntries, profiles.Active,
                             contextKey(state_.Context, defaultSaveScope()), profiles.InUse);
    else if (profiles.activeValid())
        profiles.active().Settings = profiles.InUse;
}

bool SettingsKeeper::carSpecificActive() const {
    const ProfileSet& profiles = state_.Profiles;
    return profiles.InUse.UseCarSpecificSettings != 0 && profiles.activeValid() &&
           !state_.Context.CarKey.empty();
}

ContextScope SettingsKeeper::defaultSaveScope() const {
    return state_.InUseScope == ContextScope::Profile ? ContextScope::Car : state_.InUseScope;
}

void SettingsKeeper::reresolveScope() {
    state_.InUseScope = carSpecificActive() ? resolveScope(state_.CarEntries, file_,
                                                           state_.Profiles.Active, state_.Context)
                                            : ContextScope::Profile;
    showContext();
}

std::wstring SettingsKeeper::contextInUse() const {
    const ProfileSet& profiles = state_.Profiles;
    const std::wstring profileName = profiles.activeValid() ? profiles.active().Name : L"Default";
    return contextLabel(state_.Context, state_.InUseScope, profileName);
}

// The engine gets the new settings faded when the context changed under a
// running drive: a step in strength would jerk the wheel in the driver's
// hands.
void SettingsKeeper::applyContextSettings(bool report, bool faded) {
    if (!carSpecificActive()) {
        state_.InUseScope = ContextScope::Profile;
        showContext();
        return;
    }
    ProfileSet& profiles = state_.Profiles;
    FfbSettings defaults = profiles.active().Settings;
    defaults.UseCarSpecificSettings = 1;
    const ContextScope scope =
        resolveScope(state_.CarEntries, file_, profiles.Active, state_.Context);
    FfbSettings result = contextSettingsFor(state_.CarEntries, file_, profiles.Active,
                                            contextKey(state_.Context, scope), defaults);
    result.UseCarSpecificSettings = 1;
    // The wheelbase's maximum torque belongs to the wheel, not to the car.
    result.WheelbaseMaxTorqueTenths = profiles.active().Settings.WheelbaseMaxTorqueTenths;
    profiles.InUse = result;
    state_.InUseScope = scope;
    view_.refreshControls(profiles.InUse);
    if (faded)
        engine_.storeSettingsFaded(profiles.InUse);
    else
        handSettingsToEngine();
    showContext();
    if (report)
        view_.log(scope != ContextScope::Profile ? L"Car specific settings loaded."
                                                 : L"Using driver profile settings for this car.");
}

void SettingsKeeper::changeContext(const DrivingContext& context) {
    if (context.CarKey.empty() || sameContext(context, state_.Context))
        return;
    const bool newCar = !equalsIgnoreCase(context.CarKey, state_.Context.CarKey);
    const std::wstring before = contextInUse();
    if (carSpecificActive())
        storeCurrentSettings(); // the context left keeps what the user set
    state_.Context = context;
    applyContextSettings(newCar, true);
    if (newCar)
        showCar(context.CarKey);
    // A new car's own entry has just said so in its line.
    const bool saidAlready = newCar && state_.InUseScope <= ContextScope::Car;
    if (carSpecificActive() && !saidAlready && contextInUse() != before)
        view_.log(L"Settings in use: " + contextInUse() + L".");
}

void SettingsKeeper::changeCar(std::wstring_view carName) {
    DrivingContext context = state_.Context;
    context.CarKey = normalizeCarKey(carName);
    changeContext(context);
}

void SettingsKeeper::showCar(std::wstring_view key) {
    state_.WorkingCoefficients = coefficientsForKey(state_.CustomCars, key);
    std::wstring label = L"Car: " + state_.WorkingCoefficients.Car;
    if (!hasCoefficientsForKey(state_.CustomCars, key))
        label += L" (unknown)";
    view_.showCar(label, state_.WorkingCoefficients.Values);
}

} // namespace gripline
