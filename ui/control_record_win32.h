#pragma once
// The record behind a custom control (slider, check box): the owner passes
// its address as the creation parameter and keeps it alive while the window
// lives; the window keeps it in its user data from WM_NCCREATE until
// WM_NCDESTROY.
#include <windows.h>

namespace gripline {

// The first call of a control's window procedure: stores the record at
// WM_NCCREATE, forgets it at WM_NCDESTROY, and returns the record this
// message is for (null before WM_NCCREATE: leave the message to
// DefWindowProcW).
template <typename Record> Record* controlRecord(HWND window, UINT message, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* record = reinterpret_cast<Record*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY)
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    return record;
}

} // namespace gripline
