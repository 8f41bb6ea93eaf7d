#pragma once
// The window's side of Auto strength: the Force strength slider follows the
// strength the engine drives with, each value the engine settles on is
// announced in the session log, and the last one becomes the ForceStrength
// of the settings in use when the stint ends (or the car changes). Window
// thread only; fed with each copy of the engine's status.
#include "engine/engine_status.h"
#include "settings/settings_keeper.h"
#include "settings/settings_view.h"
#include "ui/binding_controls.h"

#include <cstdint>
#include <optional>
#include <string>

namespace gripline {

// "Auto strength 62 % for formulair04 at Tsukuba Circuit 2k Full (P99 25.8
// N·m over 60 s)"; without a track name the " at ..." is left out.
std::wstring autoStrengthLogLine(int32_t strength, const std::wstring& car,
                                 const std::wstring& trackDisplayName, float p99Nm,
                                 int32_t seconds);

class AutoStrengthController {
  public:
    AutoStrengthController(SettingsState& state, SettingsKeeper& keeper, SettingsView& view,
                           BindingControls& controls)
        : state_(state), keeper_(keeper), view_(view), controls_(controls) {}

    // Before the status refresh follows a car change, so a settled value is
    // stored for the car it was found for.
    void follow(const EngineStatus& status, const std::wstring& trackDisplayName = {});

  private:
    void showStrength(const EngineStatus& status);
    void announceSettled(const EngineStatus& status, const std::wstring& trackDisplayName);
    void storeAtStintEnd(const EngineStatus& status);

    SettingsState& state_;
    SettingsKeeper& keeper_;
    SettingsView& view_;
    BindingControls& controls_;
    int32_t shownStrength_ = 0; // what the slider shows of the engine's; 0: the stored value
    uint32_t seenSettled_ = 0;
    std::optional<int32_t> pending_; // settled this stint, not stored yet
    std::wstring pendingCar_;        // the status car it was settled for
};

} // namespace gripline
