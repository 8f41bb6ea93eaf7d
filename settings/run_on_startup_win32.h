#pragma once
// The start-with-Windows value under
// HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run.
#include "settings/run_on_startup.h"

namespace gripline {

inline constexpr const wchar_t* kRunKeyPath = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class RunKeyEntry final : public StartupEntry {
  public:
    bool set(const std::wstring& name, const std::wstring& command) override;
    bool remove(const std::wstring& name) override;
};

} // namespace gripline
