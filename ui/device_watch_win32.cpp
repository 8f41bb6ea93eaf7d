#include "ui/device_watch_win32.h"

#include "engine/dinput_wheel_win32.h"
#include "ui/device_list_watch.h"

#include <dbt.h>

namespace gripline {

namespace {

constexpr UINT kLookPeriodMs = 2000;
// DirectInput may list a device a moment after the system announced it.
constexpr UINT kSettleMs = 500;

// The HID device interface class ({4D1E55B2-F16F-11CF-88CB-001111000030}),
// spelled out so the program needs no HID library.
constexpr GUID kHidInterface = {
    0x4d1e55b2, 0xf16f, 0x11cf, {0x88, 0xcb, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

} // namespace

void DeviceWatch::start(HWND window, HWND combo) {
    window_ = window;
    combo_ = combo;
    show(enumerateDevices(), 0);
    view_.log(deviceListMessage(wheels_));

    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kHidInterface;
    // Without it the periodic look alone follows the wheels.
    notification_ = RegisterDeviceNotificationW(window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    SetTimer(window_, kLookTimer, kLookPeriodMs, nullptr);
}

void DeviceWatch::shutdown() {
    if (notification_)
        UnregisterDeviceNotification(notification_);
    notification_ = nullptr;
    if (window_) {
        KillTimer(window_, kLookTimer);
        KillTimer(window_, kSettleTimer);
    }
}

// A HID device came or went: look now, and once more shortly after.
void DeviceWatch::onDeviceChange(WPARAM event, LPARAM data) {
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE)
        return;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (!header || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE)
        return;
    if (settings_.Profiles.InUse.DebugLogging != 0)
        view_.log(event == DBT_DEVICEARRIVAL ? L"Device notice: a HID device arrived."
                                             : L"Device notice: a HID device was removed.");
    look();
    SetTimer(window_, kSettleTimer, kSettleMs, nullptr);
}

void DeviceWatch::onTimer(UINT_PTR id) {
    if (id == kSettleTimer) {
        KillTimer(window_, kSettleTimer);
        look();
    } else if (wheelFree_) {
        look();
    }
}

// A look that could not ask DirectInput changes nothing.
void DeviceWatch::look() {
    const std::optional<std::vector<FfbDeviceEntry>> found = lookForDevices();
    if (!found)
        return;
    const auto shownSelection = static_cast<int32_t>(SendMessageW(combo_, CB_GETCURSEL, 0, 0));
    const DeviceListChange change = followDeviceList(wheels_, shownSelection, *found);
    for (const std::wstring& line : change.lines)
        view_.log(line);
    if (!change.changed)
        return;
    show(*found, change.selected);
    if (changed_)
        changed_();
}

// The combo box holds the product names in list order; `selected` -1 or
// past the end selects nothing.
void DeviceWatch::show(std::vector<FfbDeviceEntry> wheels, int32_t selected) {
    wheels_ = std::move(wheels);
    SendMessageW(combo_, CB_RESETCONTENT, 0, 0);
    for (const FfbDeviceEntry& device : wheels_)
        SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(device.productName.c_str()));
    const bool valid = selected >= 0 && static_cast<size_t>(selected) < wheels_.size();
    SendMessageW(combo_, CB_SETCURSEL,
                 valid ? static_cast<WPARAM>(selected) : static_cast<WPARAM>(-1), 0);
}

std::optional<FfbDeviceEntry> DeviceWatch::selected() const {
    const LRESULT index = SendMessageW(combo_, CB_GETCURSEL, 0, 0);
    if (index < 0 || index >= static_cast<LRESULT>(wheels_.size()))
        return std::nullopt;
    return wheels_[static_cast<size_t>(index)];
}

} // namespace gripline
