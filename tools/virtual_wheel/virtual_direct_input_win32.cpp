#include "tools/virtual_wheel/virtual_direct_input_win32.h"

#include "tools/virtual_wheel/virtual_wheel_ids.h"
#include "tools/virtual_wheel/wheel_device_win32.h"
#include "tools/virtual_wheel/wheel_identity_win32.h"

namespace gripline::wheel {

HRESULT checkCreateArguments(HINSTANCE instance, DWORD version) {
    if (version < 0x0800)
        return DIERR_OLDDIRECTINPUTVERSION;
    if (version > 0x0800)
        return DIERR_BETADIRECTINPUTVERSION;
    return instance ? DI_OK : DIERR_INVALIDPARAM;
}

VirtualDirectInput::VirtualDirectInput(std::shared_ptr<WheelSession> session)
    : session_(std::move(session)) {}

VirtualDirectInput::~VirtualDirectInput() {
    session_->log().write("release", "dinput");
}

HRESULT VirtualDirectInput::QueryInterface(REFIID riid, void** out) {
    return answer(riid, out, {&IID_IUnknown, &IID_IDirectInput8W});
}

HRESULT VirtualDirectInput::CreateDevice(REFGUID guid, LPDIRECTINPUTDEVICE8W* out,
                                         LPUNKNOWN outer) {
    if (out)
        *out = nullptr;
    if (const auto failure = session_->scriptedFailure(ScriptedCall::CreateDevice))
        return *failure;
    if (!out)
        return DIERR_INVALIDPARAM;
    if (outer)
        return DIERR_NOAGGREGATION;
    if (!IsEqualGUID(guid, kVirtualWheelInstance) || session_->unplugged())
        return DIERR_DEVICENOTREG;
    *out = new WheelDevice(session_);
    session_->log().write("device");
    return DI_OK;
}

HRESULT VirtualDirectInput::EnumDevices(DWORD devType, LPDIENUMDEVICESCALLBACKW callback,
                                        LPVOID ref, DWORD flags) {
    if (const auto failure = session_->scriptedFailure(ScriptedCall::EnumDevices))
        return *failure;
    if (!callback || !validEnumerationFlags(flags))
        return DIERR_INVALIDPARAM;
    session_->log().write("enum");
    const bool away = (flags & DIEDFL_ATTACHEDONLY) && session_->unplugged();
    if (enumerationListsWheel(devType) && !away) {
        const DIDEVICEINSTANCEW instance = wheelInstance();
        callback(&instance, ref); // one device: DIENUM_STOP has nothing left to stop
    }
    return DI_OK;
}

HRESULT VirtualDirectInput::GetDeviceStatus(REFGUID guid) {
    if (!IsEqualGUID(guid, kVirtualWheelInstance))
        return DIERR_DEVICENOTREG;
    return session_->unplugged() ? DI_NOTATTACHED : DI_OK;
}

HRESULT VirtualDirectInput::RunControlPanel(HWND, DWORD) {
    return DIERR_UNSUPPORTED;
}

HRESULT VirtualDirectInput::Initialize(HINSTANCE instance, DWORD version) {
    return checkCreateArguments(instance, version);
}

HRESULT VirtualDirectInput::FindDevice(REFGUID, LPCWSTR, LPGUID) {
    return DIERR_UNSUPPORTED;
}

HRESULT VirtualDirectInput::EnumDevicesBySemantics(LPCWSTR, LPDIACTIONFORMATW,
                                                   LPDIENUMDEVICESBYSEMANTICSCBW, LPVOID, DWORD) {
    return DIERR_UNSUPPORTED;
}

HRESULT VirtualDirectInput::ConfigureDevices(LPDICONFIGUREDEVICESCALLBACK,
                                             LPDICONFIGUREDEVICESPARAMSW, DWORD, LPVOID) {
    return DIERR_UNSUPPORTED;
}

} // namespace gripline::wheel
