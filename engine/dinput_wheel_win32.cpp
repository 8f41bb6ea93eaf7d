#include "engine/dinput_wheel_win32.h"

#include "common/qpc_clock_win32.h"
#include "common/word_wait_win32.h"

#include <algorithm>
#include <cstring>

namespace gripline {

namespace {

DeviceGuid toDeviceGuid(const GUID& guid) {
    DeviceGuid out;
    static_assert(sizeof(GUID) == 16);
    std::memcpy(out.bytes.data(), &guid, 16);
    return out;
}

GUID toGuid(const DeviceGuid& device) {
    GUID guid;
    std::memcpy(&guid, device.bytes.data(), 16);
    return guid;
}

BOOL CALLBACK appendDevice(LPCDIDEVICEINSTANCEW instance, LPVOID list) {
    static_cast<std::vector<FfbDeviceEntry>*>(list)->push_back(
        {toDeviceGuid(instance->guidInstance), instance->tszProductName});
    return DIENUM_CONTINUE;
}

HResult createInterface(ComRef<IDirectInput8W>& directInput) {
    return DirectInput8Create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8W,
                              reinterpret_cast<void**>(directInput.put()), nullptr);
}

} // namespace

std::vector<FfbDeviceEntry> enumerateDevices() {
    return lookForDevices().value_or(std::vector<FfbDeviceEntry>{});
}

std::optional<std::vector<FfbDeviceEntry>> lookForDevices() {
    std::vector<FfbDeviceEntry> devices;
    ComRef<IDirectInput8W> directInput;
    if (FAILED(createInterface(directInput)))
        return std::nullopt;
    if (FAILED(directInput->EnumDevices(DI8DEVCLASS_GAMECTRL, appendDevice, &devices,
                                        DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK)))
        return std::nullopt;
    return devices;
}

DirectInputWheel::DirectInputWheel() {
    effectParams_.dwSize = sizeof(DIEFFECT);
    effectParams_.dwFlags = DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS;
    effectParams_.dwDuration = INFINITE;
    effectParams_.dwSamplePeriod = 0;
    effectParams_.dwGain = DI_FFNOMINALMAX;
    effectParams_.dwTriggerButton = DIEB_NOTRIGGER;
    effectParams_.dwTriggerRepeatInterval = 0;
    effectParams_.cAxes = 1;
    effectParams_.rgdwAxes = axes_;
    effectParams_.rglDirection = direction_;
    effectParams_.lpEnvelope = nullptr;
    effectParams_.cbTypeSpecificParams = sizeof(DICONSTANTFORCE);
    effectParams_.lpvTypeSpecificParams = &constantForce_;
    effectParams_.dwStartDelay = 0;
}

bool DirectInputWheel::createDeviceEvent() {
    deviceEvent_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    return hasDeviceEvent();
}

HResult DirectInputWheel::createDirectInput() {
    return createInterface(directInput_);
}

HResult DirectInputWheel::createDevice(const DeviceGuid& device) {
    if (!directInput_)
        return E_POINTER;
    const GUID instance = toGuid(device);
    HResult hr = directInput_->CreateDevice(instance, device_.put(), nullptr);
    if (hr == DIERR_DEVICENOTREG && IsEqualGUID(instance, openedInstance_))
        hr = createReplacement(instance);
    if (SUCCEEDED(hr)) {
        DIDEVICEINSTANCEW info{};
        info.dwSize = sizeof(info);
        if (SUCCEEDED(device_->GetDeviceInfo(&info))) {
            openedInstance_ = instance; // the one asked for: the engine keeps asking for it
            openedProduct_ = info.guidProduct;
        }
    }
    return hr;
}

// The wheel opened last is not there under its instance: the first
// attached force-feedback controller of the same product stands in for it.
HResult DirectInputWheel::createReplacement(const GUID& instance) {
    struct Search {
        GUID product;
        std::optional<GUID> found;
    } search{openedProduct_, std::nullopt};
    directInput_->EnumDevices(
        DI8DEVCLASS_GAMECTRL,
        [](LPCDIDEVICEINSTANCEW d, LPVOID context) -> BOOL {
            auto* s = static_cast<Search*>(context);
            if (!IsEqualGUID(d->guidProduct, s->product))
                return DIENUM_CONTINUE;
            s->found = d->guidInstance;
            return DIENUM_STOP;
        },
        &search, DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK);
    if (!search.found || IsEqualGUID(*search.found, instance))
        return DIERR_DEVICENOTREG;
    return directInput_->CreateDevice(*search.found, device_.put(), nullptr);
}

HResult DirectInputWheel::setJoystickDataFormat() {
    return device_ ? device_->SetDataFormat(&c_dfDIJoystick) : E_POINTER;
}

HResult DirectInputWheel::setExclusiveBackground(void* window) {
    return device_ ? device_->SetCooperativeLevel(static_cast<HWND>(window),
                                                  DISCL_EXCLUSIVE | DISCL_BACKGROUND)
                   : E_POINTER;
}

HResult DirectInputWheel::disableAutoCenter() {
    if (!device_)
        return E_POINTER;
    DIPROPDWORD property{};
    property.diph.dwSize = sizeof(DIPROPDWORD);
    property.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    property.diph.dwObj = 0;
    property.diph.dwHow = DIPH_DEVICE;
    property.dwData = DIPROPAUTOCENTER_OFF;
    return device_->SetProperty(DIPROP_AUTOCENTER, &property.diph);
}

HResult DirectInputWheel::setEventNotification() {
    return device_ ? device_->SetEventNotification(deviceEvent_.get()) : E_POINTER;
}

HResult DirectInputWheel::acquire() {
    return device_ ? device_->Acquire() : E_POINTER;
}

HResult DirectInputWheel::unacquire() {
    return device_ ? device_->Unacquire() : E_POINTER;
}

HResult DirectInputWheel::createEffect() {
    if (!device_)
        return E_POINTER;
    constantForce_.lMagnitude = 0;
    return device_->CreateEffect(GUID_ConstantForce, &effectParams_, effect_.put(), nullptr);
}

// The device boundary: whatever the caller computed, the wheel only ever
// receives a magnitude inside full scale.
HResult DirectInputWheel::setMagnitude(int32_t magnitude) {
    if (!effect_)
        return E_POINTER;
    constantForce_.lMagnitude = std::clamp<LONG>(magnitude, -DI_FFNOMINALMAX, DI_FFNOMINALMAX);
    return effect_->SetParameters(&effectParams_, DIEP_TYPESPECIFICPARAMS | DIEP_NORESTART);
}

HResult DirectInputWheel::startEffect() {
    if (!effect_)
        return E_POINTER;
    const HResult hr = effect_->Start(1, 0);
    playing_ = playing_ || SUCCEEDED(hr);
    return hr;
}

// A HID wheel receives every Stop as an Effect Operation report: only an
// effect we started is stopped, once. (The disable path, a reacquire and the
// release each asked for one, so a wheel got three in a row at Stop.)
void DirectInputWheel::stopEffect() {
    if (effect_ && playing_)
        effect_->Stop();
    playing_ = false;
}

// One read of the device's state for the axis and the buttons alike.
HResult DirectInputWheel::readState(DIJOYSTATE& state) {
    state = DIJOYSTATE{};
    return device_ ? device_->GetDeviceState(sizeof state, &state) : E_POINTER;
}

HResult DirectInputWheel::readAxisX(int32_t& x) {
    DIJOYSTATE state;
    const HResult hr = readState(state);
    if (SUCCEEDED(hr))
        x = state.lX;
    return hr;
}

// The output thread sleeps on the force word, not on an event: the engine's
// wake reaches it in microseconds, and its time-out is precise where an
// event's is rounded up to whole milliseconds. The time-out is aimed early
// by the lateness it has shown, so an unchanged force is still re-sent at
// least once a millisecond. The device event is looked at, not waited on:
// input that arrives during a wait is read on the next loop, within 1 ms.
void DirectInputWheel::waitForWork(const std::atomic<uint32_t>& forceWrites, uint32_t seen,
                                   int64_t timeoutNs) {
    const int64_t start = qpcClock().nowNs();
    const int64_t asked = timeoutNs - periodMargin_.marginNs();
    waitForWordChange(forceWrites, seen, asked);
    if (forceWrites.load() == seen)
        periodMargin_.note(qpcClock().nowNs() - start - asked);
}

// Under Wine a look at an event is a round trip to the wineserver (tens of
// µs on a busy machine), which is why the output stage makes it after
// sending a new force, not before.
bool DirectInputWheel::takeInputReport() {
    return deviceEvent_ && WaitForSingleObject(deviceEvent_.get(), 0) == WAIT_OBJECT_0;
}

void DirectInputWheel::wakeOutputThread(const std::atomic<uint32_t>& forceWrites) {
    wakeWordWaiter(forceWrites);
}

HResult DirectInputWheel::readButtons(uint32_t& down) {
    down = 0;
    DIJOYSTATE state;
    const HResult hr = readState(state);
    if (SUCCEEDED(hr))
        for (int i = 0; i < 32; ++i)
            if (state.rgbButtons[i] & 0x80)
                down |= 1u << i;
    return hr;
}

// Unload stops a playing effect and frees its place on the device in one
// step; releasing the effect then sends nothing more. (DirectInput unloads a
// released effect by itself, Wine's with a Stop whether it plays or not.)
void DirectInputWheel::releaseAll() {
    if (effect_ && playing_)
        effect_->Unload();
    playing_ = false;
    effect_.reset();
    if (device_)
        device_->Unacquire();
    device_.reset();
    directInput_.reset();
    deviceEvent_.reset();
}

void DirectInputWheel::enterOutputThread() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
}

} // namespace gripline
