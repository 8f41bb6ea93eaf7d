#pragma once
// DirectInput 8 behind the wheel port: device enumeration, one exclusive,
// background-acquired device and its constant-force effect. Every call is a
// thin translation; the rules live in FfbOutput.
#include "common/scoped_handle_win32.h"
#include "common/wait_margin.h"
#include "engine/ffb_device_list.h"
#include "engine/wheel_port.h"

#include <windows.h>
#ifndef DIRECTINPUT_VERSION
#define DIRECTINPUT_VERSION 0x0800
#endif
#include <dinput.h>

#include <optional>
#include <vector>

namespace gripline {

// Lists the attached force-feedback game controllers. Empty when DirectInput
// cannot be created.
std::vector<FfbDeviceEntry> enumerateDevices();
// The same list, or nothing when DirectInput could not be asked (a failed
// look must not read as every wheel gone).
std::optional<std::vector<FfbDeviceEntry>> lookForDevices();

// Owns one COM interface pointer; releases it once.
template <typename T> class ComRef {
  public:
    ComRef() = default;
    ~ComRef() { reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T* get() const { return p_; }
    T** put() {
        reset();
        return &p_;
    }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void reset() {
        if (p_)
            p_->Release();
        p_ = nullptr;
    }

  private:
    T* p_ = nullptr;
};

class DirectInputWheel final : public WheelPort {
  public:
    DirectInputWheel();
    ~DirectInputWheel() override { releaseAll(); }

    bool createDeviceEvent() override;
    HResult createDirectInput() override;
    HResult createDevice(const DeviceGuid& device) override;
    HResult setJoystickDataFormat() override;
    HResult setExclusiveBackground(void* window) override;
    HResult disableAutoCenter() override;
    HResult setEventNotification() override;
    bool hasDevice() const override { return static_cast<bool>(device_); }
    bool hasDeviceEvent() const override { return static_cast<bool>(deviceEvent_); }
    HResult acquire() override;
    HResult unacquire() override;
    bool hasEffect() const override { return static_cast<bool>(effect_); }
    HResult createEffect() override;
    HResult setMagnitude(int32_t magnitude) override;
    HResult startEffect() override;
    void stopEffect() override;
    HResult readAxisX(int32_t& x) override;
    void waitForWork(const std::atomic<uint32_t>& forceWrites, uint32_t seen,
                     int64_t timeoutNs) override;
    bool takeInputReport() override;
    void wakeOutputThread(const std::atomic<uint32_t>& forceWrites) override;
    HResult readButtons(uint32_t& down) override;
    void releaseAll() override;
    void enterOutputThread() override;

  private:
    HResult readState(DIJOYSTATE& state);
    HResult createReplacement(const GUID& instance);

    // Release order: effect, device, DirectInput, event.
    ComRef<IDirectInput8W> directInput_;
    ComRef<IDirectInputDevice8W> device_;
    ComRef<IDirectInputEffect> effect_;
    // Whether our Start is the effect's last command (output thread): a
    // Stop goes to the wheel only for an effect we started.
    bool playing_ = false;
    ScopedHandle deviceEvent_;
    WaitMargin periodMargin_; // output thread: how early its time-outs are aimed
    // The effect's parameters, kept for its life and re-sent on every update.
    DICONSTANTFORCE constantForce_{};
    DWORD axes_[1] = {DIJOFS_X};
    LONG direction_[1] = {0};
    DIEFFECT effectParams_{};
    // The last device opened and its product: a wheel unplugged and plugged
    // back may come back under a new instance GUID (Wine makes one per HID
    // device it finds), and is then opened by its product.
    GUID openedInstance_{};
    GUID openedProduct_{};
};

} // namespace gripline
