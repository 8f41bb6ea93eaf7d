#include "tools/virtual_wheel/wheel_effect_win32.h"

#include "common/qpc_clock_win32.h"
#include "tools/virtual_wheel/wheel_device_win32.h"

#include <algorithm>
#include <limits>

namespace gripline::wheel {

namespace {

constexpr int64_t kForever = std::numeric_limits<int64_t>::max();

int64_t nowNs() {
    return qpcClock().nowNs();
}

// The magnitude exactly as the program sent it (before clamping), for the
// log: a test should see an out-of-range value, not our correction.
std::optional<LONG> sentMagnitude(const DIEFFECT* effect, DWORD flags) {
    if (!(flags & DIEP_TYPESPECIFICPARAMS))
        return std::nullopt;
    return static_cast<const DICONSTANTFORCE*>(effect->lpvTypeSpecificParams)->lMagnitude;
}

// How long `iterations` plays of a `durationUs` effect last, in ns;
// kForever for an infinite effect.
int64_t playTimeNs(DWORD durationUs, DWORD iterations) {
    if (durationUs == INFINITE || iterations == INFINITE)
        return kForever;
    return int64_t{durationUs} * iterations * kNsPerUs; // < 2⁶⁴ µs·ns: fits
}

} // namespace

WheelEffect::WheelEffect(WheelDevice& device) : device_(device) {
    device_.AddRef();
    auto lock = device_.lock();
    device_.addEffectLocked(this);
}

WheelEffect::~WheelEffect() {
    {
        auto lock = device_.lock();
        device_.removeEffectLocked(this);
    }
    device_.log().write("release", "effect");
    device_.Release(); // last: may free the device
}

HRESULT WheelEffect::takeInitialParameters(const DIEFFECT* effect) {
    std::optional<LONG> sent;
    if (effect) {
        const DWORD all = effect->dwSize == sizeof(DIEFFECT) ? DIEP_ALLPARAMS : DIEP_ALLPARAMS_DX5;
        auto lock = device_.lock();
        const HRESULT hr =
            applyEffectParameters(effect, all, device_.xAxisOffsetLocked(), parameters_);
        if (FAILED(hr))
            return hr;
        // Created on an acquired wheel, the effect goes straight onto it.
        if (device_.effectsMayPlayLocked()) {
            onDevice_ = parameters_;
            sent = sentMagnitude(effect, all);
        }
    }
    if (sent)
        device_.log().write("effect", *sent);
    else
        device_.log().write("effect");
    return DI_OK;
}

int32_t WheelEffect::forceLocked(int64_t nowNs, bool& playing) {
    playing = playingLocked(nowNs);
    if (!playing || nowNs < playFromNs_)
        return 0;
    return static_cast<int32_t>(int64_t{onDevice_->magnitude} * onDevice_->gain / DI_FFNOMINALMAX);
}

// A finite effect stops by itself once its time is up.
bool WheelEffect::playingLocked(int64_t nowNs) {
    if (playing_ && nowNs >= playUntilNs_)
        playing_ = false;
    return playing_;
}

void WheelEffect::unloadLocked() {
    playing_ = false;
    onDevice_.reset();
}

void WheelEffect::startLocked(DWORD iterations) {
    playing_ = true;
    playFromNs_ = nowNs() + int64_t{onDevice_->startDelayUs} * kNsPerUs;
    const int64_t lengthNs = playTimeNs(onDevice_->durationUs, iterations);
    playUntilNs_ = lengthNs >= kForever - playFromNs_ ? kForever : playFromNs_ + lengthNs;
}

HRESULT WheelEffect::QueryInterface(REFIID riid, void** out) {
    return answer(riid, out, {&IID_IUnknown, &IID_IDirectInputEffect});
}

HRESULT WheelEffect::Initialize(HINSTANCE, DWORD, REFGUID) {
    return DI_OK;
}

HRESULT WheelEffect::GetEffectGuid(LPGUID guid) {
    if (!guid)
        return DIERR_INVALIDPARAM;
    *guid = GUID_ConstantForce;
    return DI_OK;
}

HRESULT WheelEffect::GetParameters(LPDIEFFECT effect, DWORD flags) {
    auto lock = device_.lock();
    return readEffectParameters(parameters_, effect, flags);
}

// The program's update path, called at the output rate: parameters are
// kept even when the wheel cannot take them (DirectInput's
// DI_DOWNLOADSKIPPED), and only a force that reached the wheel is logged.
HRESULT WheelEffect::SetParameters(LPCDIEFFECT effect, DWORD flags) {
    if (const auto failure = device_.scriptedFailure(ScriptedCall::SetParameters))
        return *failure;
    if (const auto lost = device_.lossFailure())
        return *lost;
    HRESULT hr;
    bool reachedWheel = false;
    {
        auto lock = device_.lock();
        hr = applyEffectParameters(effect, flags, device_.xAxisOffsetLocked(), parameters_);
        if (FAILED(hr))
            return hr;
        hr = downloadAfterSetLocked(flags, hr);
        reachedWheel = hr == DI_OK || hr == DI_TRUNCATED;
    }
    if (reachedWheel) {
        if (const auto sent = sentMagnitude(effect, flags))
            device_.log().write("magnitude", *sent);
        if (flags & DIEP_START)
            device_.log().write("start");
    }
    device_.wakeAxis();
    return hr;
}

HRESULT WheelEffect::downloadAfterSetLocked(DWORD flags, HRESULT setResult) {
    if ((flags & DIEP_NODOWNLOAD) || !device_.effectsMayPlayLocked())
        return DI_DOWNLOADSKIPPED;
    if (!parameters_.complete())
        return DIERR_INCOMPLETEEFFECT;
    onDevice_ = parameters_;
    if (flags & DIEP_START)
        startLocked(1);
    return setResult;
}

HRESULT WheelEffect::Start(DWORD iterations, DWORD flags) {
    if (const auto failure = device_.scriptedFailure(ScriptedCall::Start))
        return *failure;
    if (const auto lost = device_.lossFailure())
        return *lost;
    if (iterations == 0 || (flags & ~(DIES_SOLO | DIES_NODOWNLOAD)) != 0)
        return DIERR_INVALIDPARAM;
    {
        auto lock = device_.lock();
        if (!device_.effectsMayPlayLocked())
            return DIERR_NOTEXCLUSIVEACQUIRED;
        if (!parameters_.complete())
            return DIERR_INCOMPLETEEFFECT;
        if (!(flags & DIES_NODOWNLOAD))
            onDevice_ = parameters_;
        else if (!onDevice_)
            return DIERR_NOTDOWNLOADED;
        if (flags & DIES_SOLO)
            device_.stopEffectsLocked(this);
        startLocked(iterations);
    }
    device_.log().write("start");
    device_.wakeAxis();
    return DI_OK;
}

HRESULT WheelEffect::Stop() {
    if (const auto lost = device_.lossFailure())
        return *lost;
    {
        auto lock = device_.lock();
        if (!device_.effectsMayPlayLocked())
            return DIERR_NOTEXCLUSIVEACQUIRED;
        playing_ = false;
    }
    device_.log().write("stop");
    return DI_OK;
}

HRESULT WheelEffect::GetEffectStatus(LPDWORD status) {
    if (!status)
        return DIERR_INVALIDPARAM;
    auto lock = device_.lock();
    *status = playingLocked(nowNs()) ? DIEGES_PLAYING : 0;
    return DI_OK;
}

HRESULT WheelEffect::Download() {
    auto lock = device_.lock();
    if (!device_.effectsMayPlayLocked())
        return DIERR_NOTEXCLUSIVEACQUIRED;
    if (!parameters_.complete())
        return DIERR_INCOMPLETEEFFECT;
    if (onDevice_ == parameters_)
        return S_FALSE; // already there
    onDevice_ = parameters_;
    return DI_OK;
}

HRESULT WheelEffect::Unload() {
    auto lock = device_.lock();
    if (!device_.effectsMayPlayLocked())
        return DIERR_NOTEXCLUSIVEACQUIRED;
    unloadLocked();
    return DI_OK;
}

HRESULT WheelEffect::Escape(LPDIEFFESCAPE) {
    return DIERR_UNSUPPORTED;
}

} // namespace gripline::wheel
