#include "tools/main_job/window_job_win32.h"

#include "tests/support/gui_driver_win32.h"
#include "tests/support/standin_child_win32.h"

namespace gripline::test {

void failJob(const std::string& why) {
    throw JobFailure{why};
}

std::string narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

void useVirtualWheel() {
    const wchar_t order[] = L"native,builtin";
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\Torvix_Commercial.exe\\DllOverrides",
                    L"dinput8", REG_SZ, order, sizeof order);
}

namespace {
constexpr const wchar_t* kStandinClass = L"GriplineSimulatorStandin";
} // namespace

HWND startGripline(ProgramProcess& gripline, const std::wstring& programDir) {
    if (!gripline.start(programDir + L"\\Torvix_Commercial.exe"))
        failJob("Torvix_Commercial.exe did not start");
    const HWND handle = waitForTopWindow(L"TorvixCommercialWindow", gripline.id(), kJobLimit);
    if (!handle)
        failJob("no Gripline window appeared");
    return handle;
}

void startStandin(StandinChild& standin, const std::vector<std::wstring>& args) {
    if (!standin.start(args))
        failJob("the simulator stand-in did not start");
    if (!waitFor([] { return FindWindowW(kStandinClass, nullptr) != nullptr; }, kJobLimit))
        failJob("the stand-in's window never appeared: " + standin.err());
}

void closeStandin(StandinChild& standin) {
    if (HWND w = FindWindowW(kStandinClass, nullptr))
        PostMessageW(w, WM_CLOSE, 0, 0);
    if (standin.waitExit(std::chrono::seconds(30)) < 0)
        standin.kill();
}

namespace {
// The session log pane, found by its place in the layout.
HWND logBox(HWND window) { return childAt(window, {48, 718, 1548, 774}); }
} // namespace

std::wstring GriplineWindow::log() const {
    return windowText(logBox(window_));
}

std::wstring GriplineWindow::scrollLogTo(const std::wstring& part) const {
    const HWND box = logBox(window_);
    const std::wstring text = windowText(box);
    const size_t at = text.rfind(part);
    if (at == std::wstring::npos)
        return {};
    // The caret at the line's end, then into view: the box's own measure of
    // its (wrapped) lines decides where it scrolls.
    const size_t end = text.find(L"\r\n", at);
    const WPARAM caret = end == std::wstring::npos ? text.size() : end;
    SendMessageW(box, EM_SETSEL, caret, caret);
    SendMessageW(box, EM_SCROLLCARET, 0, 0);
    const size_t start = text.rfind(L"\n", at);
    const size_t from = start == std::wstring::npos ? 0 : start + 1;
    return text.substr(from, end - from);
}

size_t GriplineWindow::count(const std::wstring& line) const {
    return countLines(log(), line);
}

bool GriplineWindow::waitForLine(const std::wstring& line, size_t times) const {
    return waitFor([&] { return count(line) >= times; }, kJobLimit);
}

void GriplineWindow::expectLine(const std::wstring& line, size_t times) const {
    if (!waitForLine(line, times))
        failJob("the log never showed \"" + narrow(line) + "\"; it holds:\n" + narrow(log()));
    say_("log: " + narrow(line));
}

std::wstring GriplineWindow::lineStarting(const std::wstring& prefix) const {
    std::wstring found;
    waitFor(
        [&] {
            const std::wstring text = log();
            const size_t at = text.find(prefix);
            if (at == std::wstring::npos)
                return false;
            found = text.substr(at, text.find(L"\r\n", at) - at);
            return true;
        },
        kJobLimit);
    return found;
}

void GriplineWindow::tick(int id) const {
    mouse(item(id), WM_LBUTTONDOWN, 12, 12);
    mouse(item(id), WM_LBUTTONUP, 12, 12);
}

void GriplineWindow::screenshot(const std::wstring& path) const {
    RECT area;
    GetWindowRect(window_, &area);
    if (!test::screenshot(area, path))
        failJob("no screenshot " + narrow(path));
    say_("screenshot " + narrow(path));
}

} // namespace gripline::test
