#include "settings/driving_settings.h"

#include "settings/car_key.h"
#include "settings/settings_keeper.h"
#include "settings/wide_text.h"

#include <system_error>

namespace gripline {

namespace {

// No window and no engine: the logic's calls to them go nowhere.
class NoView final : public SettingsView {
  public:
    void refreshControls(const FfbSettings&) override {}
    void log(const std::wstring&) override {}
    void showCar(const std::wstring&, const CarCoefficients&) override {}
};

class NoEngine final : public SettingsHandOver {
  public:
    void storeSettings(const FfbSettings&) override {}
    void storeCustomCars(const CustomCarList&) override {}
};

} // namespace

bool loadDrivingSettings(ProfileStore& store, const std::filesystem::path& file,
                         std::wstring_view profileName, std::wstring_view carPath,
                         DrivingSettings& out, std::string& error) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
        error = "cannot open " + wideToUtf8(pathText(file));
        return false;
    }
    SettingsState state;
    NoView view;
    NoEngine engine;
    SettingsKeeper keeper(state, SettingsFile(store, file), view, engine);
    keeper.loadCoefficients();
    keeper.loadProfiles();

    ProfileSet& profiles = state.Profiles;
    if (!profileName.empty()) {
        const int32_t index = findProfile(profiles, profileName);
        if (index < 0) {
            error = "no driver profile named \"" + wideToUtf8(profileName) + "\"";
            return false;
        }
        profiles.Active = index;
        profiles.InUse = profiles.active().Settings;
    }
    state.Context.CarKey = normalizeCarKey(carPath);
    keeper.applyCarSettings(false);

    out.ProfileName = profiles.active().Name;
    out.Settings = profiles.InUse;
    out.CustomCars = state.CustomCars;
    out.CarEntryFound =
        findCarEntry(state.CarEntries, profiles.Active, state.Context.CarKey) != nullptr;
    // The engine names a car it has not been told of "generic".
    const std::wstring_view enginePath = carPath.empty() ? std::wstring_view(L"generic") : carPath;
    out.CoefficientsSource = resolveCoefficients(
        out.CustomCars, enginePath, out.Settings.UseCarSpecificSettings != 0, out.Coefficients);
    return true;
}

} // namespace gripline
