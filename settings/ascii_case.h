#pragma once
// Comparing names "without regard to case": ASCII letters only, so that the
// native and the Windows build agree on every name.
#include <string_view>

namespace gripline {

constexpr wchar_t asciiLower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

constexpr bool equalsIgnoreCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return true;
}

} // namespace gripline
