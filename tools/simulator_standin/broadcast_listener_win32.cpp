#include "tools/simulator_standin/broadcast_listener_win32.h"

#include "telemetry/telemetry_layout.h"
#include "tools/simulator_standin/log_lines.h"

namespace gripline::standin {

BroadcastListener::~BroadcastListener() {
    if (window_)
        DestroyWindow(window_);
}

bool BroadcastListener::start(HINSTANCE instance, FILE* log, std::string& error) {
    log_ = log;
    broadcastId_ = RegisterWindowMessageW(irsdk::kBroadcastMessageName);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kListenerWindowClass;
    RegisterClassExW(&windowClass);
    // Never shown: a hidden top-level window still receives broadcasts.
    CreateWindowExW(0, kListenerWindowClass, L"Gripline simulator stand-in", WS_OVERLAPPEDWINDOW,
                    CW_USEDEFAULT, CW_USEDEFAULT, 320, 200, nullptr, nullptr, instance, this);
    if (broadcastId_ != 0 && window_)
        return true;
    error = "no window for broadcast commands (under Wine: no X display; start Xvfb and set "
            "DISPLAY): broadcast commands are not logged";
    return false;
}

LRESULT CALLBACK BroadcastListener::windowProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<BroadcastListener*>(
            reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<BroadcastListener*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (self)
            self->window_ = nullptr;
    }
    return self ? self->onMessage(window, message, wParam, lParam)
                : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT BroadcastListener::onMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // A registered id is no constant, so it cannot be a case label.
    if (message == broadcastId_ && broadcastId_ != 0) {
        onBroadcast(wParam, lParam);
        return 0;
    }
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

void BroadcastListener::onBroadcast(WPARAM wParam, LPARAM lParam) {
    if (!log_)
        return;
    const std::string line = broadcastLogLine(wParam, lParam);
    std::fwrite(line.data(), 1, line.size(), log_);
    std::fflush(log_); // a test reads the log while the stand-in runs
}

} // namespace gripline::standin
