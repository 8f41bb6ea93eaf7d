#include "ui/button_commands.h"

#include "ui/window_layout.h"

#include <algorithm>

namespace gripline {

namespace {

constexpr int kStrengthSlider = 1101;

} // namespace

void ButtonCommands::run(ButtonAction action, const LocalTime& now) {
    switch (action) {
    case ButtonAction::StrengthDown:
        stepStrength(-1);
        break;
    case ButtonAction::StrengthUp:
        stepStrength(1);
        break;
    case ButtonAction::ForceOffOn:
        toggleForce();
        break;
    case ButtonAction::RecordStopRec:
        toggleRecording(now);
        break;
    case ButtonAction::NextProfile:
        nextProfile();
        break;
    }
}

void ButtonCommands::stepStrength(int32_t steps) {
    int32_t low = 0, high = 100;
    for (const ControlSpec& control : mainWindowControls())
        if (control.id == kStrengthSlider) {
            low = control.minimum;
            high = control.maximum;
        }
    const int32_t shown = std::clamp(state_.Profiles.InUse.ForceStrength, low, high);
    const int32_t strength = std::clamp(shown + steps * kStrengthStep, low, high);
    binding_.onSliderChanged(kStrengthSlider, strength);
    view_.log(L"Force strength " + std::to_wstring(strength) + L"% (button).");
}

void ButtonCommands::toggleForce() {
    const bool off = !engine_.forceOff();
    engine_.setForceOff(off);
    view_.log(off ? L"Force off (button)." : L"Force on (button).");
}

void ButtonCommands::toggleRecording(const LocalTime& now) {
    if (record_.recording())
        record_.stopRecording();
    else
        record_.recordWithoutDialog(now, firstRecordingFolder_);
}

void ButtonCommands::nextProfile() {
    const auto count = static_cast<int32_t>(state_.Profiles.List.size());
    if (count < 1)
        return;
    binding_.loadProfile((state_.Profiles.Active + 1) % count);
    binding_.fillProfileCombo();
}

} // namespace gripline
