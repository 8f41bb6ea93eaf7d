#include "common/hidden_window_win32.h"

namespace gripline {

namespace {

constexpr wchar_t kClassName[] = L"GriplineHiddenWindow";

void registerClassOnce(HINSTANCE instance) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kClassName;
    RegisterClassW(&windowClass); // a second registration fails harmlessly
}

} // namespace

HiddenWindow::HiddenWindow() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    registerClassOnce(instance);
    window_ = CreateWindowExW(0, kClassName, L"Gripline", WS_OVERLAPPED, 0, 0, 0, 0, nullptr,
                              nullptr, instance, nullptr);
    if (!window_)
        window_ = CreateWindowExW(0, kClassName, L"Gripline", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, instance, nullptr);
}

HiddenWindow::~HiddenWindow() {
    if (window_)
        DestroyWindow(window_);
}

} // namespace gripline
