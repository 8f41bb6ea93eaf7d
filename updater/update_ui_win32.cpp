#include "updater/update_ui_win32.h"

namespace gripline {

bool Win32UpdateUi::isWindowShown() {
    return window_ && IsWindowVisible(window_) && !IsIconic(window_);
}

void Win32UpdateUi::showUpdateNotice(const std::wstring& text) {
    MessageBoxW(window_, text.c_str(), L"Gripline", MB_OK | MB_ICONINFORMATION);
}

bool Win32UpdateUi::confirmUpdate(const std::wstring& text) {
    return MessageBoxW(window_, text.c_str(), L"Gripline", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

} // namespace gripline
