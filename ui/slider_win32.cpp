#include "ui/slider_win32.h"

#include "common/gdi_object_win32.h"
#include "common/gdi_scope_win32.h"
#include "common/window_dpi_win32.h"
#include "ui/control_ids.h"
#include "ui/control_record_win32.h"
#include "ui/slider_math.h"
#include "ui/window_layout.h"

#include <windowsx.h>

namespace gripline {

namespace {

constexpr COLORREF kSliderBack = RGB(24, 28, 34);
constexpr COLORREF kTrackColour = RGB(206, 214, 224);
constexpr COLORREF kFillColour = RGB(28, 142, 236);
constexpr COLORREF kActiveFillColour = RGB(45, 102, 194); // hovered or dragged

SliderRange rangeOf(const SliderRecord& r) {
    return {r.minimum, r.maximum};
}

int clientWidth(HWND window) {
    RECT rc;
    GetClientRect(window, &rc);
    return rc.right - rc.left;
}

// The track's inset grows with the window's DPI, as its width does.
int trackInset(HWND window) {
    return scaleToDpi(kSliderTrackInset, windowDpi(window));
}

void line(HDC dc, COLORREF colour, int width, int x0, int x1, int y) {
    GdiObject<HPEN> pen(CreatePen(PS_SOLID, width, colour));
    SelectScope selected(dc, pen.get());
    MoveToEx(dc, x0, y, nullptr);
    LineTo(dc, x1, y);
}

// Drawn with the window's DPI: a 3-pixel track and a 10 × 20 knob at 96,
// everything scaled alike, so it is as sharp at 144 as at 96.
void draw(HDC dc, HWND window, const SliderRecord& r) {
    RECT rc;
    GetClientRect(window, &rc);
    GdiObject<HBRUSH> back(CreateSolidBrush(kSliderBack));
    FillRect(dc, &rc, back.get());
    const int dpi = windowDpi(window);
    const auto px = [dpi](int v) { return scaleToDpi(v, dpi); };
    const int w = rc.right, mid = rc.bottom / 2, inset = px(kSliderTrackInset);
    const int knob = knobX(rangeOf(r), r.value, w, inset);
    const COLORREF fill = (r.hover || r.dragging) ? kActiveFillColour : kFillColour;
    line(dc, kTrackColour, px(3), inset, w - inset, mid);
    line(dc, fill, px(3), inset, knob, mid);
    GdiObject<HBRUSH> knobBrush(CreateSolidBrush(fill));
    GdiObject<HPEN> knobPen(CreatePen(PS_SOLID, 1, fill));
    SelectScope brush(dc, knobBrush.get());
    SelectScope pen(dc, knobPen.get());
    RoundRect(dc, knob - px(5), mid - px(10), knob + px(5), mid + px(10), px(5), px(5));
}

void paint(HWND window, const SliderRecord& r) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    draw(dc, window, r);
    EndPaint(window, &ps);
}

void setValue(HWND window, SliderRecord& r, int32_t value) {
    value = rangeOf(r).clamp(value);
    if (value == r.value)
        return;
    r.value = value;
    InvalidateRect(window, nullptr, FALSE);
    SendMessageW(GetParent(window), kSliderChangedMessage, static_cast<WPARAM>(value),
                 reinterpret_cast<LPARAM>(window));
}

void setFromPointer(HWND window, SliderRecord& r, LPARAM lParam) {
    setValue(
        window, r,
        sliderValueAt(rangeOf(r), GET_X_LPARAM(lParam), clientWidth(window), trackInset(window)));
}

void trackLeave(HWND window) {
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window, 0};
    TrackMouseEvent(&track);
}

void onMouseMove(HWND window, SliderRecord& r, LPARAM lParam) {
    if (!r.hover) {
        r.hover = 1;
        trackLeave(window);
        InvalidateRect(window, nullptr, FALSE);
    }
    if (r.dragging)
        setFromPointer(window, r, lParam);
}

void onButtonDown(HWND window, SliderRecord& r, LPARAM lParam) {
    SetFocus(window);
    SetCapture(window);
    r.hover = 1;
    r.dragging = 1;
    setFromPointer(window, r, lParam);
    InvalidateRect(window, nullptr, FALSE);
}

void onButtonUp(HWND window, SliderRecord& r, LPARAM lParam) {
    if (!r.dragging)
        return;
    r.dragging = 0;
    ReleaseCapture();
    setFromPointer(window, r, lParam);
    InvalidateRect(window, nullptr, FALSE);
}

void onKeyDown(HWND window, SliderRecord& r, WPARAM key) {
    switch (key) {
    case VK_LEFT:
        setValue(window, r, r.value - 1);
        break;
    case VK_RIGHT:
        setValue(window, r, r.value + 1);
        break;
    case VK_HOME:
        setValue(window, r, r.minimum);
        break;
    case VK_END:
        setValue(window, r, r.maximum);
        break;
    default:
        break;
    }
}

LRESULT CALLBACK sliderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    SliderRecord* r = controlRecord<SliderRecord>(window, message, lParam);
    if (message == WM_NCCREATE)
        return 1;
    if (!r)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        paint(window, *r);
        return 0;
    case WM_MOUSEMOVE:
        onMouseMove(window, *r, lParam);
        return 0;
    case WM_LBUTTONDOWN:
        onButtonDown(window, *r, lParam);
        return 0;
    case WM_LBUTTONUP:
        onButtonUp(window, *r, lParam);
        return 0;
    case WM_MOUSELEAVE:
        r->hover = 0;
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_KEYDOWN:
        onKeyDown(window, *r, wParam);
        return 0;
    // Arrow keys reach the slider rather than moving the focus on.
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

bool registerSliderClass(HINSTANCE instance, HBRUSH background) {
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = sliderProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_HAND);
    wc.hbrBackground = background;
    wc.lpszClassName = kSliderClass;
    return RegisterClassExW(&wc) != 0;
}

HWND createSliderWindow(HINSTANCE instance, HWND parent, int id, const RECT& place,
                        SliderRecord& record) {
    record.window =
        CreateWindowExW(0, kSliderClass, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, place.left,
                        place.top, place.right - place.left, place.bottom - place.top, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, &record);
    return record.window;
}

} // namespace gripline
