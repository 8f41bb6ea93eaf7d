// DirectInput as Wine provides it, without our virtual wheel: Wine's own
// dinput8 knows no force-feedback wheel here.
#include "engine/dinput_wheel_win32.h"
#include "engine/ffb_output.h"
#include "common/qpc_clock_win32.h"

#include <gtest/gtest.h>

#include <string>

namespace gripline {
namespace {

TEST(WheelDevices, WithoutAWheelTheListIsEmptyAndTheLogSaysSo) {
    const std::vector<FfbDeviceEntry> devices = enumerateDevices();
    EXPECT_TRUE(devices.empty());
    EXPECT_EQ(std::wstring(deviceListMessage(devices)), L"No force feedback device found.");
}

TEST(WheelDevices, OpeningAWheelThatIsNotThereFailsAndHoldsNothing) {
    DirectInputWheel port;
    FfbOutput output(port, qpcClock());
    DeviceGuid unknown;
    unknown.bytes.fill(0x5A);
    EXPECT_FALSE(output.open(nullptr, unknown));
    EXPECT_FALSE(port.hasDevice());
    EXPECT_FALSE(port.hasDeviceEvent());
}

} // namespace
} // namespace gripline
