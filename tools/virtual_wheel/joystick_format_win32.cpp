#include "tools/virtual_wheel/joystick_format_win32.h"

#include <cstring>

namespace gripline::wheel {

namespace {

// Far more than any joystick format (DIJOYSTATE2 is 272 bytes); a larger
// one is a corrupt structure.
constexpr DWORD kMaxDataSize = 64 * 1024;
constexpr DWORD kPovCentred = 0xFFFFFFFF;

bool isAxis(const DIOBJECTDATAFORMAT& object) {
    return (object.dwType & DIDFT_AXIS) != 0;
}
bool isPov(const DIOBJECTDATAFORMAT& object) {
    return (object.dwType & DIDFT_POV) != 0;
}
bool isButton(const DIOBJECTDATAFORMAT& object) {
    return (object.dwType & DIDFT_BUTTON) != 0;
}

// Axes and POVs are DWORDs on DWORD boundaries; buttons are one byte.
bool fits(const DIOBJECTDATAFORMAT& object, DWORD dataSize) {
    const DWORD width = isAxis(object) || isPov(object) ? sizeof(DWORD) : 1;
    if (width == sizeof(DWORD) && object.dwOfs % sizeof(DWORD) != 0)
        return false;
    return object.dwOfs < dataSize && dataSize - object.dwOfs >= width;
}

} // namespace

HRESULT JoystickFormat::assign(const DIDATAFORMAT* format) {
    if (!format || format->dwSize != sizeof(DIDATAFORMAT) ||
        format->dwObjSize != sizeof(DIOBJECTDATAFORMAT) || format->dwDataSize == 0 ||
        format->dwDataSize % sizeof(DWORD) != 0 || format->dwDataSize > kMaxDataSize ||
        (format->dwNumObjs != 0 && !format->rgodf))
        return DIERR_INVALIDPARAM;

    std::optional<DWORD> namedX, anyAxis;
    std::vector<DWORD> povs, buttons;
    for (DWORD i = 0; i < format->dwNumObjs; ++i) {
        const DIOBJECTDATAFORMAT& object = format->rgodf[i];
        if (!fits(object, format->dwDataSize))
            return DIERR_INVALIDPARAM;
        if (isAxis(object) && object.pguid && IsEqualGUID(*object.pguid, GUID_XAxis) && !namedX)
            namedX = object.dwOfs;
        else if (isAxis(object) && !object.pguid && !anyAxis)
            anyAxis = object.dwOfs;
        else if (isPov(object))
            povs.push_back(object.dwOfs);
        else if (isButton(object))
            buttons.push_back(object.dwOfs);
    }
    dataSize_ = format->dwDataSize;
    xAxisOffset_ = namedX ? namedX : anyAxis;
    povOffsets_ = std::move(povs);
    buttonOffsets_ = std::move(buttons);
    return DI_OK;
}

void JoystickFormat::fill(void* out, LONG x, uint32_t buttons) const {
    auto* const bytes = static_cast<unsigned char*>(out);
    std::memset(bytes, 0, dataSize_);
    for (const DWORD offset : povOffsets_)
        std::memcpy(bytes + offset, &kPovCentred, sizeof kPovCentred);
    if (xAxisOffset_)
        std::memcpy(bytes + *xAxisOffset_, &x, sizeof x);
    for (size_t i = 0; i < buttonOffsets_.size() && i < 32; ++i)
        if (buttons & (1u << i))
            bytes[buttonOffsets_[i]] = 0x80;
}

} // namespace gripline::wheel
