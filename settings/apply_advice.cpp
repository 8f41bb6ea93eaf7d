#include "settings/apply_advice.h"

#include "settings/advice_file.h"
#include "settings/car_coefficients_store.h"
#include "settings/car_settings.h"

#include <system_error>

namespace gripline {

namespace {

// The profile the advice goes to becomes the active one; the list is never
// left empty.
void chooseProfile(ProfileSet& profiles, const std::wstring& adviceName) {
    if (profiles.List.empty()) {
        profiles.List.push_back({L"Default", profiles.InUse});
        profiles.Active = 0;
    }
    std::wstring name = adviceName;
    if (name.empty())
        name = profiles.activeValid() ? profiles.active().Name : L"Default";
    int32_t index = findProfile(profiles, name);
    if (index < 0) {
        const FfbSettings base =
            profiles.activeValid() ? profiles.active().Settings : profiles.InUse;
        profiles.List.push_back({name, base});
        index = static_cast<int32_t>(profiles.List.size()) - 1;
    }
    profiles.Active = index;
    profiles.active().Name = name;
}

// One advised value replaces its field when its box was ticked.
template <typename T>
void takeIfTicked(const AdviceChoice& choice, AdviceItem item, T& field, T advised) {
    if (choice.ticked(item))
        field = advised;
}

void replaceTickedSettings(FfbSettings& s, const AdviceFileContent& content) {
    const AnalyzerAdvice& a = content.Advice;
    const AdviceChoice& c = content.Choice;
    // Taken as they are: the sliders show values outside their range limited.
    takeIfTicked(c, AdviceItem::ForceStrength, s.ForceStrength, a.ForceStrength);
    takeIfTicked(c, AdviceItem::CarForceBalance, s.CarForceBalance, a.CarForceBalance);
    takeIfTicked(c, AdviceItem::RoadTexture, s.Bumps, a.Bumps);
    takeIfTicked(c, AdviceItem::ImpactTexture, s.BumpImpacts, a.BumpImpacts);
    takeIfTicked(c, AdviceItem::SuspensionDetailPriority, s.SuspensionDetailPriority,
                 a.SuspensionDetailPriority);
    takeIfTicked(c, AdviceItem::AbsVibration, s.AbsVibration, a.AbsVibration);
}

void replaceTickedCoefficients(CarCoefficients& v, const AdviceFileContent& content) {
    const AnalyzerAdvice& a = content.Advice;
    const AdviceChoice& c = content.Choice;
    takeIfTicked(c, AdviceItem::YawRateMultiplier, v.YawRateMultiplier, a.YawRateMultiplier);
    takeIfTicked(c, AdviceItem::YawSteerGain, v.YawSteerGain, a.YawSteerGain);
    takeIfTicked(c, AdviceItem::LateralAccelDivisor, v.LateralAccelDivisor, a.LateralAccelDivisor);
    takeIfTicked(c, AdviceItem::ResistanceGain, v.ResistanceGain, a.ResistanceGain);
    takeIfTicked(c, AdviceItem::SteerMarginBias, v.SteerMarginBias, a.SteerMarginBias);
}

// Profile advice for a car goes to that car's own settings in the active
// profile, and switches car-specific settings on there.
void applyProfileAdvice(const AdviceTarget& t, const AdviceFileContent& content) {
    ProfileSet& profiles = t.State.Profiles;
    DriverProfile& profile = profiles.active();
    if (content.CarKey.empty()) {
        replaceTickedSettings(profile.Settings, content);
        return;
    }
    profile.Settings.UseCarSpecificSettings = 1;
    FfbSettings s = carSettingsFor(t.State.CarEntries, t.Keeper.file(), profiles.Active,
                                   content.CarKey, profile.Settings);
    s.UseCarSpecificSettings = 1;
    replaceTickedSettings(s, content);
    storeCarSettings(t.State.CarEntries, profiles.Active, content.CarKey, s);
}

void applyCoefficientAdvice(const AdviceTarget& t, const AdviceFileContent& content) {
    CarCoefficientEntry c = coefficientsFor(t.State.CustomCars, content.CarKey);
    c.Car = content.CarKey;
    replaceTickedCoefficients(c.Values, content);
    t.State.WorkingCoefficients = c;
    storeCoefficients(t.State.CustomCars, c);
}

// The settings in use follow the advised car when the advice changed its
// settings or car-specific settings were already on. Advice without a car
// leaves the current car's own settings in force: putting the profile's in
// force instead would have the save copy them over that car's entry.
void putSettingsInForce(const AdviceTarget& t, const std::wstring& carKey, bool appliedProfile) {
    ProfileSet& profiles = t.State.Profiles;
    profiles.InUse = profiles.active().Settings;
    t.State.InUseScope = ContextScope::Profile;
    if (!carKey.empty())
        t.State.Context.CarKey = carKey;
    const std::wstring& car = t.State.Context.CarKey;
    const bool adviceForCar = appliedProfile && !carKey.empty();
    if (car.empty() || (!adviceForCar && profiles.InUse.UseCarSpecificSettings == 0))
        return;
    // Advice is for the car as a whole: its own entry comes into force, not
    // one for a track or the wet.
    t.State.InUseScope = ContextScope::Car;
    profiles.InUse = carSettingsFor(t.State.CarEntries, t.Keeper.file(), profiles.Active, car,
                                    profiles.active().Settings);
    // The wheelbase's maximum torque belongs to the wheel, not to the car: an
    // entry saved before the driver changed wheels must not bring the old
    // wheel's torque back.
    profiles.InUse.WheelbaseMaxTorqueTenths = profiles.active().Settings.WheelbaseMaxTorqueTenths;
    if (adviceForCar)
        profiles.InUse.UseCarSpecificSettings = 1;
}

void applyContent(const AdviceTarget& t, const AdviceFileContent& content) {
    ProfileSet& profiles = t.State.Profiles;
    // What the user set by hand goes where it belongs before another
    // profile may become the active one.
    t.Keeper.storeCurrentSettings();
    chooseProfile(profiles, content.Advice.ProfileName);
    const std::wstring& key = content.CarKey;
    const bool applyProfile = content.HasProfileSettings && content.Choice.anyProfileSetting();
    // Coefficients need a car: advice for "generic" or no car is ignored.
    const bool applyCoefficients =
        content.Advice.HasCoefficientAdvice && !key.empty() && content.Choice.anyCoefficient();
    if (applyProfile)
        applyProfileAdvice(t, content);
    if (applyCoefficients)
        applyCoefficientAdvice(t, content);
    if (t.FillProfiles)
        t.FillProfiles();
    putSettingsInForce(t, key, applyProfile);
    t.Keeper.showCar(key.empty() ? t.State.Context.CarKey : key);
    t.Keeper.showContext();
    t.Window.refreshControls(profiles.InUse);
    t.Keeper.handCarsToEngine();
    t.Keeper.handSettingsToEngine();
    t.Keeper.saveAll();
    std::wstring line = L"Analyzer advice applied to profile " + profiles.active().Name;
    if (!key.empty())
        line += L" for car " + key;
    t.Window.log(line + L".");
}

// A regular file whose advice section holds a "Version", whatever its value.
bool isAdviceFile(ProfileStore& store, const std::filesystem::path& path) {
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec))
        return false;
    constexpr const wchar_t* kAbsent = L"\x1f";
    return SettingsFile(store, path).readString(kAdviceSection, L"Version", kAbsent, 16) != kAbsent;
}

} // namespace

bool applyAdviceFile(const AdviceTarget& target, const std::filesystem::path& path) {
    const std::optional<AdviceFileContent> content = readAdvice(target.Store, path);
    if (content)
        applyContent(target, *content);
    else
        target.Window.log(L"Could not load analyzer advice file.");
    // An advice file was made for this one hand-over; it never stays behind,
    // used or not. Any other path given to --apply-advice (the settings file,
    // a document, a folder) is no advice file and is never deleted.
    if (isAdviceFile(target.Store, path)) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
    return content.has_value();
}

} // namespace gripline
