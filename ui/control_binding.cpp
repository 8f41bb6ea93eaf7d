#include "ui/control_binding.h"

#include "ui/control_ids.h"
#include "ui/record_commands.h"
#include "ui/slider_math.h"
#include "ui/slider_values.h"
#include "ui/wheelbase_text.h"
#include "ui/window_layout.h"

#include <algorithm>

namespace gripline {

namespace {

// Slider positions of the understeer trigger point are tenths of a degree
// around 100; the coefficient is in radians.
constexpr float kTenthDegreesPerRadian = 572.9578f;

const ControlSpec* controlSpec(int id) {
    for (const ControlSpec& control : mainWindowControls())
        if (control.id == id)
            return &control;
    return nullptr;
}

// The setting a slider or check box of the layout edits, or null.
const SettingDescriptor* boundSetting(int id) {
    const ControlSpec* control = controlSpec(id);
    return control && control->settingKey ? findSetting(control->settingKey) : nullptr;
}

struct FlagMessages {
    int id;
    const wchar_t* on;
    const wchar_t* off;
};

// The check boxes other than "Use car specific settings". Simucube mode is
// read only when the engine starts, so its message says how to apply it.
constexpr FlagMessages kFlagMessages[] = {
    {kParkedCheck, L"Parked force reduction enabled.", L"Parked force reduction disabled."},
    {kStartMinimizedCheck, L"Start minimized enabled.", L"Start minimized disabled."},
    {kRunOnStartupCheck, L"Run on startup enabled.", L"Run on startup disabled."},
    {kSimucubeCheck, L"Simucube mode enabled. Stop and Start FFB to apply.",
     L"Simucube mode disabled. Stop and Start FFB to apply."},
    {kDebugLoggingCheck, L"Debug logging enabled.", L"Debug logging disabled."},
    {kAutoStrengthCheck, L"Auto strength enabled.", L"Auto strength disabled."},
};

void setCoefficient(CarCoefficients& c, int id, int32_t value) {
    const float v = static_cast<float>(value);
    switch (id) {
    case 1116:
        c.YawRateMultiplier = v / 10.0f;
        break;
    case 1117:
        c.YawSteerGain = v / 1000.0f;
        break;
    case 1118:
        c.LateralAccelDivisor = v;
        break;
    case 1119:
        c.ResistanceGain = v / 100.0f;
        break;
    case 1120:
        c.SteerMarginBias = static_cast<float>(value - 100) / kTenthDegreesPerRadian;
        break;
    default:
        break;
    }
}

} // namespace

void ControlBinding::setSliderValue(int id, int32_t value) {
    const ControlSpec* control = controlSpec(id);
    if (!control || control->kind != ControlKind::Slider)
        return;
    const int32_t shown = SliderRange{control->minimum, control->maximum}.clamp(value);
    controls_.showSliderValue(id, shown, sliderValueText(id, shown));
}

void ControlBinding::onSliderChanged(int id, int32_t value) {
    if (id >= kFirstCoefficientSlider && id <= kLastCoefficientSlider) {
        changeCoefficient(id, value);
    } else if (const SettingDescriptor* setting = boundSetting(id)) {
        setting->set(state_.Profiles.InUse, value);
        keeper_.storeCurrentSettings();
        keeper_.handSettingsToEngine();
    } else {
        return; // not a slider of ours
    }
    controls_.showSliderValue(id, value, sliderValueText(id, value));
}

// Coefficients moved while no car is known change only the working copy:
// a "generic" entry in the custom list would shadow the defaults forever.
void ControlBinding::changeCoefficient(int id, int32_t value) {
    CarCoefficientEntry& working = state_.WorkingCoefficients;
    std::wstring key = state_.Context.CarKey;
    if (key.empty())
        key = working.Car.empty() ? std::wstring(L"generic") : working.Car;
    working.Car = key;
    setCoefficient(working.Values, id, value);
    if (key != L"generic")
        storeCoefficients(state_.CustomCars, working);
    keeper_.handCarsToEngine();
}

void ControlBinding::onCheckboxToggled(int id, bool checked) {
    if (id == kCarSpecificCheck)
        toggleCarSpecific(checked);
    else
        toggleFlag(id, checked);
}

void ControlBinding::toggleCarSpecific(bool checked) {
    ProfileSet& profiles = state_.Profiles;
    const bool wasActive = keeper_.carSpecificActive();
    if (checked) {
        profiles.InUse.UseCarSpecificSettings = 1;
        if (profiles.activeValid())
            profiles.active().Settings.UseCarSpecificSettings = 1;
        keeper_.applyCarSettings(false);
        keeper_.handSettingsToEngine();
        view_.log(L"Car specific settings enabled.");
        return;
    }
    profiles.InUse.UseCarSpecificSettings = 0;
    // The car keeps what the user set for it; the profile's own values return.
    if (wasActive)
        storeContextSettings(state_.CarEntries, profiles.Active,
                             contextKey(state_.Context, keeper_.defaultSaveScope()),
                             profiles.InUse);
    if (profiles.activeValid()) {
        profiles.InUse = profiles.active().Settings;
        profiles.InUse.UseCarSpecificSettings = 0;
        profiles.active().Settings = profiles.InUse;
        view_.refreshControls(profiles.InUse);
    }
    keeper_.reresolveScope();
    keeper_.handSettingsToEngine();
    view_.log(L"Car specific settings disabled.");
}

void ControlBinding::toggleFlag(int id, bool checked) {
    const auto messages = std::find_if(std::begin(kFlagMessages), std::end(kFlagMessages),
                                       [id](const FlagMessages& m) { return m.id == id; });
    const SettingDescriptor* setting = boundSetting(id);
    if (messages == std::end(kFlagMessages) || !setting)
        return;
    setting->set(state_.Profiles.InUse, checked ? 1 : 0);
    if (id == kRunOnStartupCheck)
        setRunOnStartup(startup_, checked, executablePath_);
    keeper_.storeCurrentSettings();
    keeper_.handSettingsToEngine();
    view_.log(checked ? messages->on : messages->off);
}

void ControlBinding::refreshControls(const FfbSettings& settings) {
    controls_.selectOutputMode(settings.Mode);
    for (const ControlSpec& control : mainWindowControls()) {
        if (!control.settingKey)
            continue;
        const int32_t value = findSetting(control.settingKey)->get(settings);
        if (control.kind == ControlKind::Checkbox)
            controls_.showChecked(control.id, value != 0);
        else if (control.kind == ControlKind::Slider)
            setSliderValue(control.id, value);
    }
    controls_.showWheelbaseText(wheelbaseText(settings.WheelbaseMaxTorqueTenths));
}

void ControlBinding::showCoefficients(const std::wstring& label,
                                      const CarCoefficients& coefficients) {
    controls_.showCarLabel(label);
    for (int id = kFirstCoefficientSlider; id <= kLastCoefficientSlider; ++id)
        setSliderValue(id, coefficientSliderValue(id, coefficients));
}

void ControlBinding::fillProfileCombo() {
    ProfileSet& profiles = state_.Profiles;
    std::vector<std::wstring> names;
    for (const DriverProfile& p : profiles.List)
        names.push_back(p.Name);
    if (names.empty()) {
        controls_.showProfiles(names, -1);
        return;
    }
    profiles.Active = std::clamp(profiles.Active, 0, static_cast<int32_t>(names.size()) - 1);
    controls_.showProfiles(names, profiles.Active);
}

void ControlBinding::commitWheelbaseField() {
    const int32_t tenths = wheelbaseTenthsFromText(controls_.wheelbaseFieldText());
    ProfileSet& profiles = state_.Profiles;
    profiles.InUse.WheelbaseMaxTorqueTenths = tenths;
    if (profiles.activeValid())
        profiles.active().Settings.WheelbaseMaxTorqueTenths = tenths;
    controls_.showWheelbaseText(wheelbaseText(tenths));
    keeper_.handSettingsToEngine();
}

// The engine copies the settings every tick, so a new mode takes effect on
// the next tick without a restart.
void ControlBinding::setOutputMode(int32_t mode) {
    if (mode < 0 || mode > 1)
        return; // no selection
    state_.Profiles.InUse.Mode = mode;
    keeper_.storeCurrentSettings();
    keeper_.handSettingsToEngine();
}

void ControlBinding::loadProfile(int32_t index) {
    ProfileSet& profiles = state_.Profiles;
    if (index < 0 || index >= static_cast<int32_t>(profiles.List.size()))
        return;
    keeper_.storeCurrentSettings(); // for the profile being left
    profiles.Active = index;
    profiles.InUse = profiles.active().Settings;
    view_.refreshControls(profiles.InUse);
    keeper_.applyCarSettings(false);
    keeper_.handSettingsToEngine();
    view_.log(L"Driver profile loaded.");
}

void ControlBinding::newProfile() {
    keeper_.storeCurrentSettings();
    ProfileSet& profiles = state_.Profiles;
    int32_t n = static_cast<int32_t>(profiles.List.size()) + 1;
    while (findProfile(profiles, L"Driver " + std::to_wstring(n)) >= 0)
        ++n;
    profiles.List.push_back({L"Driver " + std::to_wstring(n), profiles.InUse});
    profiles.Active = static_cast<int32_t>(profiles.List.size()) - 1;
    fillProfileCombo();
    keeper_.applyCarSettings(false);
    keeper_.saveAll();
    view_.log(L"New driver profile created.");
}

ContextScope ControlBinding::saveScope(SaveChoice choice) const {
    switch (choice) {
    case SaveChoice::ThisCar:
        return ContextScope::Car;
    case SaveChoice::ThisCarAtThisTrack:
        return state_.Context.Wet ? ContextScope::CarTrackWet : ContextScope::CarTrack;
    case SaveChoice::ThisCarInTheWet:
        return ContextScope::CarWet;
    case SaveChoice::WhereInUse:
        break;
    }
    return keeper_.defaultSaveScope();
}

// Typing a new name and pressing Save renames the active profile; typing
// another profile's name switches to it and gives it the settings in use.
// With a car known, the settings go to the entry they came from (or the one
// the driver chose) and the car's coefficients are kept too.
void ControlBinding::saveProfile(SaveChoice choice) {
    const ContextScope scope = saveScope(choice);
    const ContextKey entry = contextKey(state_.Context, scope);
    if (choice != SaveChoice::WhereInUse && entry.CarKey.empty()) {
        view_.log(state_.Context.CarKey.empty() ? L"No car is known yet: nothing saved."
                                                : L"No track is known yet: nothing saved.");
        return;
    }
    ProfileSet& profiles = state_.Profiles;
    if (profiles.List.empty()) {
        profiles.List.push_back({L"Default", profiles.InUse});
        profiles.Active = 0;
    }
    std::wstring name = trimmedProfileName(controls_.profileBoxText());
    if (name.empty())
        name = profiles.active().Name;
    const int32_t named = findProfile(profiles, name);
    if (named >= 0)
        profiles.Active = named;
    profiles.active().Name = name;

    const std::wstring& key = state_.Context.CarKey;
    if (!key.empty()) {
        profiles.InUse.UseCarSpecificSettings = 1;
        profiles.active().Settings.UseCarSpecificSettings = 1;
        controls_.showChecked(kCarSpecificCheck, true);
        storeContextSettings(state_.CarEntries, profiles.Active, entry, profiles.InUse);
        state_.WorkingCoefficients.Car = key;
        storeCoefficients(state_.CustomCars, state_.WorkingCoefficients);
        keeper_.showCar(key);
        keeper_.reresolveScope();
        keeper_.handCarsToEngine();
        keeper_.handSettingsToEngine();
    } else {
        profiles.active().Settings = profiles.InUse;
    }
    fillProfileCombo();
    // A failed save has logged where it could not write; no success line.
    if (!keeper_.saveAll())
        return;
    if (key.empty())
        view_.log(L"Driver profile saved.");
    else if (scope == ContextScope::Car)
        view_.log(L"Car settings and coefficients saved.");
    else
        view_.log(L"Settings and coefficients saved for " +
                  contextLabel(state_.Context, scope, profiles.active().Name) + L".");
}

} // namespace gripline
