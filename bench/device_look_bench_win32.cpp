// What one look at the attached wheels costs the window thread: the
// DirectInput object made, EnumDevices for attached force-feedback game
// controllers, released, as the device watch does every 2 s while no wheel
// is held. Run with Wine's own dinput8 and with the virtual wheel.
#include "engine/dinput_wheel_win32.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

int main() {
    using Clock = std::chrono::steady_clock;
    constexpr int kLooks = 200;
    std::vector<double> us;
    size_t wheels = 0;
    for (int i = 0; i < kLooks; ++i) {
        const auto start = Clock::now();
        const auto found = gripline::lookForDevices();
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        wheels = found ? found->size() : 0;
    }
    std::sort(us.begin(), us.end());
    std::printf(
        "device look: %d looks, %zu wheel(s) found; p50 %.0f us, p90 %.0f us, max %.0f us\n",
        kLooks, wheels, us[kLooks / 2], us[kLooks * 9 / 10], us.back());
    return 0;
}
