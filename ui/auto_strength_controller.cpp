#include "ui/auto_strength_controller.h"

#include "settings/ascii_case.h"
#include "ui/control_ids.h"
#include "ui/slider_values.h"

#include <cwchar>
#include <iterator>

namespace gripline {

std::wstring autoStrengthLogLine(int32_t strength, const std::wstring& car,
                                 const std::wstring& trackDisplayName, float p99Nm,
                                 int32_t seconds) {
    std::wstring line = L"Auto strength " + std::to_wstring(strength) + L" % for " + car;
    if (!trackDisplayName.empty())
        line += L" at " + trackDisplayName;
    wchar_t tail[64];
    std::swprintf(tail, std::size(tail), L" (P99 %.1f N\u00B7m over %d s)",
                  static_cast<double>(p99Nm), seconds);
    return line + tail;
}

void AutoStrengthController::follow(const EngineStatus& status,
                                    const std::wstring& trackDisplayName) {
    showStrength(status);
    announceSettled(status, trackDisplayName);
    storeAtStintEnd(status);
}

// The slider simply moves with the engine's strength rather than looking
// disabled: the driver can still grab it, and the engine then starts over
// from where it was put. With Auto strength off it shows the stored value.
void AutoStrengthController::showStrength(const EngineStatus& status) {
    const bool on = state_.Profiles.InUse.AutoStrength != 0;
    const int32_t shown = on && status.AutoStrength > 0 ? status.AutoStrength : 0;
    if (shown == shownStrength_)
        return;
    shownStrength_ = shown;
    const int32_t value = shown > 0 ? shown : state_.Profiles.InUse.ForceStrength;
    controls_.showSliderValue(kForceStrengthSlider, value,
                              sliderValueText(kForceStrengthSlider, value));
}

void AutoStrengthController::announceSettled(const EngineStatus& status,
                                             const std::wstring& trackDisplayName) {
    if (status.AutoStrengthSettledCount == seenSettled_)
        return;
    seenSettled_ = status.AutoStrengthSettledCount;
    view_.log(autoStrengthLogLine(status.AutoStrengthSettled, status.CarName, trackDisplayName,
                                  status.AutoStrengthP99Nm, status.AutoStrengthSeconds));
    pending_ = status.AutoStrengthSettled;
    pendingCar_ = status.CarName;
}

// The stint is over when the car leaves the track or the simulator goes
// (its last line may still say on track: the engine keeps it until another
// comes); another car in the status ends it too (the settings keeper is
// about to change cars, and the value belongs to the old one). Stored
// through the usual path, so it lands where the settings in use are kept,
// and handed to the engine, which starts the next stint from it.
void AutoStrengthController::storeAtStintEnd(const EngineStatus& status) {
    if (!pending_)
        return;
    if (status.Connected && status.OnTrack && equalsIgnoreCase(status.CarName, pendingCar_))
        return;
    FfbSettings& inUse = state_.Profiles.InUse;
    const int32_t strength = *pending_;
    pending_.reset();
    if (inUse.AutoStrength == 0 || inUse.ForceStrength == strength)
        return;
    inUse.ForceStrength = strength;
    keeper_.storeCurrentSettings();
    keeper_.handSettingsToEngine();
}

} // namespace gripline
