#pragma once
// How the window thread hands the engine its copies: the whole settings
// record and the whole custom coefficient list, stored under the engine's
// settings lock.
#include "settings/car_coefficients_store.h"
#include "settings/ffb_settings.h"

namespace gripline {

class SettingsHandOver {
  public:
    virtual ~SettingsHandOver() = default;
    virtual void storeSettings(const FfbSettings& settings) = 0;
    // The same record, which the engine moves to from the settings in force
    // over about a second instead of at once: for a context change mid-drive.
    virtual void storeSettingsFaded(const FfbSettings& settings) { storeSettings(settings); }
    virtual void storeCustomCars(const CustomCarList& custom) = 0;
};

} // namespace gripline
