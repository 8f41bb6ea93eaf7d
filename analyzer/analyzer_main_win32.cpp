// The Analyzer's entry point: the window first, then the recording named on
// the command line (the force-feedback program passes its last one), then
// the message loop.
#include "analyzer/analyzer_window_win32.h"

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

namespace {

// The arguments as the shell split them; the system's array is freed here.
std::wstring firstArgument() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring first;
    if (arguments && count > 1)
        first = arguments[1];
    LocalFree(arguments);
    return first;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    const std::wstring recording = firstArgument();
    gripline::AnalyzerWindow window(instance);
    if (!window.create(showCommand))
        return 1;
    // After the window shows, so a refused recording's message box has an
    // owner the user can see.
    if (!recording.empty())
        window.openRecording(recording);
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
