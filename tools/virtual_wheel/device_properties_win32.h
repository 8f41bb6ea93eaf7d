#pragma once
// The device properties a program may set on the wheel: the autocentre
// spring, the overall force gain and the steering axis's range.
#include <windows.h>

#include <dinput.h>

#include <cstdint>
#include <optional>

namespace gripline::wheel {

struct DeviceProperties {
    bool autocentre = true;       // DirectInput devices start with it on
    DWORD gain = DI_FFNOMINALMAX; // 0..10000, scales every effect
    LONG rangeMin = 0;            // lX at the left lock
    LONG rangeMax = 65535;        // lX at the right lock
};

// DIPROP_* "GUIDs" are small numbers in disguise: compared by address.
inline bool isProperty(REFGUID asked, REFGUID property) {
    return &asked == &property;
}

// `xOffset`: the steering axis's offset in the current data format, for
// properties addressed DIPH_BYOFFSET.
HRESULT getProperty(const DeviceProperties& properties, REFGUID property, DIPROPHEADER* header,
                    std::optional<DWORD> xOffset);
HRESULT setProperty(DeviceProperties& properties, REFGUID property, const DIPROPHEADER* header,
                    std::optional<DWORD> xOffset);

// lX for a raw position (0..65535) in the range the program chose.
LONG scaledAxis(const DeviceProperties& properties, int32_t raw);

} // namespace gripline::wheel
