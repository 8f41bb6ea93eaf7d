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
    // The same, moved to over about a second instead of at once: for a
    // change the driver did not make by hand (the context changing
    // mid-drive). A keeper without an engine behind it stores plainly.
    virtual void storeSettingsFaded(const FfbSettings& settings) { storeSettings(settings); }
    virtual void storeCustomCars(const CustomCarList& custom) = 0;
};

} // namespace gripline
