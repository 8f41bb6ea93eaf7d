#include "ui/wheelbase_text.h"

#include "settings/rounding.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

namespace gripline {

int32_t wheelbaseTenthsFromText(std::wstring_view text) {
    std::wstring number(text.substr(0, 15));
    std::replace(number.begin(), number.end(), L',', L'.');
    wchar_t* end = nullptr;
    const double value = std::wcstod(number.c_str(), &end);
    if (end == number.c_str() || !(value > 0))
        return 0;
    return std::clamp(roundScaled(value, 10.0), 10, 9990);
}

std::wstring wheelbaseText(int32_t tenths) {
    if (tenths <= 0)
        return {};
    return std::to_wstring(tenths / 10) + L"." + std::to_wstring(tenths - 10 * (tenths / 10));
}

} // namespace gripline
