#include "ui/session_log_win32.h"

#include "common/window_dpi_win32.h"

#include <string>

namespace gripline {

namespace {

std::wstring textOf(HWND edit) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
    return text;
}

void replaceRange(HWND edit, size_t from, size_t to, const wchar_t* with) {
    SendMessageW(edit, EM_SETSEL, from, to);
    SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(with));
}

// Above our own limit, so the control never refuses a line before we trim.
size_t controlLimit(size_t textLimit) {
    return textLimit + 4096;
}

} // namespace

// The edit control would silently refuse text past its limit, losing the
// newest lines (the ones that matter after a long session); dropping the
// oldest ones first keeps them.
void SessionLog::trimFor(HWND edit, size_t incoming) const {
    const auto length = static_cast<size_t>(GetWindowTextLengthW(edit));
    if (length + incoming <= textLimit_)
        return;
    const size_t drop = logTrimLength(textOf(edit), incoming, textLimit_);
    if (drop > 0)
        replaceRange(edit, 0, drop, L"");
}

void SessionLog::append(HWND edit, const std::wstring& line) const {
    trimFor(edit, line.size());
    const auto end = static_cast<size_t>(GetWindowTextLengthW(edit));
    replaceRange(edit, end, end, line.c_str());
    SendMessageW(edit, EM_SCROLLCARET, 0, 0);
}

void SessionLog::attachPane(HWND pane) {
    pane_ = pane;
    SendMessageW(pane_, EM_SETLIMITTEXT, controlLimit(textLimit_), 0);
}

void SessionLog::log(std::wstring_view message) {
    const std::wstring line = logLine(message);
    if (pane_ && IsWindow(pane_))
        append(pane_, line);
    if (window_ && IsWindow(window_))
        append(window_, line);
}

void SessionLog::showLogWindow(HWND owner, HFONT font) {
    if (window_ && IsWindow(window_)) {
        ShowWindow(window_, SW_SHOW);
        SetForegroundWindow(window_);
        return;
    }
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                        ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_READONLY;
    const SIZE size = scaledWindowSize(900, 520, windowDpi(owner));
    window_ = CreateWindowExW(WS_EX_APPWINDOW, L"Edit", L"Torvix Session Log", style, CW_USEDEFAULT,
                              CW_USEDEFAULT, size.cx, size.cy, owner, nullptr,
                              reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE)),
                              nullptr);
    if (!window_)
        return;
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageW(window_, EM_SETLIMITTEXT, controlLimit(textLimit_), 0);
    const std::wstring text = pane_ ? textOf(pane_) : std::wstring();
    SetWindowTextW(window_, text.c_str());
    SendMessageW(window_, EM_SETSEL, text.size(), text.size());
    SendMessageW(window_, EM_SCROLLCARET, 0, 0);
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
}

void SessionLog::reportClipping(const EngineStatus& status) {
    for (const std::wstring& line : clipReporter_.linesFor(status))
        log(line);
}

void SessionLog::setWindowFont(HFONT font) {
    if (window_ && IsWindow(window_))
        SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void SessionLog::destroyLogWindow() {
    if (window_ && IsWindow(window_))
        DestroyWindow(window_);
    window_ = nullptr;
}

} // namespace gripline
