#pragma once
// Reads the buttons of the attached game controllers and the keys of the
// keyboard for the button bindings, polled by the window thread. Each
// device is opened non-exclusively and in the background, so Gripline
// sees presses while the simulator has the focus and takes nothing from
// the simulator or a wheel's own software. The wheel the engine holds is
// left out: its buttons come through the output stage, which owns it.
#include "engine/dinput_wheel_win32.h"
#include "ui/button_bindings.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace gripline {

struct PolledDevice {
    DeviceGuid device;
    std::wstring product;
    ButtonSet down;
};

class ButtonReader {
  public:
    ButtonReader() = default;
    ~ButtonReader() { close(); }
    ButtonReader(const ButtonReader&) = delete;
    ButtonReader& operator=(const ButtonReader&) = delete;

    // Opens every attached controller and the keyboard but `held`.
    void open(HWND window, const std::optional<DeviceGuid>& held);
    void close();
    bool isOpen() const { return static_cast<bool>(directInput_); }

    // The state of every open device that could be read.
    std::vector<PolledDevice> poll();
    std::vector<AttachedDevice> attached() const;
    // "Button 5" for a controller's button 4; a keyboard's key by its name.
    std::wstring buttonName(const DeviceGuid& device, int32_t button) const;

  private:
    struct Device {
        DeviceGuid guid;
        std::wstring product;
        bool keyboard = false;
        std::unique_ptr<ComRef<IDirectInputDevice8W>> device;
    };
    void add(HWND window, const GUID& guid, const std::wstring& product, bool keyboard);

    ComRef<IDirectInput8W> directInput_;
    std::vector<Device> devices_;
};

} // namespace gripline
