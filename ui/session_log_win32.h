#pragma once
// The session log: every message of the program to the user is one line in
// the pane at the bottom of the main window and, while it is open, in the
// "View log" window that mirrors the pane. Window thread only.
#include "engine/engine_status.h"
#include "ui/session_log_text.h"

#include <windows.h>

#include <string_view>

namespace gripline {

class SessionLog {
  public:
    // `textLimit`: characters kept in the pane and the window; tests use a
    // smaller one than the program.
    explicit SessionLog(size_t textLimit = kLogTextLimit) : textLimit_(textLimit) {}

    // The pane, once created; lines logged before it are not kept.
    void attachPane(HWND pane);
    void log(std::wstring_view message);
    // Brings the log window up, creating it with the pane's whole text.
    void showLogWindow(HWND owner, HFONT font);
    void reportClipping(const EngineStatus& status);
    void destroyLogWindow();
    // The log window's font after the main window's DPI changed.
    void setWindowFont(HFONT font);
    HWND logWindow() const { return window_; }

  private:
    void append(HWND edit, const std::wstring& line) const;
    void trimFor(HWND edit, size_t incoming) const;

    size_t textLimit_;
    HWND pane_ = nullptr;
    HWND window_ = nullptr; // the "View log" window, or null / destroyed
    ClipReporter clipReporter_;
};

} // namespace gripline
