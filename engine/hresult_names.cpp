#include "engine/wheel_port.h"

namespace gripline {

const char* hresultName(HResult hr) {
    switch (static_cast<uint32_t>(hr)) {
    case 0x8007001E:
        return "DIERR_INPUTLOST";
    case 0x8007000C:
        return "DIERR_NOTACQUIRED";
    case 0x80040205:
        return "DIERR_NOTEXCLUSIVEACQUIRED";
    case 0x80040208:
        return "DIERR_EFFECTPLAYING";
    case 0x80040209:
        return "DIERR_UNPLUGGED";
    case 0x80070005:
        return "DIERR_OTHERAPPHASPRIO";
    default:
        return "unknown";
    }
}

} // namespace gripline
