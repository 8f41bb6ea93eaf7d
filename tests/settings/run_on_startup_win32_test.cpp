// The start-with-Windows value in Wine's real registry.
#include "settings/run_on_startup_win32.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace gripline {
namespace {

// The value's type and data as another program would read them, or false.
bool readRunValue(DWORD& type, std::wstring& data) {
    wchar_t buffer[512] = {};
    DWORD bytes = sizeof buffer;
    if (RegGetValueW(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, RRF_RT_ANY, &type, buffer,
                     &bytes) != ERROR_SUCCESS)
        return false;
    data.assign(buffer);
    EXPECT_EQ(bytes, (data.size() + 1) * sizeof(wchar_t)) << "the terminating zero is counted";
    return true;
}

TEST(RunOnStartup, CreatesAndDeletesTheQuotedCommand) {
    RunKeyEntry entry;
    const std::wstring exe = L"C:\\Program Files\\Gripline\\Torvix_Commercial.exe";
    ASSERT_TRUE(setRunOnStartup(entry, true, exe));
    DWORD type = 0;
    std::wstring data;
    ASSERT_TRUE(readRunValue(type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data, L"\"" + exe + L"\"");

    ASSERT_TRUE(setRunOnStartup(entry, false, exe));
    EXPECT_FALSE(readRunValue(type, data));
    EXPECT_FALSE(setRunOnStartup(entry, false, exe)) << "nothing left to delete";
}

} // namespace
} // namespace gripline
