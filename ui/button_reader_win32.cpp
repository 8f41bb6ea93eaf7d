#include "ui/button_reader_win32.h"

#include <cstring>
#include <iterator>

namespace gripline {

namespace {

DeviceGuid toDeviceGuid(const GUID& guid) {
    DeviceGuid out;
    std::memcpy(out.bytes.data(), &guid, 16);
    return out;
}

struct Found {
    GUID guid;
    std::wstring product;
};

BOOL CALLBACK appendController(LPCDIDEVICEINSTANCEW instance, LPVOID list) {
    static_cast<std::vector<Found>*>(list)->push_back(
        {instance->guidInstance, instance->tszProductName});
    return DIENUM_CONTINUE;
}

// One read, acquiring the device again when it was lost (another program
// took the focus, the device was re-plugged).
bool readState(IDirectInputDevice8W* device, DWORD size, void* data) {
    device->Poll(); // polled devices need it; the others answer DI_NOEFFECT
    HRESULT hr = device->GetDeviceState(size, data);
    if (hr == DIERR_INPUTLOST || hr == DIERR_NOTACQUIRED) {
        device->Acquire();
        hr = device->GetDeviceState(size, data);
    }
    return SUCCEEDED(hr);
}

} // namespace

void ButtonReader::open(HWND window, const std::optional<DeviceGuid>& held) {
    close();
    if (FAILED(DirectInput8Create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION,
                                  IID_IDirectInput8W,
                                  reinterpret_cast<void**>(directInput_.put()), nullptr)))
        return;
    std::vector<Found> found;
    directInput_->EnumDevices(DI8DEVCLASS_GAMECTRL, appendController, &found, DIEDFL_ATTACHEDONLY);
    for (const Found& f : found)
        if (!held || toDeviceGuid(f.guid) != *held)
            add(window, f.guid, f.product, false);
    add(window, GUID_SysKeyboard, L"Keyboard", true);
}

// A device that refuses any step is left out; the others still count.
void ButtonReader::add(HWND window, const GUID& guid, const std::wstring& product, bool keyboard) {
    auto device = std::make_unique<ComRef<IDirectInputDevice8W>>();
    if (FAILED(directInput_->CreateDevice(guid, device->put(), nullptr)))
        return;
    IDirectInputDevice8W* d = device->get();
    if (FAILED(d->SetDataFormat(keyboard ? &c_dfDIKeyboard : &c_dfDIJoystick)) ||
        FAILED(d->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND)))
        return;
    d->Acquire(); // again at each poll when lost
    devices_.push_back({toDeviceGuid(guid), product, keyboard, std::move(device)});
}

void ButtonReader::close() {
    devices_.clear(); // each device unacquires as it is released
    directInput_.reset();
}

std::vector<PolledDevice> ButtonReader::poll() {
    std::vector<PolledDevice> states;
    for (Device& d : devices_) {
        // A keyboard's state is a byte per key, a joystick's its DIJOYSTATE,
        // whose buttons are 32 bytes at rgbButtons.
        DIJOYSTATE joy{};
        BYTE keys[256] = {};
        BYTE* buttons = d.keyboard ? keys : joy.rgbButtons;
        const size_t count = d.keyboard ? std::size(keys) : std::size(joy.rgbButtons);
        if (!readState(d.device->get(), d.keyboard ? sizeof keys : sizeof joy,
                       d.keyboard ? static_cast<void*>(keys) : static_cast<void*>(&joy)))
            continue;
        PolledDevice state{d.guid, d.product, {}};
        for (size_t i = 0; i < count; ++i)
            state.down[i] = (buttons[i] & 0x80) != 0;
        states.push_back(state);
    }
    return states;
}

std::vector<AttachedDevice> ButtonReader::attached() const {
    std::vector<AttachedDevice> list;
    for (const Device& d : devices_)
        list.push_back({d.guid, d.product});
    return list;
}

// Keys by the name the keyboard layout gives their scan code (DirectInput's
// key codes are scan codes; those above 0x80 are the extended ones).
std::wstring ButtonReader::buttonName(const DeviceGuid& device, int32_t button) const {
    for (const Device& d : devices_)
        if (d.guid == device && d.keyboard) {
            const LONG scan = ((button & 0x7F) << 16) | ((button & 0x80) ? (1 << 24) : 0);
            wchar_t name[64] = {};
            if (GetKeyNameTextW(scan, name, 64) > 0)
                return name;
            return L"Key " + std::to_wstring(button);
        }
    return L"Button " + std::to_wstring(button + 1);
}

} // namespace gripline
