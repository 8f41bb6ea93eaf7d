#include "tools/virtual_wheel/wheel_identity_win32.h"

#include "tools/virtual_wheel/button_script.h"
#include "tools/virtual_wheel/virtual_wheel_ids.h"

#include <cstring>
#include <cwchar>

namespace gripline::wheel {

namespace {

constexpr DWORD kWheelDevType =
    DI8DEVTYPE_DRIVING | (DI8DEVTYPEDRIVING_DUALPEDALS << 8) | DIDEVTYPE_HID;
constexpr WORD kGenericDesktopPage = 0x01;
constexpr WORD kJoystickUsage = 0x04; // what USB wheels report
constexpr WORD kXUsage = 0x30;
constexpr DWORD kMaxForceNewton = 10; // DIDEVICEOBJECTINSTANCE wants whole newtons

bool oneOf(DWORD size, DWORD a, DWORD b) {
    return size == a || size == b;
}

} // namespace

DIDEVICEINSTANCEW wheelInstance() {
    DIDEVICEINSTANCEW instance{};
    instance.dwSize = sizeof instance;
    instance.guidInstance = kVirtualWheelInstance;
    instance.guidProduct = kVirtualWheelProduct;
    instance.dwDevType = kWheelDevType;
    wcscpy_s(instance.tszInstanceName, kVirtualWheelInstanceName);
    wcscpy_s(instance.tszProductName, kVirtualWheelProductName);
    instance.guidFFDriver = kVirtualWheelFfDriver;
    instance.wUsagePage = kGenericDesktopPage;
    instance.wUsage = kJoystickUsage;
    return instance;
}

bool enumerationListsWheel(DWORD devType) {
    return devType == DI8DEVCLASS_ALL || devType == DI8DEVCLASS_GAMECTRL ||
           devType == DI8DEVTYPE_DRIVING;
}

bool validEnumerationFlags(DWORD flags) {
    constexpr DWORD known = DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK | DIEDFL_INCLUDEALIASES |
                            DIEDFL_INCLUDEPHANTOMS | DIEDFL_INCLUDEHIDDEN;
    return (flags & ~known) == 0;
}

HRESULT copyDeviceInstance(DIDEVICEINSTANCEW* out) {
    if (!out || !oneOf(out->dwSize, sizeof(DIDEVICEINSTANCEW), sizeof(DIDEVICEINSTANCE_DX3W)))
        return DIERR_INVALIDPARAM;
    const DIDEVICEINSTANCEW instance = wheelInstance();
    const DWORD size = out->dwSize;
    std::memcpy(out, &instance, size);
    out->dwSize = size;
    return DI_OK;
}

HRESULT copyCapabilities(DIDEVCAPS* out) {
    if (!out || !oneOf(out->dwSize, sizeof(DIDEVCAPS), sizeof(DIDEVCAPS_DX3)))
        return DIERR_INVALIDPARAM;
    DIDEVCAPS caps{};
    caps.dwSize = out->dwSize;
    caps.dwFlags = DIDC_ATTACHED | DIDC_FORCEFEEDBACK | DIDC_STARTDELAY;
    caps.dwDevType = kWheelDevType;
    caps.dwAxes = 1;
    caps.dwButtons = kWheelButtons;
    caps.dwFFSamplePeriod = 1000;      // µs: the axis thread's tick
    caps.dwFFMinTimeResolution = 1000; // µs
    caps.dwFirmwareRevision = 1;
    caps.dwHardwareRevision = 1;
    caps.dwFFDriverVersion = 1;
    std::memcpy(out, &caps, out->dwSize);
    return DI_OK;
}

HRESULT copyXAxisObject(DIDEVICEOBJECTINSTANCEW* out, DWORD offset) {
    if (!out ||
        !oneOf(out->dwSize, sizeof(DIDEVICEOBJECTINSTANCEW), sizeof(DIDEVICEOBJECTINSTANCE_DX3W)))
        return DIERR_INVALIDPARAM;
    DIDEVICEOBJECTINSTANCEW object{};
    object.dwSize = out->dwSize;
    object.guidType = GUID_XAxis;
    object.dwOfs = offset;
    object.dwType = kXAxisId;
    object.dwFlags = DIDOI_FFACTUATOR | DIDOI_ASPECTPOSITION;
    wcscpy_s(object.tszName, L"Steering");
    object.dwFFMaxForce = kMaxForceNewton;
    object.dwFFForceResolution = 1;
    object.wUsagePage = kGenericDesktopPage;
    object.wUsage = kXUsage;
    std::memcpy(out, &object, out->dwSize);
    return DI_OK;
}

HRESULT copyConstantForceInfo(DIEFFECTINFOW* out) {
    if (!out || out->dwSize != sizeof(DIEFFECTINFOW))
        return DIERR_INVALIDPARAM;
    DIEFFECTINFOW info{};
    info.dwSize = sizeof info;
    info.guid = GUID_ConstantForce;
    info.dwEffType = DIEFT_CONSTANTFORCE | DIEFT_STARTDELAY;
    info.dwStaticParams = DIEP_ALLPARAMS;
    // Changed while playing without a restart.
    info.dwDynamicParams = DIEP_TYPESPECIFICPARAMS | DIEP_GAIN | DIEP_DIRECTION;
    wcscpy_s(info.tszName, L"Constant Force");
    *out = info;
    return DI_OK;
}

} // namespace gripline::wheel
