// Stands in for the Analyzer in the window tests: writes the recording path
// it was given (its first argument, UTF-16) to "analyzer_arguments.txt"
// beside itself and exits.
#include <windows.h>

#include <shellapi.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::wstring first = arguments && count > 1 ? arguments[1] : L"";
    LocalFree(arguments);

    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring out = exe;
    out = out.substr(0, out.find_last_of(L'\\') + 1) + L"analyzer_arguments.txt";
    HANDLE file = CreateFileW(out.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(file, first.data(), static_cast<DWORD>(first.size() * sizeof(wchar_t)), &written,
              nullptr);
    CloseHandle(file);
    return 0;
}
