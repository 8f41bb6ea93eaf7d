#include "common/window_dpi_win32.h"

namespace gripline {

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

// Looked up once: older systems lack the call, and the program still runs
// there at the screen's DPI.
GetDpiForWindowFn getDpiForWindow() {
    static const auto fn = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    return fn;
}

int screenDpi() {
    HDC screen = GetDC(nullptr);
    if (!screen)
        return kLayoutDpi;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return usableDpi(static_cast<unsigned>(dpi));
}

} // namespace

int windowDpi(HWND window) {
    if (const GetDpiForWindowFn fn = getDpiForWindow(); fn && window)
        if (const UINT dpi = fn(window); dpi != 0)
            return usableDpi(dpi);
    return screenDpi();
}

HWND createScaledChild(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style,
                       DWORD exStyle, int id, const PixelRect& at96, int dpi, HFONT font) {
    const PixelRect at = scaleToDpi(at96, dpi);
    HWND child = CreateWindowExW(
        exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, at.left, at.top, at.width(),
        at.height(), parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

void placeScaled(HWND child, const PixelRect& at96, int dpi) {
    const PixelRect r = scaleToDpi(at96, dpi);
    SetWindowPos(child, nullptr, r.left, r.top, r.width(), r.height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void moveToSuggested(HWND window, LPARAM suggested) {
    const auto* r = reinterpret_cast<const RECT*>(suggested);
    if (!r)
        return;
    SetWindowPos(window, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace gripline
