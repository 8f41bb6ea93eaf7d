#pragma once
// The device combo box follows the force-feedback wheels attached. Two ways
// to notice a change, so either is enough: Windows tells the window when a
// HID device arrives or is removed (WM_DEVICECHANGE, registered for the HID
// device interface), and a look at the list (EnumDevices) every 2 s while
// no wheel is held, for a system whose notices do not come. The rules of a
// look live in followDeviceList. Window thread only.
#include "engine/ffb_device_list.h"
#include "settings/settings_keeper.h"
#include "settings/settings_view.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace gripline {

class DeviceWatch {
  public:
    static constexpr UINT_PTR kLookTimer = 3;   // the periodic look
    static constexpr UINT_PTR kSettleTimer = 4; // one more look after a notice
    static bool ownsTimer(UINT_PTR id) { return id == kLookTimer || id == kSettleTimer; }

    // `changed` runs after every look that changed the list.
    DeviceWatch(const SettingsState& settings, SettingsView& view, std::function<void()> changed)
        : settings_(settings), view_(view), changed_(std::move(changed)) {}
    ~DeviceWatch() { shutdown(); }
    DeviceWatch(const DeviceWatch&) = delete;
    DeviceWatch& operator=(const DeviceWatch&) = delete;

    // Start-up: the first list with its line ("Force feedback devices
    // found." or "No force feedback device found."), then the watching.
    void start(HWND window, HWND combo);
    void shutdown();

    void onDeviceChange(WPARAM event, LPARAM data);
    void onTimer(UINT_PTR id);

    // While the engine or the wheel test holds a wheel the periodic look
    // rests: the held wheel is not disturbed and the drive pays nothing.
    void setWheelFree(bool free) { wheelFree_ = free; }
    bool wheelFree() const { return wheelFree_; }

    const std::vector<FfbDeviceEntry>& wheels() const { return wheels_; }
    std::optional<FfbDeviceEntry> selected() const;

  private:
    void look();
    void show(std::vector<FfbDeviceEntry> wheels, int32_t selected);

    const SettingsState& settings_;
    SettingsView& view_;
    std::function<void()> changed_;
    HWND window_ = nullptr;
    HWND combo_ = nullptr;
    HDEVNOTIFY notification_ = nullptr; // owned: unregistered at shutdown
    bool wheelFree_ = true;
    std::vector<FfbDeviceEntry> wheels_; // as the combo box shows them
};

} // namespace gripline
