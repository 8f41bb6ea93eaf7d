// The device list following the wheels attached: which lines a look logs
// and where the selection goes.
#include "ui/device_list_watch.h"

#include <gtest/gtest.h>

#include <vector>

namespace gripline {
namespace {

FfbDeviceEntry wheel(uint8_t id, const wchar_t* name) {
    FfbDeviceEntry e;
    e.instanceGuid.bytes[0] = id;
    e.productName = name;
    return e;
}

const FfbDeviceEntry kPedalWheel = wheel(1, L"Wheel A");
const FfbDeviceEntry kBaseWheel = wheel(2, L"Wheel B");
const FfbDeviceEntry kTwinOfB = wheel(3, L"Wheel B"); // a second wheel of the same model

TEST(DeviceListWatch, EachLookLogsWhatCameAndWentAndKeepsTheDriversWheel) {
    struct Case {
        const char* what;
        std::vector<FfbDeviceEntry> shown;
        int32_t selected;
        std::vector<FfbDeviceEntry> found;
        std::vector<std::wstring> lines;
        int32_t selectedAfter;
        bool changed;
    };
    const std::vector<Case> cases = {
        {"nothing then nothing", {}, -1, {}, {}, -1, false},
        {"unchanged", {kPedalWheel, kBaseWheel}, 1, {kPedalWheel, kBaseWheel}, {}, 1, false},
        {"switched on late: selected, none was",
         {},
         -1,
         {kPedalWheel},
         {L"Wheel connected: Wheel A."},
         0,
         true},
        {"a second wheel: the driver's stays",
         {kBaseWheel},
         0,
         {kPedalWheel, kBaseWheel},
         {L"Wheel connected: Wheel A."},
         1,
         true},
        {"the selected one goes: the first left",
         {kPedalWheel, kBaseWheel},
         0,
         {kBaseWheel},
         {L"Wheel disconnected: Wheel A."},
         0,
         true},
        {"the last one goes", {kPedalWheel}, 0, {}, {L"Wheel disconnected: Wheel A."}, -1, true},
        {"a twin by instance, not by name",
         {kBaseWheel},
         0,
         {kTwinOfB},
         {L"Wheel disconnected: Wheel B.", L"Wheel connected: Wheel B."},
         0,
         true},
        {"same wheels, new order",
         {kPedalWheel, kBaseWheel},
         1,
         {kBaseWheel, kPedalWheel},
         {},
         0,
         true},
        {"a selection out of range is none", {kPedalWheel}, 7, {kPedalWheel}, {}, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const DeviceListChange change = followDeviceList(c.shown, c.selected, c.found);
        EXPECT_EQ(change.lines, c.lines);
        EXPECT_EQ(change.selected, c.selectedAfter);
        EXPECT_EQ(change.changed, c.changed);
    }
}

} // namespace
} // namespace gripline
