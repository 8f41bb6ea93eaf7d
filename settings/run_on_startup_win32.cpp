#include "settings/run_on_startup_win32.h"

#include <windows.h>

namespace gripline {

namespace {

// Owns an open registry key.
class ScopedKey {
  public:
    ScopedKey() = default;
    ~ScopedKey() {
        if (key_ != nullptr)
            RegCloseKey(key_);
    }
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

// The value is only ever set or deleted: write access is all we ask for.
bool openRunKey(ScopedKey& key) {
    return RegOpenKeyExW(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_SET_VALUE, key.out()) ==
           ERROR_SUCCESS;
}

} // namespace

bool RunKeyEntry::set(const std::wstring& name, const std::wstring& command) {
    ScopedKey key;
    if (!openRunKey(key))
        return false;
    // REG_SZ data counts its terminating zero.
    const DWORD bytes = static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(command.c_str()), bytes) == ERROR_SUCCESS;
}

bool RunKeyEntry::remove(const std::wstring& name) {
    ScopedKey key;
    if (!openRunKey(key))
        return false;
    return RegDeleteValueW(key.get(), name.c_str()) == ERROR_SUCCESS;
}

} // namespace gripline
