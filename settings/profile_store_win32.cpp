#include "settings/profile_store_win32.h"

#include "common/scoped_handle_win32.h"

#include <windows.h>

#include <vector>

namespace gripline {

namespace {

// A bare file name would go to the Windows folder: always hand the
// functions a full path.
std::wstring fullPath(const std::filesystem::path& file) {
    const std::wstring& given = file.native();
    const DWORD needed = GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return given;
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(given.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed)
        return given;
    full.resize(length);
    return full;
}

// The functions write a file they create in the ANSI code page, turning
// every other character into "?"; a file that starts with a UTF-16LE
// byte-order mark they keep in UTF-16. So a missing file is created as just
// that mark before the first write. CREATE_NEW leaves a file that appeared
// meanwhile alone; a failure here shows in the write that follows.
void createAsUtf16(const std::wstring& file) {
    const ScopedHandle handle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle)
        return;
    static const BYTE kMark[2] = {0xFF, 0xFE};
    DWORD written = 0;
    WriteFile(handle.get(), kMark, sizeof kMark, &written, nullptr);
}

} // namespace

std::wstring Win32ProfileStore::readString(const std::filesystem::path& file,
                                           const std::wstring& section, const std::wstring& key,
                                           const std::wstring& fallback, size_t capacity) const {
    if (capacity == 0)
        return {};
    std::vector<wchar_t> buffer(capacity, L'\0');
    const DWORD length =
        GetPrivateProfileStringW(section.c_str(), key.c_str(), fallback.c_str(), buffer.data(),
                                 static_cast<DWORD>(capacity), fullPath(file).c_str());
    return std::wstring(buffer.data(), length);
}

bool Win32ProfileStore::writeString(const std::filesystem::path& file, const std::wstring& section,
                                    const std::wstring& key, const std::wstring& value) {
    const std::wstring path = fullPath(file);
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        createAsUtf16(path);
    return WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), path.c_str()) !=
           FALSE;
}

bool Win32ProfileStore::deleteKey(const std::filesystem::path& file, const std::wstring& section,
                                  const std::wstring& key) {
    return WritePrivateProfileStringW(section.c_str(), key.c_str(), nullptr,
                                      fullPath(file).c_str()) != FALSE;
}

bool Win32ProfileStore::deleteSection(const std::filesystem::path& file,
                                      const std::wstring& section) {
    return WritePrivateProfileStringW(section.c_str(), nullptr, nullptr, fullPath(file).c_str()) !=
           FALSE;
}

std::wstring executablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2); // truncated: try a larger buffer
    }
}

} // namespace gripline
