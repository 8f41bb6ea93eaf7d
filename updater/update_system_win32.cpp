#include "updater/update_system_win32.h"

#include "common/scoped_handle_win32.h"
#include "common/unicode_text.h"

#include <shellapi.h>

#include <algorithm>

namespace gripline {

bool writeFileBytes(const std::wstring& path, std::span<const uint8_t> bytes) {
    bool complete = false;
    {
        ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return false;
        size_t written = 0;
        complete = true;
        while (complete && written < bytes.size()) {
            DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - written, 1u << 30));
            DWORD done = 0;
            complete = WriteFile(file.get(), bytes.data() + written, chunk, &done, nullptr) &&
                       done == chunk;
            written += done;
        }
    } // closed before a short file is deleted
    if (!complete)
        DeleteFileW(path.c_str());
    return complete;
}

// A long install path must not come back cut at 260 characters: the script
// would then copy the new program to a file that is not the installed one.
std::wstring Win32UpdateSystem::programPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

bool Win32UpdateSystem::tempFolder(std::wstring& folder) {
    wchar_t path[MAX_PATH + 1] = {};
    DWORD length = GetTempPathW(MAX_PATH + 1, path);
    if (length == 0 || length > MAX_PATH)
        return false;
    folder.assign(path, length);
    return true;
}

// cmd gets a console of its own, in the OEM code page unless the system runs
// in UTF-8 throughout. A character that code page lacks is refused rather
// than written as a best-fit look-alike: the copy would miss the real file.
bool Win32UpdateSystem::encodeScriptText(const std::wstring& text, std::string& bytes) {
    const UINT codePage = GetOEMCP();
    if (codePage == CP_UTF8) {
        bytes = wideToUtf8(text);
        return true;
    }
    bytes.clear();
    if (text.empty())
        return true;
    const int length = static_cast<int>(text.size());
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), length,
                                         nullptr, 0, nullptr, &lossy);
    if (size <= 0 || lossy)
        return false;
    bytes.resize(static_cast<size_t>(size));
    return WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), length, bytes.data(),
                               size, nullptr, &lossy) == size &&
           !lossy;
}

bool Win32UpdateSystem::startHiddenScript(const std::wstring& scriptPath) {
    std::wstring parameters = L"/c \"" + scriptPath + L"\"";
    HINSTANCE result = ShellExecuteW(owner_, L"open", L"cmd.exe", parameters.c_str(), nullptr,
                                     SW_HIDE);
    // The shell reports success with a value above 32.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

} // namespace gripline
