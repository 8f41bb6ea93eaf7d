#pragma once
// The virtual wheel as IDirectInputDevice8W: data format, cooperative
// level, acquisition, properties, the state carrying the rim's lX, and the
// effects it plays. The program may call it from any thread; its axis
// thread turns the rim and signals the program's event when lX changes.
#include "tools/virtual_wheel/axis_thread_win32.h"
#include "tools/virtual_wheel/com_object_win32.h"
#include "tools/virtual_wheel/device_properties_win32.h"
#include "tools/virtual_wheel/joystick_format_win32.h"
#include "tools/virtual_wheel/wheel_session_win32.h"

#include <dinput.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace gripline::wheel {

class WheelEffect;

class WheelDevice final : public ComObject<IDirectInputDevice8W>, private AxisHost {
  public:
    explicit WheelDevice(std::shared_ptr<WheelSession> session);

    // For the device's effects.
    std::unique_lock<std::mutex> lock() { return std::unique_lock(mutex_); }
    // Effects play only while the device is acquired at the exclusive level.
    bool effectsMayPlayLocked() const;
    std::optional<DWORD> xAxisOffsetLocked() const { return state_.format.xAxisOffset(); }
    void addEffectLocked(WheelEffect* effect);
    void removeEffectLocked(WheelEffect* effect);
    void stopEffectsLocked(const WheelEffect* except = nullptr);
    // The failure scripted for `call`; a code that means a lost wheel also
    // leaves the device unacquired.
    std::optional<HRESULT> scriptedFailure(ScriptedCall call);
    // A call on an acquired device whose wheel is gone (unplugged now or
    // since the device was made): DIERR_INPUTLOST, and the device is lost.
    std::optional<HRESULT> lossFailure();
    WheelLog& log() { return session_->log(); }
    void wakeAxis() { axis_->wake(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    HRESULT STDMETHODCALLTYPE GetCapabilities(LPDIDEVCAPS caps) override;
    HRESULT STDMETHODCALLTYPE EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKW callback, LPVOID ref,
                                          DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetProperty(REFGUID property, LPDIPROPHEADER header) override;
    HRESULT STDMETHODCALLTYPE SetProperty(REFGUID property, LPCDIPROPHEADER header) override;
    HRESULT STDMETHODCALLTYPE Acquire() override;
    HRESULT STDMETHODCALLTYPE Unacquire() override;
    HRESULT STDMETHODCALLTYPE GetDeviceState(DWORD size, LPVOID data) override;
    HRESULT STDMETHODCALLTYPE GetDeviceData(DWORD, LPDIDEVICEOBJECTDATA, LPDWORD, DWORD) override;
    HRESULT STDMETHODCALLTYPE SetDataFormat(LPCDIDATAFORMAT format) override;
    HRESULT STDMETHODCALLTYPE SetEventNotification(HANDLE event) override;
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetObjectInfo(LPDIDEVICEOBJECTINSTANCEW object, DWORD id,
                                            DWORD how) override;
    HRESULT STDMETHODCALLTYPE GetDeviceInfo(LPDIDEVICEINSTANCEW instance) override;
    HRESULT STDMETHODCALLTYPE RunControlPanel(HWND, DWORD) override;
    HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD, REFGUID guid) override;
    HRESULT STDMETHODCALLTYPE CreateEffect(REFGUID guid, LPCDIEFFECT parameters,
                                           LPDIRECTINPUTEFFECT* out, LPUNKNOWN outer) override;
    HRESULT STDMETHODCALLTYPE EnumEffects(LPDIENUMEFFECTSCALLBACKW callback, LPVOID ref,
                                          DWORD type) override;
    HRESULT STDMETHODCALLTYPE GetEffectInfo(LPDIEFFECTINFOW info, REFGUID guid) override;
    HRESULT STDMETHODCALLTYPE GetForceFeedbackState(LPDWORD state) override;
    HRESULT STDMETHODCALLTYPE SendForceFeedbackCommand(DWORD command) override;
    HRESULT STDMETHODCALLTYPE EnumCreatedEffectObjects(
        LPDIENUMCREATEDEFFECTOBJECTSCALLBACK callback, LPVOID ref, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Escape(LPDIEFFESCAPE) override;
    HRESULT STDMETHODCALLTYPE Poll() override;
    HRESULT STDMETHODCALLTYPE SendDeviceData(DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD, DWORD) override;
    HRESULT STDMETHODCALLTYPE EnumEffectsInFile(LPCWSTR, LPDIENUMEFFECTSINFILECALLBACK, LPVOID,
                                                DWORD) override;
    HRESULT STDMETHODCALLTYPE WriteEffectToFile(LPCWSTR, DWORD, LPDIFILEEFFECT, DWORD) override;
    HRESULT STDMETHODCALLTYPE BuildActionMap(LPDIACTIONFORMATW, LPCWSTR, DWORD) override;
    HRESULT STDMETHODCALLTYPE SetActionMap(LPDIACTIONFORMATW, LPCWSTR, DWORD) override;
    HRESULT STDMETHODCALLTYPE GetImageInfo(LPDIDEVICEIMAGEINFOHEADERW) override;

  private:
    ~WheelDevice() override;
    MotorCommand motorCommand(int64_t nowNs) override;
    MotorCommand motorCommandLocked(int64_t nowNs);
    void axisMoved(int32_t raw) override;
    void unacquireLocked();
    bool wheelGone();
    HRESULT forceFeedbackCommandLocked(DWORD command);

    // Guarded by mutex_: taken by the program's threads and the axis thread.
    struct State {
        bool acquired = false;
        DWORD cooperativeLevel = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
        JoystickFormat format;
        DeviceProperties properties;
        bool paused = false;
        bool actuatorsOn = true;
        bool lost = false; // unacquired by an unplug, until the next Acquire or Unacquire
        std::vector<WheelEffect*> effects; // each adds and removes itself
    };

    std::shared_ptr<WheelSession> session_;
    const uint64_t bornAfterUnplugs_; // the session's unplug count when made
    std::mutex mutex_;
    State state_;
    // Apart from the state so that signalling never holds up the program's
    // calls: SetEvent is a round trip to the wineserver, and a program
    // thread woken by it would otherwise wait for our lock at once.
    std::atomic<bool> signalMoves_{false}; // acquired, mirrored for the axis thread
    std::mutex notifyMutex_;
    ScopedHandle notifyEvent_; // guarded by notifyMutex_: our duplicate of the program's event
    // Started last in the constructor and stopped first in the destructor:
    // it reads everything above.
    std::optional<AxisThread> axis_;
};

} // namespace gripline::wheel
