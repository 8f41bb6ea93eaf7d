#pragma once
// A port that passes every call on to another: the base of the ports that
// watch the program's own device code (the Wheel test's count of accepted
// updates, a test's or a benchmark's record of each update) without
// changing what reaches the wheel. A watcher overrides what it notes.
#include "engine/wheel_port.h"

namespace gripline {

class ForwardingWheelPort : public WheelPort {
  public:
    explicit ForwardingWheelPort(WheelPort& port) : port_(port) {}

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
    HResult setMagnitude(int32_t magnitude) override { return port_.setMagnitude(magnitude); }
    HResult startEffect() override { return port_.startEffect(); }
    void stopEffect() override { port_.stopEffect(); }
    HResult readAxisX(int32_t& x) override { return port_.readAxisX(x); }
    HResult readButtons(uint32_t& down) override { return port_.readButtons(down); }
    void waitForWork(const std::atomic<uint32_t>& forceWrites, uint32_t seen,
                     int64_t timeoutNs) override {
        port_.waitForWork(forceWrites, seen, timeoutNs);
    }
    bool takeInputReport() override { return port_.takeInputReport(); }
    void wakeOutputThread(const std::atomic<uint32_t>& forceWrites) override {
        port_.wakeOutputThread(forceWrites);
    }
    void releaseAll() override { port_.releaseAll(); }
    void enterOutputThread() override { port_.enterOutputThread(); }

  private:
    WheelPort& port_;
};

} // namespace gripline
