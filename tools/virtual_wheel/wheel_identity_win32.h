#pragma once
// What the virtual wheel says about itself: its device instance (for
// EnumDevices and GetDeviceInfo), its capabilities and its one axis.
#include <windows.h>

#include <dinput.h>

namespace gripline::wheel {

// The steering axis's object id: absolute axis number 0, the force actuator.
inline constexpr DWORD kXAxisId = DIDFT_ABSAXIS | DIDFT_FFACTUATOR | DIDFT_MAKEINSTANCE(0);

DIDEVICEINSTANCEW wheelInstance();

// Whether EnumDevices(devType, ..., flags) lists the wheel: the game
// controller class, every class, or the driving device type. The wheel is
// attached and force-feedback, so no flag leaves it out.
bool enumerationListsWheel(DWORD devType);
bool validEnumerationFlags(DWORD flags);

// Fill the caller's structure after checking its dwSize (current or DX3).
HRESULT copyDeviceInstance(DIDEVICEINSTANCEW* out);
HRESULT copyCapabilities(DIDEVCAPS* out);
HRESULT copyXAxisObject(DIDEVICEOBJECTINSTANCEW* out, DWORD offset);
// The one effect the wheel plays: a constant force.
HRESULT copyConstantForceInfo(DIEFFECTINFOW* out);

} // namespace gripline::wheel
