#include "tests/analyzer_window/analyzer_driver_win32.h"

#include "tests/support/standin_child_win32.h"

namespace gripline::test {

namespace {

BOOL CALLBACK collectStatic(HWND child, LPARAM param) {
    if (_wcsicmp(className(child).c_str(), L"Static") == 0)
        *reinterpret_cast<std::wstring*>(param) += windowText(child);
    return TRUE;
}

} // namespace

std::wstring windowsPath(const std::filesystem::path& path) {
    wchar_t full[1024] = {};
    GetFullPathNameW(path.wstring().c_str(), 1024, full, nullptr);
    return full;
}

bool waitFor(const std::function<bool()>& condition) {
    return waitFor(condition, kDeadline);
}

int runTool(const std::wstring& commandLine, const std::wstring& outputFile) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    ScopedHandle out(CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out.get();
    si.hStdError = out.get();
    PROCESS_INFORMATION pi{};
    std::wstring line = commandLine;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &si, &pi))
        return -1;
    ScopedHandle process(pi.hProcess), thread(pi.hThread);
    if (WaitForSingleObject(pi.hProcess, 120000) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    return static_cast<int>(code);
}

bool AnalyzerProcess::start(const std::wstring& exe, const std::wstring& arguments) {
    return process_.start(exe, arguments);
}

HWND AnalyzerProcess::waitForWindow() {
    window = waitForTopWindow(L"TorvixCommercialAnalyzerWindow", process_.id(), kDeadline);
    return window;
}

int AnalyzerProcess::close() {
    PostMessageW(window, WM_CLOSE, 0, 0);
    return process_.waitExit(30s);
}

HWND waitForMessageBox(const AnalyzerProcess& analyzer) {
    return waitForTopWindow(L"#32770", analyzer.id(), kDeadline);
}

std::wstring messageBoxText(HWND box) {
    std::wstring text;
    EnumChildWindows(box, collectStatic, reinterpret_cast<LPARAM>(&text));
    return text;
}

void dismiss(HWND box) {
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    waitFor([&] { return !IsWindow(box); });
}

void postClick(HWND button) {
    PostMessageW(button, BM_CLICK, 0, 0);
}

bool screenshot(HWND window, const std::wstring& pngPath) {
    RECT area{};
    GetWindowRect(window, &area);
    return screenshot(area, pngPath);
}

} // namespace gripline::test
