#pragma once
// What the settings and profile logic asks of the main window: a port of
// settings/ itself, so the logic needs nothing from ui/. The window
// implements it; tests record the calls.
#include "settings/car_coefficients.h"
#include "settings/ffb_settings.h"

#include <string>

namespace gripline {

class SettingsView {
  public:
    virtual ~SettingsView() = default;
    // Shows `settings` in every control.
    virtual void refreshControls(const FfbSettings& settings) = 0;
    // Appends one line to the session log.
    virtual void log(const std::wstring& line) = 0;
    // Sets the car label and the five coefficient sliders.
    virtual void showCar(const std::wstring& label, const CarCoefficients& coefficients) = 0;
    // Names where the settings in use came from ("Settings: mx5 mx52016 ·
    // Tsukuba Circuit 2k Full · wet"); views that show no context ignore it.
    virtual void showContext(const std::wstring& /*label*/) {}
};

} // namespace gripline
