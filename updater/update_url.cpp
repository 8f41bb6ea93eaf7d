#include "updater/update_url.h"

namespace gripline {

std::wstring appendVersionQuery(const std::wstring& path, const std::wstring& versionText) {
    if (versionText.empty())
        return path;
    const wchar_t* separator = path.find(L'?') == std::wstring::npos ? L"?v=" : L"&v=";
    return path + separator + versionText;
}

std::wstring fileNameFromUrlPath(const std::wstring& path) {
    std::wstring withoutQuery = path.substr(0, path.find_first_of(L"?#"));
    size_t slash = withoutQuery.find_last_of(L"/\\");
    return slash == std::wstring::npos ? withoutQuery : withoutQuery.substr(slash + 1);
}

} // namespace gripline
