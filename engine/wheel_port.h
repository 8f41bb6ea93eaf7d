#pragma once
// The DirectInput calls the output stage makes, one method each, so that its
// rules (start delay, ramp, slew, damping, error throttling, re-acquire) are
// proven natively with virtual time. Results are HRESULTs as plain int32.
// All methods but the opening ones run on the output thread.
#include "engine/wheel_output.h"

#include <atomic>
#include <cstdint>

namespace gripline {

using HResult = int32_t;
inline constexpr HResult kHrOk = 0;
inline constexpr HResult kDierrInputLost = static_cast<HResult>(0x8007001E);
inline constexpr HResult kDierrNotAcquired = static_cast<HResult>(0x8007000C);
inline constexpr HResult kDierrNotExclusiveAcquired = static_cast<HResult>(0x80040205);
inline constexpr HResult kDierrEffectPlaying = static_cast<HResult>(0x80040208);
inline constexpr HResult kDierrUnplugged = static_cast<HResult>(0x80040209);
// A success code: the parameters were kept but could not reach the device,
// which happens only when it is no longer acquired.
inline constexpr HResult kDiDownloadSkipped = 3;
inline constexpr HResult kEFail = static_cast<HResult>(0x80004005);
inline bool failed(HResult hr) { return hr < 0; }

// The name shown in the session log for a DirectInput failure.
const char* hresultName(HResult hr);

// The results of a wheel that is away (unplugged, switched off, its
// connection lost): the device refuses every call until it is back.
inline bool meansWheelAway(HResult hr) {
    return hr == kDierrInputLost || hr == kDierrUnplugged || hr == kDierrNotAcquired ||
           hr == kDierrNotExclusiveAcquired;
}

class WheelPort {
  public:
    virtual ~WheelPort() = default;

    // Opening, in this order, on the engine thread.
    virtual bool createDeviceEvent() = 0; // auto-reset, initially clear
    virtual HResult createDirectInput() = 0;
    virtual HResult createDevice(const DeviceGuid& device) = 0;
    virtual HResult setJoystickDataFormat() = 0;
    virtual HResult setExclusiveBackground(void* window) = 0;
    virtual HResult disableAutoCenter() = 0;
    virtual HResult setEventNotification() = 0; // only when the event exists

    virtual bool hasDevice() const = 0;
    virtual bool hasDeviceEvent() const = 0;
    virtual HResult acquire() = 0;
    virtual HResult unacquire() = 0;

    // The constant-force effect: created with magnitude 0; every update sends
    // only the magnitude and never restarts the effect.
    virtual bool hasEffect() const = 0;
    virtual HResult createEffect() = 0;
    virtual HResult setMagnitude(int32_t magnitude) = 0;
    virtual HResult startEffect() = 0; // one iteration, no flags
    virtual void stopEffect() = 0;

    // The wheel's X axis in the device's raw units.
    virtual HResult readAxisX(int32_t& x) = 0;
    // Waits up to about `timeoutNs` (never much longer, so the output stage
    // keeps its period) or until the engine writes a new force, i.e.
    // `forceWrites` no longer holds `seen`.
    virtual void waitForWork(const std::atomic<uint32_t>& forceWrites, uint32_t seen,
                             int64_t timeoutNs) = 0;
    // True once the device has reported an input change since the last
    // call, so the axis is worth reading (never without a device event).
    virtual bool takeInputReport() = 0;
    // Engine thread, after counting up `forceWrites`: wakes the wait above.
    virtual void wakeOutputThread(const std::atomic<uint32_t>& forceWrites) = 0;
    // The first 32 buttons, bit n for button n held down. A port without
    // buttons reports none.
    virtual HResult readButtons(uint32_t& down) {
        down = 0;
        return kEFail;
    }

    // Stops and releases the effect, unacquires and releases the device,
    // releases DirectInput and closes the event.
    virtual void releaseAll() = 0;

    // The output thread's priority (highest normal on Windows).
    virtual void enterOutputThread() {}
};

} // namespace gripline
