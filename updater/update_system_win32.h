#pragma once
// The updater's files and processes on Windows.
#include "updater/update_system.h"

#include <windows.h>

namespace gripline {

// Creates or replaces the file; true only when every byte was written. A
// file that could not be written whole is deleted rather than left short.
bool writeFileBytes(const std::wstring& path, std::span<const uint8_t> bytes);

class Win32UpdateSystem : public UpdateSystem {
  public:
    // `owner` is the main window: the shell parents any error UI to it.
    explicit Win32UpdateSystem(HWND owner) : owner_(owner) {}

    std::wstring programPath() override;
    bool tempFolder(std::wstring& folder) override;
    uint32_t tickCountMs() override { return GetTickCount(); }
    bool writeFileBytes(const std::wstring& path, std::span<const uint8_t> bytes) override {
        return gripline::writeFileBytes(path, bytes);
    }
    void deleteFile(const std::wstring& path) override { DeleteFileW(path.c_str()); }
    bool encodeScriptText(const std::wstring& text, std::string& bytes) override;
    bool startHiddenScript(const std::wstring& scriptPath) override;

  private:
    HWND owner_;
};

} // namespace gripline
