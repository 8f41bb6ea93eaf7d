#include "tools/virtual_wheel/wheel_device_win32.h"

#include "common/qpc_clock_win32.h"
#include "tools/virtual_wheel/virtual_wheel_ids.h"
#include "tools/virtual_wheel/wheel_effect_win32.h"
#include "tools/virtual_wheel/wheel_identity_win32.h"

#include <algorithm>

namespace gripline::wheel {

namespace {

constexpr DWORD kExclusivity = DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE;
constexpr DWORD kForegroundness = DISCL_FOREGROUND | DISCL_BACKGROUND;

bool exactlyOne(DWORD bits) {
    return bits != 0 && (bits & (bits - 1)) == 0;
}

// DirectInput ties an exclusive or foreground device to a window of the
// calling process. (A real one also wants it top-level; tests use a
// message-only window, which needs no display.)
bool ownWindow(HWND window) {
    DWORD process = 0;
    return IsWindow(window) && GetWindowThreadProcessId(window, &process) &&
           process == GetCurrentProcessId();
}

} // namespace

WheelDevice::WheelDevice(std::shared_ptr<WheelSession> session)
    : session_(std::move(session)), bornAfterUnplugs_(session_->unplugs()) {
    axis_.emplace(static_cast<AxisHost&>(*this), RimConstants{});
}

// The axis thread is joined before the line is written, so a test that
// sees "release device" knows the thread has ended. No effect is left:
// each holds a reference on the device.
WheelDevice::~WheelDevice() {
    axis_.reset();
    log().write("release", "device");
}

bool WheelDevice::effectsMayPlayLocked() const {
    return state_.acquired && (state_.cooperativeLevel & DISCL_EXCLUSIVE);
}

void WheelDevice::addEffectLocked(WheelEffect* effect) {
    state_.effects.push_back(effect);
}

void WheelDevice::removeEffectLocked(WheelEffect* effect) {
    std::erase(state_.effects, effect);
}

void WheelDevice::stopEffectsLocked(const WheelEffect* except) {
    for (WheelEffect* effect : state_.effects)
        if (effect != except)
            effect->stopLocked();
}

std::optional<HRESULT> WheelDevice::scriptedFailure(ScriptedCall call) {
    const auto failure = session_->scriptedFailure(call);
    if (failure && losesAcquisition(*failure)) {
        std::scoped_lock lock(mutex_);
        unacquireLocked();
    }
    return failure;
}

bool WheelDevice::wheelGone() {
    return session_->unplugged() || session_->unplugs() != bornAfterUnplugs_;
}

std::optional<HRESULT> WheelDevice::lossFailure() {
    if (!wheelGone())
        return std::nullopt;
    {
        std::scoped_lock lock(mutex_);
        if (!state_.acquired)
            return std::nullopt;
        unacquireLocked();
        state_.lost = true;
    }
    log().write("unplugged");
    return DIERR_INPUTLOST;
}

// Unacquiring stops every effect and takes it off the wheel; the program
// starts (downloads) it again after the next Acquire.
void WheelDevice::unacquireLocked() {
    state_.acquired = false;
    {
        // Under notifyMutex_: once Unacquire returns, no move is signalled.
        std::scoped_lock lock(notifyMutex_);
        signalMoves_.store(false);
    }
    state_.paused = false;
    for (WheelEffect* effect : state_.effects)
        effect->unloadLocked();
}

MotorCommand WheelDevice::motorCommand(int64_t nowNs) {
    std::scoped_lock lock(mutex_);
    return motorCommandLocked(nowNs);
}

MotorCommand WheelDevice::motorCommandLocked(int64_t nowNs) {
    MotorCommand command;
    command.autocentre = state_.properties.autocentre;
    int64_t sum = 0;
    for (WheelEffect* effect : state_.effects) {
        bool playing = false;
        sum += effect->forceLocked(nowNs, playing);
        command.effectPlaying |= playing;
    }
    if (!effectsMayPlayLocked() || state_.paused || !state_.actuatorsOn)
        return command; // the motor is silent; the rim may still coast
    sum = std::clamp<int64_t>(sum, -DI_FFNOMINALMAX, DI_FFNOMINALMAX);
    command.magnitude = static_cast<int32_t>(sum * state_.properties.gain / DI_FFNOMINALMAX);
    return command;
}

// Checked and signalled under notifyMutex_ so that SetEventNotification
// cannot close the handle between the check and SetEvent, and a move the
// axis thread computed just before Unacquire is not signalled after it.
void WheelDevice::axisMoved(int32_t) {
    std::scoped_lock lock(notifyMutex_);
    if (signalMoves_.load() && notifyEvent_)
        SetEvent(notifyEvent_.get());
}

HRESULT WheelDevice::QueryInterface(REFIID riid, void** out) {
    return answer(riid, out, {&IID_IUnknown, &IID_IDirectInputDevice8W});
}

HRESULT WheelDevice::GetCapabilities(LPDIDEVCAPS caps) {
    return copyCapabilities(caps);
}

HRESULT WheelDevice::EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKW callback, LPVOID ref, DWORD flags) {
    if (!callback)
        return DIERR_INVALIDPARAM;
    // The steering axis is the one object: listed for "all", axes or actuators.
    if (flags != DIDFT_ALL && !(flags & (DIDFT_AXIS | DIDFT_FFACTUATOR)))
        return DI_OK;
    DIDEVICEOBJECTINSTANCEW object{};
    object.dwSize = sizeof object;
    {
        std::scoped_lock lock(mutex_);
        copyXAxisObject(&object, state_.format.xAxisOffset().value_or(DIJOFS_X));
    }
    callback(&object, ref);
    return DI_OK;
}

HRESULT WheelDevice::GetProperty(REFGUID property, LPDIPROPHEADER header) {
    std::scoped_lock lock(mutex_);
    return getProperty(state_.properties, property, header, state_.format.xAxisOffset());
}

HRESULT WheelDevice::SetProperty(REFGUID property, LPCDIPROPHEADER header) {
    HRESULT hr;
    {
        std::scoped_lock lock(mutex_);
        hr = setProperty(state_.properties, property, header, state_.format.xAxisOffset());
    }
    if (SUCCEEDED(hr) && isProperty(property, DIPROP_AUTOCENTER))
        log().write("autocenter", reinterpret_cast<const DIPROPDWORD*>(header)->dwData);
    axis_->wake(); // a spring or gain changed: a resting rim may move
    return hr;
}

HRESULT WheelDevice::Acquire() {
    if (const auto failure = scriptedFailure(ScriptedCall::Acquire))
        return *failure;
    if (wheelGone()) {
        std::scoped_lock lock(mutex_);
        if (state_.acquired)
            unacquireLocked();
        state_.lost = false;
        return DIERR_UNPLUGGED;
    }
    {
        std::scoped_lock lock(mutex_);
        if (!state_.format.set())
            return DIERR_INVALIDPARAM; // DirectInput needs a data format first
        if (state_.acquired)
            return S_FALSE;
        state_.acquired = true;
        signalMoves_.store(true);
    }
    log().write("acquire");
    axis_->wake();
    return DI_OK;
}

HRESULT WheelDevice::Unacquire() {
    {
        std::scoped_lock lock(mutex_);
        state_.lost = false;
        if (!state_.acquired)
            return DI_NOEFFECT;
        unacquireLocked();
    }
    log().write("unacquire");
    return DI_OK;
}

HRESULT WheelDevice::GetDeviceState(DWORD size, LPVOID data) {
    if (const auto failure = scriptedFailure(ScriptedCall::GetDeviceState))
        return *failure;
    if (const auto lost = lossFailure())
        return *lost;
    LONG x;
    const uint32_t buttons = session_->buttonsDown(); // outside the lock: reads a file
    {
        std::scoped_lock lock(mutex_);
        if (state_.lost)
            return DIERR_INPUTLOST;
        if (!state_.acquired)
            return DIERR_NOTACQUIRED;
        if (!data || size != state_.format.dataSize())
            return DIERR_INVALIDPARAM;
        x = scaledAxis(state_.properties, axis_->axisRaw());
        state_.format.fill(data, x, buttons);
    }
    log().write("state", x);
    return DI_OK;
}

// Buffered data needs DIPROP_BUFFERSIZE, which the wheel does not offer.
HRESULT WheelDevice::GetDeviceData(DWORD, LPDIDEVICEOBJECTDATA, LPDWORD, DWORD) {
    return DIERR_NOTBUFFERED;
}

HRESULT WheelDevice::SetDataFormat(LPCDIDATAFORMAT format) {
    {
        std::scoped_lock lock(mutex_);
        if (state_.acquired)
            return DIERR_ACQUIRED;
        if (const HRESULT hr = state_.format.assign(format); FAILED(hr))
            return hr;
    }
    log().write("dataformat");
    return DI_OK;
}

// The wheel keeps its own duplicate, so the program may close its handle
// whenever it likes.
HRESULT WheelDevice::SetEventNotification(HANDLE event) {
    HANDLE duplicate = nullptr;
    if (event && !DuplicateHandle(GetCurrentProcess(), event, GetCurrentProcess(), &duplicate, 0,
                                  FALSE, DUPLICATE_SAME_ACCESS))
        return DIERR_INVALIDPARAM;
    ScopedHandle owned(duplicate);
    {
        std::scoped_lock lock(mutex_, notifyMutex_);
        if (state_.acquired)
            return DIERR_ACQUIRED;
        notifyEvent_ = std::move(owned);
    }
    log().write("notify");
    return DI_OK;
}

HRESULT WheelDevice::SetCooperativeLevel(HWND window, DWORD flags) {
    if (!exactlyOne(flags & kExclusivity) || !exactlyOne(flags & kForegroundness) ||
        (flags & ~(kExclusivity | kForegroundness | DISCL_NOWINKEY)) != 0)
        return DIERR_INVALIDPARAM;
    const bool needsWindow = (flags & (DISCL_EXCLUSIVE | DISCL_FOREGROUND)) != 0;
    if (needsWindow && !ownWindow(window))
        return E_HANDLE;
    {
        std::scoped_lock lock(mutex_);
        if (state_.acquired)
            return DIERR_ACQUIRED;
        state_.cooperativeLevel = flags;
    }
    log().write("cooplevel", int64_t{flags});
    return DI_OK;
}

HRESULT WheelDevice::GetObjectInfo(LPDIDEVICEOBJECTINSTANCEW object, DWORD id, DWORD how) {
    if (how != DIPH_BYOFFSET && how != DIPH_BYID)
        return DIERR_INVALIDPARAM;
    std::scoped_lock lock(mutex_);
    const std::optional<DWORD> xOffset = state_.format.xAxisOffset();
    const bool steering =
        (how == DIPH_BYOFFSET && xOffset && id == *xOffset) || (how == DIPH_BYID && id == kXAxisId);
    return steering ? copyXAxisObject(object, xOffset.value_or(DIJOFS_X)) : DIERR_OBJECTNOTFOUND;
}

HRESULT WheelDevice::GetDeviceInfo(LPDIDEVICEINSTANCEW instance) {
    return copyDeviceInstance(instance);
}

HRESULT WheelDevice::RunControlPanel(HWND, DWORD) {
    return DIERR_UNSUPPORTED;
}

HRESULT WheelDevice::Initialize(HINSTANCE, DWORD, REFGUID guid) {
    return IsEqualGUID(guid, kVirtualWheelInstance) ? DI_OK : DIERR_DEVICENOTREG;
}

HRESULT WheelDevice::CreateEffect(REFGUID guid, LPCDIEFFECT parameters, LPDIRECTINPUTEFFECT* out,
                                  LPUNKNOWN outer) {
    if (out)
        *out = nullptr;
    if (const auto failure = scriptedFailure(ScriptedCall::CreateEffect))
        return *failure;
    if (!out)
        return DIERR_INVALIDPARAM;
    if (outer)
        return DIERR_NOAGGREGATION;
    if (!IsEqualGUID(guid, GUID_ConstantForce))
        return DIERR_DEVICENOTREG; // DirectInput's answer for an effect the device lacks
    auto* const effect = new WheelEffect(*this);
    if (const HRESULT hr = effect->takeInitialParameters(parameters); FAILED(hr)) {
        effect->Release();
        return hr;
    }
    *out = effect;
    return DI_OK;
}

HRESULT WheelDevice::EnumEffects(LPDIENUMEFFECTSCALLBACKW callback, LPVOID ref, DWORD type) {
    if (!callback)
        return DIERR_INVALIDPARAM;
    const DWORD kind = DIEFT_GETTYPE(type);
    if (kind != DIEFT_ALL && kind != DIEFT_CONSTANTFORCE)
        return DI_OK;
    DIEFFECTINFOW info{};
    info.dwSize = sizeof info;
    copyConstantForceInfo(&info);
    callback(&info, ref);
    return DI_OK;
}

HRESULT WheelDevice::GetEffectInfo(LPDIEFFECTINFOW info, REFGUID guid) {
    if (!IsEqualGUID(guid, GUID_ConstantForce))
        return DIERR_DEVICENOTREG;
    return copyConstantForceInfo(info);
}

HRESULT WheelDevice::GetForceFeedbackState(LPDWORD state) {
    if (!state)
        return DIERR_INVALIDPARAM;
    std::scoped_lock lock(mutex_);
    if (!effectsMayPlayLocked())
        return DIERR_NOTEXCLUSIVEACQUIRED;
    const bool empty = std::none_of(state_.effects.begin(), state_.effects.end(),
                                    [](const WheelEffect* e) { return e->downloadedLocked(); });
    const MotorCommand command = motorCommandLocked(qpcClock().nowNs());
    *state = (empty ? DIGFFS_EMPTY : 0) | (command.effectPlaying ? 0 : DIGFFS_STOPPED) |
             (state_.paused ? DIGFFS_PAUSED : 0) |
             (state_.actuatorsOn ? DIGFFS_ACTUATORSON : DIGFFS_ACTUATORSOFF) | DIGFFS_POWERON |
             DIGFFS_SAFETYSWITCHON | DIGFFS_USERFFSWITCHON;
    return DI_OK;
}

HRESULT WheelDevice::SendForceFeedbackCommand(DWORD command) {
    HRESULT hr;
    {
        std::scoped_lock lock(mutex_);
        hr = forceFeedbackCommandLocked(command);
    }
    axis_->wake();
    return hr;
}

HRESULT WheelDevice::forceFeedbackCommandLocked(DWORD command) {
    if (!exactlyOne(command))
        return DIERR_INVALIDPARAM;
    if (!effectsMayPlayLocked())
        return DIERR_NOTEXCLUSIVEACQUIRED;
    switch (command) {
    case DISFFC_RESET:
        for (WheelEffect* effect : state_.effects)
            effect->unloadLocked();
        state_.paused = false;
        state_.actuatorsOn = true;
        return DI_OK;
    case DISFFC_STOPALL:
        stopEffectsLocked();
        return DI_OK;
    case DISFFC_PAUSE:
    case DISFFC_CONTINUE:
        state_.paused = command == DISFFC_PAUSE;
        return DI_OK;
    case DISFFC_SETACTUATORSON:
    case DISFFC_SETACTUATORSOFF:
        state_.actuatorsOn = command == DISFFC_SETACTUATORSON;
        return DI_OK;
    default:
        return DIERR_INVALIDPARAM;
    }
}

// The callback gets each effect with a reference of its own, taken under
// the lock, so it may release effects while we walk the list.
HRESULT WheelDevice::EnumCreatedEffectObjects(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK callback,
                                              LPVOID ref, DWORD flags) {
    if (!callback || flags != 0)
        return DIERR_INVALIDPARAM;
    std::vector<WheelEffect*> effects;
    {
        std::scoped_lock lock(mutex_);
        effects = state_.effects;
        for (WheelEffect* effect : effects)
            effect->AddRef();
    }
    bool more = true;
    for (WheelEffect* effect : effects) {
        if (more)
            more = callback(effect, ref) != DIENUM_STOP;
        effect->Release();
    }
    return DI_OK;
}

HRESULT WheelDevice::Escape(LPDIEFFESCAPE) {
    return DIERR_UNSUPPORTED;
}

// The wheel reports by itself (an interrupt device): polling has nothing to do.
HRESULT WheelDevice::Poll() {
    if (const auto lost = lossFailure())
        return *lost;
    std::scoped_lock lock(mutex_);
    if (state_.lost)
        return DIERR_INPUTLOST;
    return state_.acquired ? DI_NOEFFECT : DIERR_NOTACQUIRED;
}

HRESULT WheelDevice::SendDeviceData(DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD, DWORD) {
    return DIERR_UNSUPPORTED;
}

HRESULT WheelDevice::EnumEffectsInFile(LPCWSTR, LPDIENUMEFFECTSINFILECALLBACK, LPVOID, DWORD) {
    return DIERR_UNSUPPORTED;
}

HRESULT WheelDevice::WriteEffectToFile(LPCWSTR, DWORD, LPDIFILEEFFECT, DWORD) {
    return DIERR_UNSUPPORTED;
}

HRESULT WheelDevice::BuildActionMap(LPDIACTIONFORMATW, LPCWSTR, DWORD) {
    return DIERR_UNSUPPORTED;
}

HRESULT WheelDevice::SetActionMap(LPDIACTIONFORMATW, LPCWSTR, DWORD) {
    return DIERR_UNSUPPORTED;
}

HRESULT WheelDevice::GetImageInfo(LPDIDEVICEIMAGEINFOHEADERW) {
    return DIERR_UNSUPPORTED;
}

} // namespace gripline::wheel
