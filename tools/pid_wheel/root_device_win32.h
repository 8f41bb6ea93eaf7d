#pragma once
// The PID wheel as a root-enumerated device of the current Wine prefix (or
// Windows machine): installed with its minidriver through SetupAPI, given
// its configuration in the device's registry key, taken away and brought
// back as a USB wheel unplugged and plugged again.
#include "tools/pid_wheel/wheel_model_source.h"

#include <string>

namespace gripline::pidwheel {

// Everything the driver reads at start (the device's "Device Parameters").
struct WheelSettings {
    std::wstring descriptorFile; // DOS paths: the binary descriptor the driver reads
    std::wstring logFile;
    std::wstring scriptFile; // empty: no scripted input
    uint32_t vendorId = 0x1209, productId = 0xFFB0, versionNumber = 0x0100;
    std::wstring product = L"OpenFFBoard", manufacturer = L"Open FFBoard",
                 serial = L"GRIPLINE-PID-1";
    WheelModel model;
};

struct WheelStatus {
    bool installed = false; // installed in the prefix, plugged in or not
    bool plugged = false;   // the device exists
    bool started = false;   // hidclass offers its HID interface (what dinput enumerates)
};

// Installs the device with the driver the INF at `infPath` names, or writes
// the new settings to the installed one and restarts it. `done` says which.
bool installWheel(const WheelSettings& settings, const std::wstring& infPath, std::string& done,
                  std::string& error);
bool removeWheel(std::string& error);
bool unplugWheel(std::string& error);
bool plugWheel(std::string& error);
WheelStatus wheelStatus();

} // namespace gripline::pidwheel
