// Off Windows there is no system code page to ask: the portable decoders
// stand in for it, with Windows-1252 as the ANSI code page the simulator's
// machines use.
#include "telemetry/text_decoding.h"

namespace gripline {

bool platformUtf8ToWide(std::string_view bytes, std::wstring& out) {
    return utf8ToWide(bytes, out);
}

std::wstring platformAnsiToWide(std::string_view bytes) {
    return windows1252ToWide(bytes);
}

} // namespace gripline
