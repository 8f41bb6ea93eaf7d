#pragma once
// The files and processes an update touches. The Win32 adapter is
// `Win32UpdateSystem` (`update_system_win32.h`); tests use a folder of their
// own and record what would have been started.
#include <cstdint>
#include <span>
#include <string>

namespace gripline {

class UpdateSystem {
  public:
    virtual ~UpdateSystem() = default;
    // The running program's own path.
    virtual std::wstring programPath() = 0;
    // The temporary folder, ending in a backslash; false when there is none.
    virtual bool tempFolder(std::wstring& folder) = 0;
    // Milliseconds since the system started (wraps): makes script names unique.
    virtual uint32_t tickCountMs() = 0;
    // Creates or replaces the file; true only when every byte was written.
    virtual bool writeFileBytes(const std::wstring& path, std::span<const uint8_t> bytes) = 0;
    virtual void deleteFile(const std::wstring& path) = 0;
    // The bytes cmd reads for this text in a script: the console's code page,
    // which is where cmd looks, not UTF-8. False when a character has no
    // place in that code page.
    virtual bool encodeScriptText(const std::wstring& text, std::string& bytes) = 0;
    // Starts the command script hidden through cmd.exe; does not wait for it.
    virtual bool startHiddenScript(const std::wstring& scriptPath) = 0;
};

} // namespace gripline
