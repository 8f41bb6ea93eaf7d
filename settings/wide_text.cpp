#include "settings/wide_text.h"

namespace gripline {

std::wstring pathText(const std::filesystem::path& path) {
#ifdef _WIN32
    return path.native();
#else
    return utf8ToWide(path.native());
#endif
}

std::filesystem::path pathFromText(std::wstring_view text) {
#ifdef _WIN32
    return std::filesystem::path(std::wstring(text));
#else
    return std::filesystem::path(wideToUtf8(text));
#endif
}

} // namespace gripline
