#include "tests/support/pid_wheel_child_win32.h"

#include "common/qpc_clock_win32.h"
#include "common/scoped_handle_win32.h"
#include "tests/support/standin_child_win32.h"
#include "tools/pid_wheel/pid_report_log.h"

#include <windows.h>

#include <filesystem>
#include <fstream>

namespace gripline::test {

namespace {

constexpr DWORD kToolLimitMs = 120'000; // installing starts a device: slow on a busy machine

std::string narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

std::vector<uint8_t> descriptorBytes(const std::wstring& path) {
    const std::string text = readFile(path);
    if (path.ends_with(L".bin"))
        return std::vector<uint8_t>(text.begin(), text.end());
    std::string error;
    return pidwheel::parseDescriptorText(text, error).value_or(std::vector<uint8_t>{});
}

} // namespace

PidWheelChild::PidWheelChild(std::wstring tool, std::wstring log, std::wstring script)
    : tool_(std::move(tool)), log_(log.empty() ? tempFile(L"pid_wheel") + L".log" : std::move(log)),
      script_(script.empty() ? tempFile(L"pid_buttons") + L".txt" : std::move(script)) {}

bool PidWheelChild::install(const std::wstring& descriptor, const std::wstring& product,
                            std::string& error) {
    descriptor_ = descriptor;
    std::ofstream(std::filesystem::path(script_), std::ios::app).flush(); // exists, maybe empty
    return run(L"install --descriptor \"" + descriptor + L"\" --log \"" + log_ + L"\" --script \"" +
                   script_ + L"\" --product \"" + product + L"\"",
               error);
}

bool PidWheelChild::run(const std::wstring& arguments, std::string& error) {
    const std::wstring outPath = tempFile(L"pid_wheel_tool") + L".txt";
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    ScopedHandle out(CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                 CREATE_ALWAYS, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out.get();
    startup.hStdError = out.get();
    std::wstring command = L"\"" + tool_ + L"\" " + arguments;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
        error = "could not start " + narrow(tool_);
        return false;
    }
    ScopedHandle thread(process.hThread), child(process.hProcess);
    out.reset();
    DWORD code = 1;
    if (WaitForSingleObject(child.get(), kToolLimitMs) != WAIT_OBJECT_0) {
        TerminateProcess(child.get(), 1);
        error = "the PID wheel tool did not finish: " + narrow(arguments);
        return false;
    }
    GetExitCodeProcess(child.get(), &code);
    error = readFile(outPath);
    DeleteFileW(outPath.c_str());
    return code == 0;
}

int64_t PidWheelChild::press(int button, int64_t inMs, int64_t holdMs) const {
    const int64_t atUs = qpcClock().nowNs() / 1000 + inMs * 1000;
    std::ofstream(std::filesystem::path(script_), std::ios::app)
        << atUs << ' ' << button << ' ' << holdMs << '\n';
    return atUs;
}

std::string PidWheelChild::rawLog() const {
    return readFile(log_);
}

std::vector<WheelEvent> PidWheelChild::events() const {
    std::string error;
    const auto descriptor = pidwheel::parseReportDescriptor(descriptorBytes(descriptor_), error);
    if (!descriptor)
        return {};
    pidwheel::PidReportDecoder decoder(*descriptor);
    return parseWheelLog(pidwheel::formatWheelLog(decoder.decodeLog(rawLog())));
}

bool PidWheelChild::writeWheelLog(const std::wstring& path) const {
    std::ofstream file(std::filesystem::path(path), std::ios::binary);
    for (const WheelEvent& e : events())
        file << e.atUs << ' ' << e.name << (e.value.empty() ? "" : " ") << e.value << '\n';
    return static_cast<bool>(file);
}

} // namespace gripline::test
