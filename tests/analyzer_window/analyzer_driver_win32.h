#pragma once
// Drives the real Analyzer from a test process under Wine + Xvfb, on top of
// the shared GUI driver: starts it in a folder of its own, finds its window
// and message boxes, and runs the command-line tool for the recordings it
// opens.
#include "tests/support/gui_driver_win32.h"

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace gripline::test {

using namespace std::chrono_literals;

// Shared machines are slow: every wait polls up to this long.
inline constexpr std::chrono::milliseconds kDeadline = 30s;

// A Windows path for a path of the test build ("/work/..." becomes "Z:\work\...").
std::wstring windowsPath(const std::filesystem::path& path);

// Runs `commandLine` with standard output into `outputFile`; its exit code,
// or -1 when it could not start or did not end in time.
int runTool(const std::wstring& commandLine, const std::wstring& outputFile);

class AnalyzerProcess {
  public:
    bool start(const std::wstring& exe, const std::wstring& arguments);
    // The main window, waiting for it to appear.
    HWND waitForWindow();
    // Closes the window and waits for the process to end; its exit code.
    int close();
    DWORD id() const { return process_.id(); }

    HWND window = nullptr;

  private:
    ProgramProcess process_;
};

// The message box the Analyzer shows, or null after the deadline.
HWND waitForMessageBox(const AnalyzerProcess& analyzer);
// The text of a message box (its static texts joined).
std::wstring messageBoxText(HWND box);
// Presses OK and waits until the box is gone.
void dismiss(HWND box);

// A click whose handler may open a modal box: posted, not waited for.
void postClick(HWND button);
bool waitFor(const std::function<bool()>& condition);

// The window as it is on the screen, as a PNG file.
bool screenshot(HWND window, const std::wstring& pngPath);

} // namespace gripline::test
