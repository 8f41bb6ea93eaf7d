// The "new program" the loopback update test serves: when the restart script
// starts it from the installed path, it leaves restarted.txt beside itself
// holding that path, so the test can see which file was started.
#include "common/unicode_text.h"

#include <windows.h>

#include <cstdio>
#include <string>

int wmain() {
    wchar_t self[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    std::wstring marker = path.substr(0, path.find_last_of(L'\\') + 1) + L"restarted.txt";
    FILE* file = _wfopen(marker.c_str(), L"wb");
    if (!file)
        return 1;
    std::string utf8 = gripline::wideToUtf8(path);
    std::fwrite(utf8.data(), 1, utf8.size(), file);
    return std::fclose(file) == 0 ? 0 : 1;
}
