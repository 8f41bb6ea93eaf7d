#include "ui/checkbox_win32.h"

#include "ui/control_ids.h"
#include "ui/control_record_win32.h"
#include "ui/gdi_scope_win32.h"
#include "ui/window_layout.h"

namespace gripline {

namespace {

constexpr COLORREF kBack = RGB(24, 28, 34);
constexpr COLORREF kAccent = RGB(45, 102, 194);
constexpr COLORREF kIdleEdge = RGB(190, 198, 208);
constexpr COLORREF kEmptyBox = RGB(9, 12, 16);
constexpr COLORREF kTick = RGB(13, 15, 18);
constexpr COLORREF kCaption = RGB(218, 226, 236);
constexpr COLORREF kHoverCaption = RGB(232, 238, 246);

void drawBox(HDC dc, const CheckboxRecord& r, bool focused) {
    GdiObject<HPEN> edge(CreatePen(PS_SOLID, 1, (r.hover || focused) ? kAccent : kIdleEdge));
    GdiObject<HBRUSH> fill(CreateSolidBrush(r.checked ? kAccent : kEmptyBox));
    SelectScope pen(dc, edge.get());
    SelectScope brush(dc, fill.get());
    RoundRect(dc, 0, 4, 14, 18, 3, 3);
    if (!r.checked)
        return;
    GdiObject<HPEN> tickPen(CreatePen(PS_SOLID, 2, kTick));
    SelectScope tick(dc, tickPen.get());
    MoveToEx(dc, 4, 11, nullptr);
    LineTo(dc, 7, 14);
    LineTo(dc, 11, 8);
}

void drawCaption(HDC dc, HWND window, const CheckboxRecord& r, RECT client) {
    auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    SelectScope selected(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, r.hover ? kHoverCaption : kCaption);
    RECT text{24, 1, client.right, client.bottom};
    DrawTextW(dc, r.caption.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void paint(HWND window, const CheckboxRecord& r) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    GdiObject<HBRUSH> back(CreateSolidBrush(kBack));
    FillRect(dc, &client, back.get());
    drawBox(dc, r, GetFocus() == window);
    drawCaption(dc, window, r, client);
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

HWND createCheckboxWindow(HINSTANCE instance, HWND parent, int x, int y, HFONT font,
                          CheckboxRecord& record) {
    record.window = CreateWindowExW(
        0, kCheckboxClass, record.caption.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP, x, y,
        kCheckboxWidth, kCheckboxHeight, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(record.id)), instance, &record);
    if (record.window)
        SendMessageW(record.window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return record.window;
}

} // namespace gripline
