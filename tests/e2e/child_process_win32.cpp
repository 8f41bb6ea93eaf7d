#include "tests/e2e/child_process_win32.h"

namespace gripline::test {

std::wstring windowsPath(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath)
        path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return path;
}

bool ChildProcess::start(const std::wstring& exe, const std::vector<std::wstring>& args) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    for (const std::wstring& arg : args)
        commandLine += L" \"" + arg + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    process_.reset(info.hProcess);
    return true;
}

bool ChildProcess::running() const {
    return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

bool ChildProcess::waitExit(int ms) const {
    return !process_ || WaitForSingleObject(process_.get(), static_cast<DWORD>(ms)) == WAIT_OBJECT_0;
}

int ChildProcess::exitCode() const {
    DWORD code = 0;
    if (!process_ || !GetExitCodeProcess(process_.get(), &code))
        return -1;
    return static_cast<int>(code);
}

void ChildProcess::kill() {
    if (running()) {
        TerminateProcess(process_.get(), 9);
        WaitForSingleObject(process_.get(), 5000);
    }
    process_.reset();
}

} // namespace gripline::test
