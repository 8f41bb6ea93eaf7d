#pragma once
// The real program in a folder of its own for one test, and the per-program
// DLL override that makes it load the virtual wheel beside it.
#include "tests/support/standin_child_win32.h"

#include <windows.h>

#include <string>

namespace gripline::test {

// A copy of the program in a folder of its own, so each run starts without
// a settings file and leaves the build folder alone.
class ProgramFolder {
  public:
    ProgramFolder() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"gripline_window_" +
                  std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(counter_++);
        CreateDirectoryW(folder_.c_str(), nullptr);
        DeleteFileW(settings().c_str());
        CopyFileW(windowsPath(GRIPLINE_PROGRAM_EXE).c_str(), exe().c_str(), FALSE);
    }
    std::wstring folder() const { return folder_; }
    std::wstring exe() const { return folder_ + L"\\Torvix_Commercial.exe"; }
    std::wstring settings() const { return folder_ + L"\\Torvix_profiles.ini"; }
    bool addVirtualWheel() const {
        return CopyFileW(windowsPath(GRIPLINE_VIRTUAL_WHEEL).c_str(),
                         (folder_ + L"\\dinput8.dll").c_str(), FALSE) != FALSE;
    }

  private:
    static inline int counter_ = 0;
    std::wstring folder_;
};

// Wine's per-program DLL overrides: how a program started from a test
// prefers the dinput8.dll beside it (the variable WINEDLLOVERRIDES set here
// would not reach the child's loader).
class NativeDinputForTheProgram {
  public:
    NativeDinputForTheProgram() {
        const wchar_t order[] = L"native,builtin";
        ok_ = RegSetKeyValueW(HKEY_CURRENT_USER, kOverrides, L"dinput8", REG_SZ, order,
                              sizeof(order)) == ERROR_SUCCESS;
    }
    ~NativeDinputForTheProgram() { RegDeleteKeyValueW(HKEY_CURRENT_USER, kOverrides, L"dinput8"); }
    bool ok() const { return ok_; }

  private:
    static constexpr const wchar_t* kOverrides =
        L"Software\\Wine\\AppDefaults\\Torvix_Commercial.exe\\DllOverrides";
    bool ok_ = false;
};

// The settings file as text: the program keeps it in UTF-16.
inline std::wstring settingsText(const std::wstring& path) {
    const std::string bytes = readFile(path);
    std::wstring text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(static_cast<uint8_t>(bytes[i]) |
                                     static_cast<uint8_t>(bytes[i + 1]) << 8);
    return text;
}

} // namespace gripline::test
