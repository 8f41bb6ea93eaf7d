#include "tests/support/standin_child_win32.h"

#include "telemetry/telemetry_layout.h"
#include "telemetry/telemetry_variables.h"

#include <atomic>
#include <thread>

namespace gripline::test {

std::wstring windowsPath(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath)
        path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return path;
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

std::wstring tempFile(const std::wstring& stem) {
    static std::atomic<int> counter{0};
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"standin_" + stem + L"_" +
                              std::to_wstring(GetCurrentProcessId()) + L"_" +
                              std::to_wstring(counter++) + L".txt";
    DeleteFileW(path.c_str());
    return path;
}

std::string readFile(const std::wstring& path) {
    // Shared for writing and deleting: the stand-in may still have it open.
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (file && ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    return text;
}

namespace {

HANDLE inheritableOutput(const std::wstring& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

void StandinChild::kill() {
    if (running()) {
        TerminateProcess(process_.get(), 99);
        WaitForSingleObject(process_.get(), 5000);
    }
}

bool StandinChild::start(const std::vector<std::wstring>& args) {
    const std::wstring exe = windowsPath(GRIPLINE_STANDIN_EXE);
    std::wstring commandLine = L"\"" + exe + L"\"";
    for (const std::wstring& arg : args)
        commandLine += L" \"" + arg + L"\"";
    outPath_ = tempFile(L"out");
    errPath_ = tempFile(L"err");
    // The child's copies of these handles are its stdout and stderr; ours
    // close when this function returns.
    ScopedHandle out(inheritableOutput(outPath_));
    ScopedHandle err(inheritableOutput(errPath_));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out.get();
    startup.hStdError = err.get();
    PROCESS_INFORMATION info{};
    if (!out || !err ||
        !CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    process_.reset(info.hProcess);
    return true;
}

bool StandinChild::running() const {
    return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

int StandinChild::waitExit(std::chrono::milliseconds limit) {
    if (!process_ ||
        WaitForSingleObject(process_.get(), static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return static_cast<int>(code);
}

bool StandinChild::waitForOut(const std::string& text, std::chrono::milliseconds limit) const {
    return waitFor([&] { return out().find(text) != std::string::npos; }, limit);
}

std::string StandinChild::readAll(const std::wstring& path) {
    return readFile(path);
}

bool BlockReader::open() {
    if (view_.get())
        return true;
    event_.reset(OpenEventW(SYNCHRONIZE, FALSE, irsdk::kDataValidEventName));
    mapping_.reset(OpenFileMappingW(FILE_MAP_READ, FALSE, irsdk::kMemMapName));
    if (!event_ || !mapping_)
        return false;
    view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, 0));
    MEMORY_BASIC_INFORMATION info{};
    if (!view_.get() || VirtualQuery(view_.get(), &info, sizeof info) == 0)
        return false;
    size_ = info.RegionSize;
    return true;
}

int32_t BlockReader::field(size_t offset) const {
    // Through a volatile load: the stand-in writes the block concurrently.
    if (offset + 4 > size_)
        return 0;
    return *reinterpret_cast<const volatile int32_t*>(view().data() + offset);
}

bool BlockReader::waitForData(int timeoutMs) const {
    return WaitForSingleObject(event_.get(), static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
}

bool BlockReader::readNewest(int32_t& tick, std::vector<uint8_t>& line) const {
    const int numBuf = std::min<int>(field(irsdk::kNumBuf), irsdk::kMaxBuffers);
    const int32_t bufLen = field(irsdk::kBufLen);
    for (int attempt = 0; attempt < 2; ++attempt) {
        int newest = -1;
        for (int i = 0; i < numBuf; ++i)
            if (newest < 0 || field(irsdk::kVarBuf + irsdk::kVarBufStride * i) >
                                  field(irsdk::kVarBuf + irsdk::kVarBufStride * newest))
                newest = i;
        if (newest < 0 || bufLen <= 0)
            return false;
        const size_t descriptor = irsdk::kVarBuf + irsdk::kVarBufStride * newest;
        tick = field(descriptor);
        const auto at = static_cast<size_t>(field(descriptor + irsdk::kVarBufOffset));
        if (at + static_cast<size_t>(bufLen) > size_)
            return false;
        line.assign(view().begin() + static_cast<ptrdiff_t>(at),
                    view().begin() + static_cast<ptrdiff_t>(at + static_cast<size_t>(bufLen)));
        if (field(descriptor) == tick)
            return true;
    }
    return false;
}

std::string BlockReader::sessionText() const {
    const auto at = static_cast<size_t>(field(irsdk::kSessionInfoOffset));
    const auto length = static_cast<size_t>(std::max(field(irsdk::kSessionInfoLen), 0));
    if (at + length > size_)
        return {};
    return std::string(reinterpret_cast<const char*>(view().data() + at), length);
}

} // namespace gripline::test
