#include "tools/pid_wheel/root_device_win32.h"

#include <windows.h>
// After windows.h:
#include <cfgmgr32.h>
#include <devguid.h>
#include <newdev.h>
#include <setupapi.h>

#include <cwctype>
#include <vector>

namespace gripline::pidwheel {

namespace {

// The one device this tool manages, and the hardware ID the INF matches.
constexpr wchar_t kInstanceId[] = L"ROOT\\GRIPLINE_PID_WHEEL\\0000";
constexpr wchar_t kHardwareId[] = L"root\\gripline_pid_wheel\0"; // a multi-string
// GUID_DEVINTERFACE_HID (no import library of mingw defines it).
constexpr GUID kHidInterface = {
    0x4d1e55b2, 0xf16f, 0x11cf, {0x88, 0xcb, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

// Wine 8.0 has no way to disable a device (DIF_PROPERTYCHANGE fails with
// error 0, CM_Disable_DevNode is not implemented), so unplugging removes the
// device and plugging creates it anew. Its settings outlive it here, with
// the INF that installed it.
constexpr wchar_t kSavedKey[] = L"Software\\Gripline\\PidWheel";

std::string lastErrorText(const char* what) {
    return std::string(what) + " failed (error " + std::to_string(GetLastError()) + ")";
}

// Owns a device information set; `device` is the wheel once found or made.
class DeviceSet {
  public:
    DeviceSet() : set_(SetupDiCreateDeviceInfoList(nullptr, nullptr)) {
        device_.cbSize = sizeof(device_);
    }
    ~DeviceSet() {
        if (set_ != INVALID_HANDLE_VALUE)
            SetupDiDestroyDeviceInfoList(set_);
    }
    DeviceSet(const DeviceSet&) = delete;
    DeviceSet& operator=(const DeviceSet&) = delete;
    HDEVINFO get() const { return set_; }
    SP_DEVINFO_DATA* device() { return &device_; }
    bool openWheel() {
        return set_ != INVALID_HANDLE_VALUE &&
               SetupDiOpenDeviceInfoW(set_, kInstanceId, nullptr, 0, &device_);
    }

  private:
    HDEVINFO set_;
    SP_DEVINFO_DATA device_{};
};

class RegKey {
  public:
    RegKey() = default;
    explicit RegKey(HKEY key) : key_(key == INVALID_HANDLE_VALUE ? nullptr : key) {}
    ~RegKey() {
        if (key_)
            RegCloseKey(key_);
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

bool openSaved(RegKey& key) {
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSavedKey, 0, KEY_READ, key.out()) == ERROR_SUCCESS;
}

bool setDword(HKEY key, const wchar_t* name, uint32_t value) {
    const DWORD v = value;
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof(v)) ==
           ERROR_SUCCESS;
}

bool setString(HKEY key, const wchar_t* name, const std::wstring& value) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) ==
           ERROR_SUCCESS;
}

// The settings as the registry values the driver reads.
bool writeSettings(HKEY key, const WheelSettings& s) {
    const WheelModel& m = s.model;
    return setString(key, L"DescriptorFile", s.descriptorFile) &&
           setString(key, L"LogFile", s.logFile) && setString(key, L"ScriptFile", s.scriptFile) &&
           setDword(key, L"VendorId", s.vendorId) && setDword(key, L"ProductId", s.productId) &&
           setDword(key, L"VersionNumber", s.versionNumber) &&
           setString(key, L"ProductString", s.product) &&
           setString(key, L"ManufacturerString", s.manufacturer) &&
           setString(key, L"SerialString", s.serial) &&
           setDword(key, L"InputReportId", m.inputReportId) &&
           setDword(key, L"InputReportBytes", m.inputReportBytes) &&
           setDword(key, L"AxisBitOffset", m.axisBitOffset) &&
           setDword(key, L"AxisBits", m.axisBits) &&
           setDword(key, L"AxisMinimum", static_cast<uint32_t>(m.axisMinimum)) &&
           setDword(key, L"AxisMaximum", static_cast<uint32_t>(m.axisMaximum)) &&
           setDword(key, L"ButtonBitOffset", m.buttonBitOffset) &&
           setDword(key, L"ButtonCount", m.buttonCount) &&
           RegSetValueExW(key, L"FeatureAnswers", 0, REG_BINARY, m.featureAnswers.data(),
                          static_cast<DWORD>(m.featureAnswers.size())) == ERROR_SUCCESS &&
           setDword(key, L"CreateEffectReportId", m.createEffectReportId) &&
           setDword(key, L"BlockLoadReportId", m.blockLoadReportId) &&
           setDword(key, L"BlockIndexByte", m.blockIndexByte);
}

// Every value of `from` into `to`.
bool copyValues(HKEY from, HKEY to) {
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameChars = 256, type = 0, bytes = 0;
        const LONG r = RegEnumValueW(from, i, name, &nameChars, nullptr, &type, nullptr, &bytes);
        if (r == ERROR_NO_MORE_ITEMS)
            return true;
        std::vector<BYTE> data(bytes + 1);
        nameChars = 256;
        if (r != ERROR_SUCCESS ||
            RegEnumValueW(from, i, name, &nameChars, nullptr, &type, data.data(), &bytes) !=
                ERROR_SUCCESS ||
            RegSetValueExW(to, name, 0, type, data.data(), bytes) != ERROR_SUCCESS)
            return false;
    }
}

bool saveSettings(const WheelSettings& settings, const std::wstring& infPath, std::string& error) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSavedKey);
    RegKey key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSavedKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        key.out(), nullptr) != ERROR_SUCCESS ||
        !writeSettings(key.get(), settings) || !setString(key.get(), L"InfPath", infPath)) {
        error = "saving the wheel's settings failed";
        return false;
    }
    return true;
}

// Whether hidclass offers the wheel's HID interface, found as dinput finds
// devices: interface by interface. (Listing devices with the interface
// instead also finds a wheel whose driver failed to start, under Wine.)
bool hidInterfaceOffered() {
    HDEVINFO hid = SetupDiGetClassDevsW(&kHidInterface, nullptr, nullptr,
                                        DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (hid == INVALID_HANDLE_VALUE)
        return false;
    bool offered = false;
    SP_DEVICE_INTERFACE_DATA iface{};
    iface.cbSize = sizeof(iface);
    for (DWORD i = 0;
         !offered && SetupDiEnumDeviceInterfaces(hid, nullptr, &kHidInterface, i, &iface); ++i) {
        union {
            SP_DEVICE_INTERFACE_DETAIL_DATA_W detail;
            BYTE bytes[sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) + MAX_PATH * sizeof(wchar_t)];
        } buffer{};
        buffer.detail.cbSize = sizeof(buffer.detail);
        if (!SetupDiGetDeviceInterfaceDetailW(hid, &iface, &buffer.detail, sizeof(buffer), nullptr,
                                              nullptr))
            continue;
        std::wstring path(buffer.detail.DevicePath);
        for (wchar_t& c : path)
            c = static_cast<wchar_t>(std::towlower(c));
        offered = path.find(L"gripline_pid_wheel") != std::wstring::npos;
    }
    SetupDiDestroyDeviceInfoList(hid);
    return offered;
}

// Under Wine the device starts within UpdateDriverForPlugAndPlayDevicesW;
// the wait covers a slower PnP manager. A driver that refuses to start (its
// log file, descriptor or settings unusable) ends it with an error rather
// than a wheel reported installed that no program sees.
bool waitForStart(std::string& error) {
    constexpr DWORD kLimitMs = 20000;
    const ULONGLONG end = GetTickCount64() + kLimitMs;
    while (!hidInterfaceOffered()) {
        if (GetTickCount64() > end) {
            error = "the wheel's driver did not start (can it create the log file and read the "
                    "descriptor?)";
            return false;
        }
        Sleep(50);
    }
    return true;
}

// Creates the device with the settings in `saved` and installs its driver.
bool createDevice(HKEY saved, const wchar_t* infPath, std::string& error) {
    DeviceSet set;
    if (!SetupDiCreateDeviceInfoW(set.get(), kInstanceId, &GUID_DEVCLASS_HIDCLASS, nullptr, nullptr,
                                  0, set.device())) {
        error = lastErrorText("creating the device");
        return false;
    }
    if (!SetupDiSetDeviceRegistryPropertyW(set.get(), set.device(), SPDRP_HARDWAREID,
                                           reinterpret_cast<const BYTE*>(kHardwareId),
                                           sizeof(kHardwareId)) ||
        !SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set.get(), set.device())) {
        error = lastErrorText("registering the device");
        return false;
    }
    // Before the driver is installed: the device starts as soon as it is.
    RegKey device(SetupDiCreateDevRegKeyW(set.get(), set.device(), DICS_FLAG_GLOBAL, 0, DIREG_DEV,
                                          nullptr, nullptr));
    if (!device.get() || !copyValues(saved, device.get())) {
        error = lastErrorText("writing the device's settings");
        return false;
    }
    BOOL reboot = FALSE;
    if (!UpdateDriverForPlugAndPlayDevicesW(nullptr, kHardwareId, infPath, INSTALLFLAG_FORCE,
                                            &reboot)) {
        error = lastErrorText("installing the driver");
        return false;
    }
    return true;
}

// Creates the device, gives it the saved settings and installs its driver,
// which starts it.
bool createWheel(std::string& error) {
    RegKey saved;
    if (!openSaved(saved)) {
        error = "the wheel is not installed in this prefix";
        return false;
    }
    wchar_t infPath[MAX_PATH] = {};
    DWORD infBytes = sizeof(infPath);
    if (RegGetValueW(saved.get(), nullptr, L"InfPath", RRF_RT_REG_SZ, nullptr, infPath,
                     &infBytes) != ERROR_SUCCESS) {
        error = "the wheel's saved settings name no INF";
        return false;
    }
    return createDevice(saved.get(), infPath, error) && waitForStart(error);
}

bool removeDevice(DeviceSet& set, std::string& error) {
    if (!SetupDiCallClassInstaller(DIF_REMOVE, set.get(), set.device())) {
        error = lastErrorText("removing the device");
        return false;
    }
    return true;
}

// Removes the wheel's device if it exists; false on a failure. Under Wine
// the driver has logged "removed" by the time `pid_wheel unplug` returns.
bool removeIfPresent(bool& wasPresent, std::string& error) {
    DeviceSet set;
    wasPresent = set.openWheel();
    return !wasPresent || removeDevice(set, error);
}

} // namespace

bool installWheel(const WheelSettings& settings, const std::wstring& infPath, std::string& done,
                  std::string& error) {
    bool existed = false;
    if (!saveSettings(settings, infPath, error) || !removeIfPresent(existed, error) ||
        !createWheel(error))
        return false;
    done = existed ? "reconfigured and restarted" : "installed";
    return true;
}

bool removeWheel(std::string& error) {
    bool present = false;
    if (!removeIfPresent(present, error))
        return false;
    const bool saved = RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSavedKey) == ERROR_SUCCESS;
    if (!present && !saved) {
        error = "the wheel is not installed";
        return false;
    }
    return true;
}

bool unplugWheel(std::string& error) {
    bool present = false;
    if (!removeIfPresent(present, error))
        return false;
    if (!present)
        error = "the wheel is not plugged in";
    return present;
}

bool plugWheel(std::string& error) {
    {
        DeviceSet set;
        if (set.openWheel()) {
            error = "the wheel is already plugged in";
            return false;
        }
    }
    return createWheel(error);
}

WheelStatus wheelStatus() {
    WheelStatus status;
    {
        DeviceSet set;
        status.plugged = set.openWheel();
        RegKey saved;
        status.installed = openSaved(saved);
    }
    status.started = hidInterfaceOffered();
    return status;
}

} // namespace gripline::pidwheel
