#pragma once
// The force-feedback wheels found attached, in enumeration order.
#include "engine/wheel_output.h"

#include <string>
#include <vector>

namespace gripline {

struct FfbDeviceEntry {
    DeviceGuid instanceGuid;
    std::wstring productName; // the product's name, not the instance name
};

// The session-log line after enumeration.
inline const wchar_t* deviceListMessage(const std::vector<FfbDeviceEntry>& devices) {
    return devices.empty() ? L"No force feedback device found." : L"Force feedback devices found.";
}

} // namespace gripline
