#include "ui/single_instance_win32.h"

#include "ui/advice_copy_data.h"
#include "ui/command_line.h"
#include "ui/main_window_win32.h"

#include <shellapi.h>

#include <vector>

namespace gripline {

SingleInstance::Claim SingleInstance::claim() {
    mutex_.reset(CreateMutexW(nullptr, TRUE, kSingleInstanceMutex));
    if (!mutex_)
        return Claim::Failed;
    // Read before anything else can overwrite the last error.
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        mutex_.reset();
        return Claim::AlreadyRunning;
    }
    owned_ = true;
    return Claim::First;
}

void SingleInstance::release() {
    if (owned_)
        ReleaseMutex(mutex_.get());
    owned_ = false;
    mutex_.reset();
}

namespace {

constexpr ULONGLONG kWindowWaitMs = 10'000;
constexpr DWORD kWindowPollMs = 100;

// The first instance owns the mutex before its window exists (it loads the
// settings in between): the Analyzer's advice, handed over just then, would
// be lost without this wait.
HWND waitForRunningWindow() {
    const ULONGLONG deadline = GetTickCount64() + kWindowWaitMs;
    for (;;) {
        if (HWND running = FindWindowW(kMainWindowClass, nullptr))
            return running;
        if (GetTickCount64() >= deadline)
            return nullptr;
        Sleep(kWindowPollMs);
    }
}

} // namespace

// SendMessageW blocks until the running instance has applied the file, so
// this process may exit right after.
bool forwardToRunningInstance(const std::wstring& advicePath) {
    HWND running = waitForRunningWindow();
    if (!running)
        return false;
    if (!advicePath.empty()) {
        COPYDATASTRUCT data{};
        data.dwData = kAdviceCopyDataTag;
        data.cbData = static_cast<DWORD>((advicePath.size() + 1) * sizeof(wchar_t));
        data.lpData = const_cast<wchar_t*>(advicePath.c_str());
        SendMessageW(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    }
    ShowWindow(running, SW_RESTORE);
    SetForegroundWindow(running);
    return true;
}

std::wstring advicePathOfCommandLine() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!argv)
        return {};
    std::vector<std::wstring> arguments(argv, argv + count);
    LocalFree(argv);
    return advicePathFromArguments(arguments);
}

} // namespace gripline
