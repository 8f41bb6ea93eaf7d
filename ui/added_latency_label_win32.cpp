#include "ui/added_latency_label_win32.h"

#include "common/dpi_scale.h"

namespace gripline {

void AddedLatencyLabel::create(HWND parent, int id, int dpi, HFONT font) {
    parent_ = parent;
    label_ = CreateWindowExW(0, L"Static", shown_.c_str(), WS_CHILD | WS_VISIBLE | SS_NOPREFIX, 0,
                             0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             nullptr, nullptr);
    place(dpi, font);
}

void AddedLatencyLabel::place(int dpi, HFONT font) {
    if (!label_)
        return;
    RECT client;
    GetClientRect(parent_, &client);
    SetWindowPos(label_, nullptr, client.right - scaleToDpi(kFromRight, dpi),
                 client.bottom - scaleToDpi(kFromBottom, dpi), scaleToDpi(kWidth, dpi),
                 scaleToDpi(kHeight, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(label_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void AddedLatencyLabel::show(const std::wstring& text) {
    if (!label_ || text == shown_)
        return;
    shown_ = text;
    SetWindowTextW(label_, text.c_str());
}

} // namespace gripline
