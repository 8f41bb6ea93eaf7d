#include "tools/virtual_wheel/device_properties_win32.h"

#include "tools/virtual_wheel/wheel_identity_win32.h"

namespace gripline::wheel {

namespace {

bool validHeader(const DIPROPHEADER* header, DWORD size) {
    return header && header->dwSize == size && header->dwHeaderSize == sizeof(DIPROPHEADER);
}

bool addressesDevice(const DIPROPHEADER& header) {
    return header.dwHow == DIPH_DEVICE && header.dwObj == 0;
}

// The range applies to axes: the whole device (its one axis) or the
// steering axis by offset or id.
HRESULT checkAxisAddress(const DIPROPHEADER& header, std::optional<DWORD> xOffset) {
    switch (header.dwHow) {
    case DIPH_DEVICE:
        return header.dwObj == 0 ? DI_OK : DIERR_INVALIDPARAM;
    case DIPH_BYOFFSET:
        return xOffset && header.dwObj == *xOffset ? DI_OK : DIERR_OBJECTNOTFOUND;
    case DIPH_BYID:
        return header.dwObj == kXAxisId ? DI_OK : DIERR_OBJECTNOTFOUND;
    default:
        return DIERR_INVALIDPARAM;
    }
}

HRESULT getDword(DIPROPHEADER* header, DWORD value) {
    if (!validHeader(header, sizeof(DIPROPDWORD)) || !addressesDevice(*header))
        return DIERR_INVALIDPARAM;
    reinterpret_cast<DIPROPDWORD*>(header)->dwData = value;
    return DI_OK;
}

std::optional<DWORD> setDword(const DIPROPHEADER* header) {
    if (!validHeader(header, sizeof(DIPROPDWORD)) || !addressesDevice(*header))
        return std::nullopt;
    return reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
}

} // namespace

HRESULT getProperty(const DeviceProperties& properties, REFGUID property, DIPROPHEADER* header,
                    std::optional<DWORD> xOffset) {
    if (isProperty(property, DIPROP_AUTOCENTER))
        return getDword(header, properties.autocentre ? DIPROPAUTOCENTER_ON : DIPROPAUTOCENTER_OFF);
    if (isProperty(property, DIPROP_FFGAIN))
        return getDword(header, properties.gain);
    if (!isProperty(property, DIPROP_RANGE))
        return DIERR_UNSUPPORTED;
    if (!validHeader(header, sizeof(DIPROPRANGE)))
        return DIERR_INVALIDPARAM;
    if (const HRESULT hr = checkAxisAddress(*header, xOffset); FAILED(hr))
        return hr;
    auto* const range = reinterpret_cast<DIPROPRANGE*>(header);
    range->lMin = properties.rangeMin;
    range->lMax = properties.rangeMax;
    return DI_OK;
}

HRESULT setProperty(DeviceProperties& properties, REFGUID property, const DIPROPHEADER* header,
                    std::optional<DWORD> xOffset) {
    if (isProperty(property, DIPROP_AUTOCENTER)) {
        const auto value = setDword(header);
        if (!value || *value > DIPROPAUTOCENTER_ON)
            return DIERR_INVALIDPARAM;
        properties.autocentre = *value == DIPROPAUTOCENTER_ON;
        return DI_OK;
    }
    if (isProperty(property, DIPROP_FFGAIN)) {
        const auto value = setDword(header);
        if (!value || *value > DI_FFNOMINALMAX)
            return DIERR_INVALIDPARAM;
        properties.gain = *value;
        return DI_OK;
    }
    if (!isProperty(property, DIPROP_RANGE))
        return DIERR_UNSUPPORTED;
    if (!validHeader(header, sizeof(DIPROPRANGE)))
        return DIERR_INVALIDPARAM;
    if (const HRESULT hr = checkAxisAddress(*header, xOffset); FAILED(hr))
        return hr;
    const auto* const range = reinterpret_cast<const DIPROPRANGE*>(header);
    if (range->lMin >= range->lMax)
        return DIERR_INVALIDPARAM;
    properties.rangeMin = range->lMin;
    properties.rangeMax = range->lMax;
    return DI_OK;
}

LONG scaledAxis(const DeviceProperties& properties, int32_t raw) {
    const int64_t span = int64_t{properties.rangeMax} - properties.rangeMin;
    // Rounded to nearest; 64-bit so a full ±2³¹ range cannot overflow.
    return static_cast<LONG>(properties.rangeMin + (raw * span + 32767) / 65535);
}

} // namespace gripline::wheel
