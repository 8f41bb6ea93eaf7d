#include "ui/device_list_watch.h"

#include <algorithm>

namespace gripline {

namespace {

bool contains(const std::vector<FfbDeviceEntry>& list, const DeviceGuid& device) {
    return std::any_of(list.begin(), list.end(),
                       [&](const FfbDeviceEntry& e) { return e.instanceGuid == device; });
}

} // namespace

DeviceListChange followDeviceList(const std::vector<FfbDeviceEntry>& shown, int32_t selected,
                                  const std::vector<FfbDeviceEntry>& found) {
    DeviceListChange change;
    for (const FfbDeviceEntry& e : shown)
        if (!contains(found, e.instanceGuid))
            change.lines.push_back(L"Wheel disconnected: " + e.productName + L".");
    for (const FfbDeviceEntry& e : found)
        if (!contains(shown, e.instanceGuid))
            change.lines.push_back(L"Wheel connected: " + e.productName + L".");
    // The same wheels in another order is a change of the list too: the
    // combo box shows the order DirectInput gives.
    change.changed =
        shown.size() != found.size() ||
        !std::equal(shown.begin(), shown.end(), found.begin(),
                    [](const FfbDeviceEntry& a, const FfbDeviceEntry& b) {
                        return a.instanceGuid == b.instanceGuid && a.productName == b.productName;
                    });
    const bool hadSelection = selected >= 0 && static_cast<size_t>(selected) < shown.size();
    if (hadSelection) {
        const DeviceGuid kept = shown[static_cast<size_t>(selected)].instanceGuid;
        for (size_t i = 0; i < found.size(); ++i)
            if (found[i].instanceGuid == kept)
                change.selected = static_cast<int32_t>(i);
    }
    if (change.selected < 0 && !found.empty())
        change.selected = 0;
    return change;
}

} // namespace gripline
