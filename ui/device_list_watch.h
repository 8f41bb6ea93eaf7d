#pragma once
// The device list follows the force-feedback wheels attached: a wheel
// switched on after start-up is added, one that goes away is removed, each
// change one line in the session log. The selection stays on the wheel the
// driver had; the first wheel is selected when none was. Portable: the
// window hands in each look's list.
#include "engine/ffb_device_list.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gripline {

struct DeviceListChange {
    std::vector<std::wstring> lines; // "Wheel connected: <name>." etc., in list order
    int32_t selected = -1;           // index in the new list; -1: none
    bool changed = false;            // the list is not the one shown
};

// From the list shown (with its selection, -1 for none) to the one just
// found. A wheel is the same wheel by its instance, whatever its name.
DeviceListChange followDeviceList(const std::vector<FfbDeviceEntry>& shown, int32_t selected,
                                  const std::vector<FfbDeviceEntry>& found);

} // namespace gripline
