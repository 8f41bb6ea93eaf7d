#pragma once
// The updater's side of the main window: message boxes owned by it, its
// visibility, and the close request that ends the program normally.
#include "updater/update_ui.h"

#include <windows.h>

#include <functional>
#include <utility>

namespace gripline {

class Win32UpdateUi : public UpdateUi {
  public:
    using LogLine = std::function<void(const std::wstring&)>;
    // `logLine` appends one line to the session log.
    Win32UpdateUi(HWND window, LogLine logLine) : window_(window), logLine_(std::move(logLine)) {}

    void log(const std::wstring& line) override { logLine_(line); }
    bool isWindowShown() override;
    void showUpdateNotice(const std::wstring& text) override;
    bool confirmUpdate(const std::wstring& text) override;
    void requestClose() override { PostMessageW(window_, WM_CLOSE, 0, 0); }

  private:
    HWND window_;
    LogLine logLine_;
};

} // namespace gripline
