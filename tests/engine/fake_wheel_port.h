#pragma once
// A wheel that records every device call with its virtual time and fails the
// calls a test scripts. Waiting for the device event advances virtual time.
#include "engine/wheel_port.h"
#include "tests/support/virtual_clock.h"

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace gripline::test {

class FakeWheelPort final : public WheelPort {
  public:
    struct Call {
        std::string name;
        int64_t atNs;
        int32_t value;
    };

    explicit FakeWheelPort(VirtualClock& clock) : clock_(clock) {}

    // Scripted failures: the next `count` calls of `name` return `hr`.
    void failNext(const std::string& name, HResult hr, int count = 1) { failures_[name] = {hr, count}; }

    bool createDeviceEvent() override { event_ = withEvent; return event_; }
    HResult createDirectInput() override { return call("createDirectInput"); }
    HResult createDevice(const DeviceGuid&) override {
        const HResult hr = call("createDevice");
        device_ = !failed(hr);
        return hr;
    }
    HResult setJoystickDataFormat() override { return call("setJoystickDataFormat"); }
    HResult setExclusiveBackground(void*) override { return call("setExclusiveBackground"); }
    HResult disableAutoCenter() override { return call("disableAutoCenter"); }
    HResult setEventNotification() override { return call("setEventNotification"); }
    bool hasDevice() const override { return device_; }
    bool hasDeviceEvent() const override { return event_; }
    HResult acquire() override { return call("acquire"); }
    HResult unacquire() override { return call("unacquire"); }
    bool hasEffect() const override { return effect_; }
    HResult createEffect() override {
        const HResult hr = call("createEffect");
        effect_ = !failed(hr);
        return hr;
    }
    HResult setMagnitude(int32_t magnitude) override {
        magnitudes.push_back({"setMagnitude", clock_.now, magnitude});
        return call("setMagnitude", magnitude);
    }
    HResult startEffect() override { return call("startEffect"); }
    void stopEffect() override { call("stopEffect"); }
    HResult readAxisX(int32_t& x) override {
        x = axisX;
        return call("readAxisX", x);
    }
    HResult readButtons(uint32_t& down) override {
        down = buttons;
        return call("readButtons");
    }
    // A force written since `seen` ends the wait at once; otherwise it runs
    // its whole time-out and the device reports at its end.
    void waitForWork(const std::atomic<uint32_t>& forceWrites, uint32_t seen,
                     int64_t timeoutNs) override {
        if (duringNextWait)
            std::exchange(duringNextWait, nullptr)();
        if (forceWrites.load() == seen)
            clock_.now += timeoutNs;
    }
    bool takeInputReport() override {
        call("takeInputReport");
        return event_ && eventFires;
    }
    void wakeOutputThread(const std::atomic<uint32_t>&) override { ++wakes; }
    void releaseAll() override {
        call("releaseAll");
        device_ = effect_ = event_ = false;
    }

    int count(const std::string& name) const {
        int n = 0;
        for (const Call& c : calls)
            n += c.name == name;
        return n;
    }

    bool withEvent = false;  // whether the device has an input event
    bool eventFires = true;  // whether a wait sees input
    int32_t axisX = 32767;
    int wakes = 0; // calls of wakeOutputThread
    std::function<void()> duringNextWait; // runs once, as the engine would mid-wait
    uint32_t buttons = 0; // held down, bit n for button n
    std::vector<Call> calls;
    std::vector<Call> magnitudes; // every setMagnitude, failed or not

  private:
    HResult call(const std::string& name, int32_t value = 0) {
        calls.push_back({name, clock_.now, value});
        auto it = failures_.find(name);
        if (it == failures_.end() || it->second.second <= 0)
            return kHrOk;
        --it->second.second;
        return it->second.first;
    }

    VirtualClock& clock_;
    std::map<std::string, std::pair<HResult, int>> failures_;
    bool device_ = false;
    bool effect_ = false;
    bool event_ = false;
};

} // namespace gripline::test
