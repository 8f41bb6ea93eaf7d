#include "tools/simulator_standin/shutdown_win32.h"

#include "common/scoped_handle_win32.h"

#include <atomic>

namespace gripline::standin {

namespace {

constexpr UINT kQuitRequest = WM_APP + 1;
constexpr DWORD kCloseGraceMs = 4000; // Windows allows a closing console about 5 s

// The console handler gets no context pointer, so what it needs lives here;
// written once by installConsoleHandler before the handler can run.
struct ConsoleShutdown {
    std::atomic<DWORD> mainThread{0};
    ScopedHandle done; // manual-reset, set by shutdownDone()
};
ConsoleShutdown& consoleShutdown() {
    static ConsoleShutdown state;
    return state;
}

BOOL WINAPI onConsoleEvent(DWORD event) {
    ConsoleShutdown& state = consoleShutdown();
    requestQuit(state.mainThread.load());
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(state.done.get(), kCloseGraceMs);
    return TRUE;
}

} // namespace

void prepareMessageQueue() {
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
}

void runMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr && msg.message == kQuitRequest)
            return;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void requestQuit(DWORD thread) {
    PostThreadMessageW(thread, kQuitRequest, 0, 0);
}

void installConsoleHandler(DWORD mainThread) {
    ConsoleShutdown& state = consoleShutdown();
    state.done.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    state.mainThread.store(mainThread);
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

void shutdownDone() {
    if (HANDLE done = consoleShutdown().done.get())
        SetEvent(done);
}

} // namespace gripline::standin
