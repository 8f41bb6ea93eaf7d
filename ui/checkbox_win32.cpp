#include "ui/checkbox_win32.h"

#include "common/check_box_look_win32.h"
#include "common/window_dpi_win32.h"
#include "ui/control_ids.h"
#include "ui/control_record_win32.h"
#include "ui/window_layout.h"

namespace gripline {

namespace {

constexpr COLORREF kBack = RGB(24, 28, 34);

void paint(HWND window, const CheckboxRecord& r) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    CheckBoxLook look;
    look.checked = r.checked != 0;
    look.edgeLit = r.hover || GetFocus() == window;
    look.captionLit = r.hover != 0;
    look.background = kBack;
    auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    paintCheckBox(dc, client, look, font, r.caption, windowDpi(window));
    EndPaint(window, &ps);
}

void toggle(HWND window, CheckboxRecord& r) {
    r.checked = r.checked ? 0 : 1;
    InvalidateRect(window, nullptr, FALSE);
    SendMessageW(GetParent(window), kCheckboxToggledMessage, static_cast<WPARAM>(r.id),
                 reinterpret_cast<LPARAM>(window));
}

void onMouseMove(HWND window, CheckboxRecord& r) {
    if (r.hover)
        return;
    r.hover = 1;
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window, 0};
    TrackMouseEvent(&track);
    InvalidateRect(window, nullptr, FALSE);
}

LRESULT CALLBACK checkboxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CheckboxRecord* r = controlRecord<CheckboxRecord>(window, message, lParam);
    if (message == WM_NCCREATE) {
        // The default handling also keeps the caption as the window text,
        // where accessibility tools and the GUI tests read it.
        DefWindowProcW(window, message, wParam, lParam);
        return 1;
    }
    if (!r)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    // The default procedure keeps no font: it lives in the window's extra bytes.
    case WM_SETFONT:
        SetWindowLongPtrW(window, 0, static_cast<LONG_PTR>(wParam));
        if (LOWORD(lParam))
            InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_GETFONT:
        return GetWindowLongPtrW(window, 0);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_PAINT:
        paint(window, *r);
        return 0;
    case WM_MOUSEMOVE:
        onMouseMove(window, *r);
        return 0;
    case WM_MOUSELEAVE:
        r->hover = 0;
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN:
        SetFocus(window);
        return 0;
    case WM_LBUTTONUP:
        toggle(window, *r);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE || wParam == VK_RETURN)
            toggle(window, *r);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

bool registerCheckboxClass(HINSTANCE instance, HBRUSH background) {
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = checkboxProc;
    wc.cbWndExtra = sizeof(HFONT);
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_HAND);
    wc.hbrBackground = background;
    wc.lpszClassName = kCheckboxClass;
    return RegisterClassExW(&wc) != 0;
}

HWND createCheckboxWindow(HINSTANCE instance, HWND parent, const RECT& place, HFONT font,
                          CheckboxRecord& record) {
    record.window = CreateWindowExW(
        0, kCheckboxClass, record.caption.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP, place.left,
        place.top, place.right - place.left, place.bottom - place.top, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(record.id)), instance, &record);
    if (record.window)
        SendMessageW(record.window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return record.window;
}

} // namespace gripline
