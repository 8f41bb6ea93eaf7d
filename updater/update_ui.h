#pragma once
// What the updater asks of the main window. Everything runs on the window
// thread. The Win32 adapter is `Win32UpdateUi` (`update_ui_win32.h`).
#include <string>

namespace gripline {

class UpdateUi {
  public:
    virtual ~UpdateUi() = default;
    // One line in the session log.
    virtual void log(const std::wstring& line) = 0;
    // True when the main window is visible and not minimised.
    virtual bool isWindowShown() = 0;
    // Information message box captioned "Gripline".
    virtual void showUpdateNotice(const std::wstring& text) = 0;
    // Yes/No question box captioned "Gripline"; true only for Yes.
    virtual bool confirmUpdate(const std::wstring& text) = 0;
    // Posts a close request to the main window: the program then ends
    // through its normal shutdown.
    virtual void requestClose() = 0;
};

} // namespace gripline
