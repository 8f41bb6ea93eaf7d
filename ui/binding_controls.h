#pragma once
// What the control binding asks of the window's controls besides the SettingsView:
// slider values and their labels, check marks, the combo boxes and the
// wheelbase field. The main window implements it; tests record the calls.
#include <cstdint>
#include <string>
#include <vector>

namespace gripline {

class BindingControls {
  public:
    virtual ~BindingControls() = default;
    // Puts the knob of slider `id` at `value` (already within its range),
    // writes `text` on its value label and repaints it. Notifies no one.
    virtual void showSliderValue(int id, int32_t value, const std::wstring& text) = 0;
    virtual void showChecked(int id, bool checked) = 0;
    virtual void selectOutputMode(int32_t mode) = 0;
    virtual std::wstring wheelbaseFieldText() = 0; // at most 15 characters
    virtual void showWheelbaseText(const std::wstring& text) = 0;
    // Rewrites the driver-profile box; `selected` is -1 when the list is empty.
    virtual void showProfiles(const std::vector<std::wstring>& names, int32_t selected) = 0;
    // The driver-profile box's edit text as typed, at most 127 characters.
    virtual std::wstring profileBoxText() = 0;
    virtual void showCarLabel(const std::wstring& label) = 0;
};

} // namespace gripline
