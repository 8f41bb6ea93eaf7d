#include "ui/advice_copy_data.h"

#include <cstring>

namespace gripline {

std::optional<std::wstring> adviceFromCopyData(uint64_t tag, const void* data, size_t byteCount) {
    if (tag != kAdviceCopyDataTag || data == nullptr || byteCount <= 1)
        return std::nullopt;
    const size_t characters = byteCount / 2;
    std::u16string units(characters, u'\0');
    std::memcpy(units.data(), data, characters * 2);
    std::wstring path;
    for (char16_t unit : units) {
        if (unit == 0)
            break;
        path += static_cast<wchar_t>(unit);
    }
    return path;
}

} // namespace gripline
