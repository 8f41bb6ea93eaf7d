// Reads a program's version resource back the way Explorer's file
// properties do (GetFileVersionInfoW, VerQueryValueW) and prints it, one
// "Name=value" a line, for release_test.py to compare:
//
//   version_probe FILE
#include "common/unicode_text.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

void print(const wchar_t* name, const std::wstring& value) {
    std::printf("%s=%s\n", gripline::wideToUtf8(name).c_str(), gripline::wideToUtf8(value).c_str());
}

int run(const wchar_t* file) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(file, &ignored);
    std::vector<BYTE> info(size);
    if (size == 0 || !GetFileVersionInfoW(file, 0, size, info.data())) {
        std::fprintf(stderr, "version_probe: no version resource (%lu)\n", GetLastError());
        return 1;
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
        auto text = [](DWORD high, DWORD low) {
            return std::to_wstring(HIWORD(high)) + L"." + std::to_wstring(LOWORD(high)) + L"." +
                   std::to_wstring(HIWORD(low)) + L"." + std::to_wstring(LOWORD(low));
        };
        print(L"FixedFileVersion", text(fixed->dwFileVersionMS, fixed->dwFileVersionLS));
        print(L"FixedProductVersion", text(fixed->dwProductVersionMS, fixed->dwProductVersionLS));
    }
    for (const wchar_t* name :
         {L"CompanyName", L"FileDescription", L"FileVersion", L"LegalCopyright",
          L"OriginalFilename", L"ProductName", L"ProductVersion"}) {
        std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        wchar_t* value = nullptr;
        if (VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) &&
            value)
            print(name, value);
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: version_probe FILE\n");
        return 2;
    }
    return run(argv[1]);
}
