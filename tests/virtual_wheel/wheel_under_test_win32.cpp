#include "tests/virtual_wheel/wheel_under_test_win32.h"

#include "common/qpc_clock_win32.h"
#include "tools/virtual_wheel/virtual_wheel_ids.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace gripline::test {

namespace {

std::filesystem::path programFolder() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(std::wstring(path, n)).parent_path();
}

std::filesystem::path tempFolder() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetTempPathW(MAX_PATH, path);
    return std::filesystem::path(std::wstring(path, n));
}

// Per process, so two test runs never fight over a loaded copy.
DirectInput8CreateFn loadCopy() {
    const auto copy = tempFolder() / (L"gripline_virtual_wheel_" +
                                      std::to_wstring(GetCurrentProcessId()) + L".dll");
    if (!CopyFileW((programFolder() / L"dinput8.dll").c_str(), copy.c_str(), FALSE))
        throw std::runtime_error("no dinput8.dll beside the test: gripline_use_virtual_wheel?");
    // Kept loaded for the whole run: objects may outlive a test's scope.
    const HMODULE module = LoadLibraryW(copy.c_str());
    if (!module)
        throw std::runtime_error("LoadLibraryW of the virtual wheel's copy failed");
    // Through void(*)() so the cast states its intent to the compiler.
    const auto entry = reinterpret_cast<void (*)()>(GetProcAddress(module, "DirectInput8Create"));
    return reinterpret_cast<DirectInput8CreateFn>(entry);
}

} // namespace

DirectInput8CreateFn wheelDirectInput8Create() {
    static const DirectInput8CreateFn create = loadCopy();
    return create;
}

WheelEnvironment::WheelEnvironment(const std::wstring& failures) {
    static std::atomic<int> serial{0};
    logPath_ = (tempFolder() / (L"gripline_wheel_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                                std::to_wstring(++serial) + L".log"))
                   .wstring();
    DeleteFileW(logPath_.c_str());
    SetEnvironmentVariableW(wheel::kWheelLogVariable, logPath_.c_str());
    SetEnvironmentVariableW(wheel::kWheelFailVariable,
                            failures.empty() ? nullptr : failures.c_str());
}

WheelEnvironment::~WheelEnvironment() {
    SetEnvironmentVariableW(wheel::kWheelLogVariable, nullptr);
    SetEnvironmentVariableW(wheel::kWheelFailVariable, nullptr);
}

std::vector<WheelLogLine> WheelEnvironment::log() const {
    std::vector<WheelLogLine> lines;
    std::ifstream file{std::filesystem::path(logPath_)};
    std::string text;
    while (std::getline(file, text)) {
        std::istringstream fields(text);
        WheelLogLine line;
        fields >> line.qpcUs >> line.event;
        std::getline(fields >> std::ws, line.value);
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> WheelEnvironment::events() const {
    std::vector<std::string> events;
    for (const WheelLogLine& line : log())
        events.push_back(line.value.empty() ? line.event : line.event + " " + line.value);
    return events;
}

MessageWindow::MessageWindow()
    : window_(CreateWindowExW(0, L"STATIC", L"wheel test", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              nullptr, nullptr)) {}

MessageWindow::~MessageWindow() {
    if (window_)
        DestroyWindow(window_);
}

int64_t qpcNowUs() {
    return qpcClock().nowNs() / kNsPerUs;
}

} // namespace gripline::test
