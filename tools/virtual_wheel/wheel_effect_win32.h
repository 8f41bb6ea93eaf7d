#pragma once
// A constant-force effect on the virtual wheel (IDirectInputEffect). It
// holds a reference on its device, and its state is guarded by the
// device's lock, which the device also takes to sum the playing forces.
#include "tools/virtual_wheel/com_object_win32.h"
#include "tools/virtual_wheel/effect_parameters_win32.h"

#include <cstdint>
#include <optional>

namespace gripline::wheel {

class WheelDevice;

class WheelEffect final : public ComObject<IDirectInputEffect> {
  public:
    explicit WheelEffect(WheelDevice& device);

    // CreateEffect's parameters (none: set later); logs "effect".
    HRESULT takeInitialParameters(const DIEFFECT* effect);

    // Called by the device with its lock held.
    // The force this effect plays now (magnitude units, after its gain);
    // `playing` says whether it is playing at all, even at zero force.
    int32_t forceLocked(int64_t nowNs, bool& playing);
    void stopLocked() { playing_ = false; }
    // The device was unacquired or reset: stopped and no longer on it.
    void unloadLocked();
    bool downloadedLocked() const { return onDevice_.has_value(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD, REFGUID) override;
    HRESULT STDMETHODCALLTYPE GetEffectGuid(LPGUID guid) override;
    HRESULT STDMETHODCALLTYPE GetParameters(LPDIEFFECT effect, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE SetParameters(LPCDIEFFECT effect, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Start(DWORD iterations, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE GetEffectStatus(LPDWORD status) override;
    HRESULT STDMETHODCALLTYPE Download() override;
    HRESULT STDMETHODCALLTYPE Unload() override;
    HRESULT STDMETHODCALLTYPE Escape(LPDIEFFESCAPE) override;

  private:
    ~WheelEffect() override;
    HRESULT downloadAfterSetLocked(DWORD flags, HRESULT setResult);
    void startLocked(DWORD iterations);
    bool playingLocked(int64_t nowNs);

    WheelDevice& device_; // referenced from construction to destruction

    // Guarded by the device's lock.
    ConstantForceParameters parameters_;              // as the program set them
    std::optional<ConstantForceParameters> onDevice_; // as downloaded to the wheel
    bool playing_ = false;
    int64_t playFromNs_ = 0;  // start plus start delay
    int64_t playUntilNs_ = 0; // INT64_MAX: until stopped
};

} // namespace gripline::wheel
