// Stands in for the force-feedback program when the Analyzer hands over
// advice: records the name it was started under and its command line, keeps
// a copy of the advice file, then deletes it as the real program does.
#include <windows.h>

#include <shellapi.h>

#include <string>

namespace {

std::string utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

void writeFile(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring folder = module;
    folder.erase(folder.find_last_of(L'\\'));

    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring advice = args && count == 3 ? args[2] : L"";
    LocalFree(args);
    if (!advice.empty()) {
        CopyFileW(advice.c_str(), (folder + L"\\received-advice.ini").c_str(), FALSE);
        DeleteFileW(advice.c_str());
    }
    // Written last: the test waits for this file.
    writeFile(folder + L"\\started.txt",
              utf8(module) + "\n" + utf8(GetCommandLineW()) + "\n" + utf8(advice) + "\n");
    return 0;
}
