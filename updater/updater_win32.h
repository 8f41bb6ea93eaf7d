#pragma once
// What the main window calls: the start-up notice and the Update command,
// against the update server, the window itself and the real files.
//
//   Win32Updater updater(mainWindow, [&](const std::wstring& line) { log(line); });
//   updater.notifyAtStartup(); // once, after the window exists, before the message loop
//   updater.install();         // the Update button (command 1127)
//
// Both block the window thread while they talk to the server. install()
// posts WM_CLOSE to the window when the restart script has started; the
// program must then shut down normally so the script can replace its file.
#include "updater/https_client_win32.h"
#include "updater/update_system_win32.h"
#include "updater/update_ui_win32.h"

namespace gripline {

class Win32Updater {
  public:
    Win32Updater(HWND window, Win32UpdateUi::LogLine logLine)
        : ui_(window, std::move(logLine)), system_(window) {}

    void notifyAtStartup();
    void install();

  private:
    WinHttpClient server_{kUpdateHost}; // fixed: nothing a user sets can redirect updates
    Win32UpdateUi ui_;
    Win32UpdateSystem system_;
};

} // namespace gripline
