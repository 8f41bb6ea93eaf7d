#pragma once
// Buttons bound to the window's actions, so a driver in the car changes the
// force without reaching for the mouse: which action a press means, and
// which presses count (a button held down acts once). Window thread only.
#include "engine/wheel_output.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace gripline {

enum class ButtonAction { StrengthDown, StrengthUp, ForceOffOn, RecordStopRec, NextProfile };
inline constexpr size_t kButtonActionCount = 5;

struct ButtonActionInfo {
    ButtonAction action;
    const wchar_t* label; // as the Buttons dialog lists it
    const wchar_t* key;   // the prefix of its keys in the settings file
};
// In the dialog's order.
std::span<const ButtonActionInfo> buttonActions();

// Buttons (or keys) of one device, by number: joysticks have at most 128
// buttons, keyboards 256 keys.
using ButtonSet = std::bitset<256>;

// A button of a game controller, or a key of a keyboard, as the driver
// bound it.
struct BoundButton {
    DeviceGuid device;       // the DirectInput instance when it was bound
    std::wstring product;    // the product's name: a re-plugged device still matches
    int32_t button = 0;      // 0-based button number, or a keyboard's scan code
    std::wstring buttonName; // "Button 5", "F5"

    bool operator==(const BoundButton&) const = default;
};

// "Gripline Virtual Wheel FFB, Button 5".
std::wstring bindingText(const BoundButton& button);

// One press: a button that went down on an attached device.
struct ButtonPress {
    DeviceGuid device;
    std::wstring product;
    int32_t button = 0;
};

struct AttachedDevice {
    DeviceGuid device;
    std::wstring product;
};

class ButtonBindings {
  public:
    const std::optional<BoundButton>& binding(ButtonAction action) const;
    // A button means one thing: bound to `action`, it leaves any other.
    void bind(ButtonAction action, const BoundButton& button);
    void clear(ButtonAction action);
    bool empty() const;

    // The action `press` means. A binding matches its own device; when that
    // device is not attached, a device of the same product takes its place
    // (the wheel plugged into another port gets another instance).
    std::optional<ButtonAction> actionFor(const ButtonPress& press,
                                          std::span<const AttachedDevice> attached) const;

  private:
    std::array<std::optional<BoundButton>, kButtonActionCount> bindings_{};
};

// Presses from device states polled now and then. A button counts when it
// goes down; held, it does not count again until it was seen up. The
// buttons already held when a device is first seen do not count.
class PressTracker {
  public:
    // The buttons of `device` that went down since its last state.
    ButtonSet pressed(const DeviceGuid& device, const ButtonSet& down);
    // Forgets a device (closed, or now read another way).
    void forget(const DeviceGuid& device);

  private:
    struct Seen {
        DeviceGuid device;
        ButtonSet down;
    };
    std::vector<Seen> seen_;
};

} // namespace gripline
