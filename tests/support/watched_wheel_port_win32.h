#pragma once
// The program's own DirectInput device code behind a port that a test or a
// benchmark can watch: every call goes through unchanged, and each
// SetParameters that DirectInput accepted is recorded with the time it took.
#include "common/qpc_clock_win32.h"
#include "engine/dinput_wheel_win32.h"

#include <cstdint>
#include <vector>

namespace gripline::test {

class WatchedWheelPort final : public WheelPort {
  public:
    struct Update {
        int32_t magnitude;
        int64_t startNs, endNs; // around the call, on QpcClock
    };

    bool createDeviceEvent() override { return port_.createDeviceEvent(); }
    HResult createDirectInput() override { return port_.createDirectInput(); }
    HResult createDevice(const DeviceGuid& d) override { return port_.createDevice(d); }
    HResult setJoystickDataFormat() override { return port_.setJoystickDataFormat(); }
    HResult setExclusiveBackground(void* w) override { return port_.setExclusiveBackground(w); }
    HResult disableAutoCenter() override { return port_.disableAutoCenter(); }
    HResult setEventNotification() override { return port_.setEventNotification(); }
    bool hasDevice() const override { return port_.hasDevice(); }
    bool hasDeviceEvent() const override { return port_.hasDeviceEvent(); }
    HResult acquire() override { return port_.acquire(); }
    HResult unacquire() override { return port_.unacquire(); }
    bool hasEffect() const override { return port_.hasEffect(); }
    HResult createEffect() override { return port_.createEffect(); }
    HResult setMagnitude(int32_t magnitude) override {
        const int64_t start = qpcClock().nowNs();
        const HResult hr = port_.setMagnitude(magnitude);
        if (!failed(hr) && updates.size() < updates.capacity())
            updates.push_back({magnitude, start, qpcClock().nowNs()});
        return hr;
    }
    HResult startEffect() override { return port_.startEffect(); }
    void stopEffect() override { port_.stopEffect(); }
    HResult readAxisX(int32_t& x) override { return port_.readAxisX(x); }
    HResult readButtons(uint32_t& down) override { return port_.readButtons(down); }
    bool waitForWork(const std::atomic<uint32_t>& writes, uint32_t seen, int64_t ns) override {
        return port_.waitForWork(writes, seen, ns);
    }
    void wakeOutputThread(const std::atomic<uint32_t>& writes) override {
        port_.wakeOutputThread(writes);
    }
    void releaseAll() override { port_.releaseAll(); }
    void enterOutputThread() override { port_.enterOutputThread(); }

    // Written by the output thread while it runs, read once it has ended.
    // Reserved up front: recording never allocates on that thread.
    explicit WatchedWheelPort(size_t capacity = 1 << 20) { updates.reserve(capacity); }
    std::vector<Update> updates;

  private:
    DirectInputWheel port_;
};

} // namespace gripline::test
