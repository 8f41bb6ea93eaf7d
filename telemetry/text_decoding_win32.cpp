// The system's own conversions, so that a name the simulator wrote in the
// user's ANSI code page comes out as the simulator's other readers show it.
#include "telemetry/text_decoding.h"

#include <windows.h>

#include <climits>

namespace gripline {

namespace {

bool multiByteToWide(UINT codePage, DWORD flags, std::string_view bytes, std::wstring& out) {
    out.clear();
    if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX))
        return false;
    const int length = static_cast<int>(bytes.size());
    const int size = MultiByteToWideChar(codePage, flags, bytes.data(), length, nullptr, 0);
    if (size <= 0)
        return false;
    out.resize(static_cast<size_t>(size));
    if (MultiByteToWideChar(codePage, flags, bytes.data(), length, out.data(), size) != size) {
        out.clear();
        return false;
    }
    return true;
}

} // namespace

bool platformUtf8ToWide(std::string_view bytes, std::wstring& out) {
    if (bytes.empty()) {
        out.clear();
        return true;
    }
    return multiByteToWide(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, out);
}

std::wstring platformAnsiToWide(std::string_view bytes) {
    std::wstring out;
    multiByteToWide(CP_ACP, 0, bytes, out);
    return out;
}

} // namespace gripline
