#pragma once
// Start with Windows: a value under the current user's Run key that starts
// the program, quoted so that a path with spaces stays one command.
#include <string>
#include <string_view>

namespace gripline {

inline constexpr const wchar_t* kRunValueName = L"Torvix";

// The registry value behind the check box.
class StartupEntry {
  public:
    virtual ~StartupEntry() = default;
    // False when the key could not be opened or the value not written.
    virtual bool set(const std::wstring& name, const std::wstring& command) = 0;
    virtual bool remove(const std::wstring& name) = 0;
};

// "\"" + path + "\"".
std::wstring runOnStartupCommand(std::wstring_view executablePath);

// Creates or deletes the value. The caller changes and saves the flag
// whatever the registry did; a failure is not reported to the user.
bool setRunOnStartup(StartupEntry& entry, bool on, std::wstring_view executablePath);

} // namespace gripline
