#pragma once
// What the programs that drive the real Gripline window from outside share
// (the main job, the fault soak): the window's controls and session log,
// the virtual wheel's registry override, and how a run fails.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace gripline::test {

class ProgramProcess;
class StandinChild;

// A cold Wine start on a busy machine.
inline constexpr std::chrono::seconds kJobLimit{90};

// Thrown by failJob and caught by the driver's entry point, so the programs
// it started are ended on the way out.
struct JobFailure {
    std::string why;
};
[[noreturn]] void failJob(const std::string& why);

// ASCII of `text`, '?' for everything else: for the driver's own output.
std::string narrow(const std::wstring& text);

// Torvix_Commercial.exe prefers the dinput8.dll beside it: the virtual wheel.
void useVirtualWheel();

// Starts Torvix_Commercial.exe from `programDir` and waits for its window
// and its device list; the window's handle. Fails the run without them.
HWND startGripline(ProgramProcess& gripline, const std::wstring& programDir);

// Starts the simulator stand-in and waits for its window; fails the run
// without it.
void startStandin(StandinChild& standin, const std::vector<std::wstring>& args);
// Closes it as the user does (its bit is cleared); killed when it hangs.
void closeStandin(StandinChild& standin);

class GriplineWindow {
  public:
    // `say` prints one line of the driver's progress.
    GriplineWindow(HWND window, std::function<void(const std::string&)> say)
        : window_(window), say_(std::move(say)) {}
    HWND handle() const { return window_; }
    HWND item(int id) const { return GetDlgItem(window_, id); }
    std::wstring log() const;
    size_t count(const std::wstring& line) const;
    bool waitForLine(const std::wstring& line, size_t times = 1) const;
    // Waits for the line (`times` of it), says it; fails the run without it.
    void expectLine(const std::wstring& line, size_t times = 1) const;
    // The first log line starting with `prefix`, waited for; empty when none came.
    std::wstring lineStarting(const std::wstring& prefix) const;
    // Scrolls the session log to the last line holding `part` (the box
    // shows two) and returns that line; empty when there is none.
    std::wstring scrollLogTo(const std::wstring& part) const;
    // Ticks one of the custom check boxes with the mouse; the click is
    // posted, so its effect (a log line) is to be waited for.
    void tick(int id) const;
    void screenshot(const std::wstring& path) const;

  private:
    HWND window_;
    std::function<void(const std::string&)> say_;
};

} // namespace gripline::test
