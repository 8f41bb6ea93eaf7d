#include "tools/virtual_wheel/wheel_session_win32.h"

#include "common/qpc_clock_win32.h"
#include "tools/virtual_wheel/button_script.h"
#include "tools/virtual_wheel/virtual_wheel_ids.h"

#include <dinput.h>

#include <cstdio>
#include <mutex>

namespace gripline::wheel {

namespace {

std::wstring environmentVariable(const wchar_t* name) {
    std::wstring value(256, L'\0');
    for (;;) {
        const DWORD n =
            GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
        if (n < value.size()) {
            value.resize(n); // 0 when unset
            return value;
        }
        value.resize(n); // n counts the terminator when the buffer was short
    }
}

// The script is ASCII; anything else is kept as '?' so that the entry is
// rejected and quoted back in the log.
std::string ascii(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (const wchar_t c : text)
        out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

// The one process-wide record: which environment the current session was
// made from. Guarded by its mutex; taken by DirectInput8Create only.
struct SessionRegistry {
    std::mutex mutex;
    std::wstring logPath;
    std::wstring failures;
    std::wstring buttons;
    std::wstring unplugFile;
    std::shared_ptr<WheelSession> session;
};

SessionRegistry& registry() {
    static SessionRegistry instance;
    return instance;
}

} // namespace

WheelSession::WheelSession(const std::wstring& logPath, std::string_view failures,
                           std::wstring buttonScript, std::wstring unplugFile)
    : WheelSession(logPath, parseFailureScript(failures), std::move(buttonScript),
                   std::move(unplugFile)) {}

WheelSession::WheelSession(const std::wstring& logPath, ParsedScript parsed,
                           std::wstring buttonScript, std::wstring unplugFile)
    : log_(logPath), script_(std::move(parsed.failures)), buttonScript_(std::move(buttonScript)),
      unplugFile_(std::move(unplugFile)) {
    for (const std::string& entry : parsed.rejected)
        log_.write("badspec", entry);
}

bool WheelSession::unplugged() {
    std::scoped_lock lock(unplugMutex_);
    lookAtUnplugFile();
    return unplugged_;
}

uint64_t WheelSession::unplugs() {
    std::scoped_lock lock(unplugMutex_);
    lookAtUnplugFile();
    return unplugs_;
}

// At most every 5 ms: a test's unplug lasts seconds, and the output
// thread calls a thousand times a second.
void WheelSession::lookAtUnplugFile() {
    if (unplugFile_.empty())
        return;
    const int64_t nowUs = qpcClock().nowNs() / 1000;
    if (unplugLookedAtUs_ != 0 && nowUs - unplugLookedAtUs_ < 5000)
        return;
    unplugLookedAtUs_ = nowUs;
    const bool now = GetFileAttributesW(unplugFile_.c_str()) != INVALID_FILE_ATTRIBUTES;
    unplugs_ += now && !unplugged_;
    unplugged_ = now;
}

std::optional<HRESULT> WheelSession::scriptedFailure(ScriptedCall call) {
    const auto hr = script_.nextCall(call);
    if (!hr)
        return std::nullopt;
    char text[64];
    std::snprintf(text, sizeof text, "%.*s 0x%08lX", static_cast<int>(callName(call).size()),
                  callName(call).data(), static_cast<unsigned long>(static_cast<uint32_t>(*hr)));
    log_.write("fail", text);
    return static_cast<HRESULT>(*hr);
}

// Read whole each time: a few lines, and a test may have added some since.
uint32_t WheelSession::buttonsDown() const {
    if (buttonScript_.empty())
        return 0;
    ScopedHandle file(CreateFileW(buttonScript_.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return 0;
    std::string text(64 * 1024, '\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr))
        return 0;
    text.resize(read);
    return buttonsDownAt(parseButtonScript(text), qpcClock().nowNs() / 1000);
}

std::shared_ptr<WheelSession> currentWheelSession() {
    SessionRegistry& r = registry();
    std::wstring logPath = environmentVariable(kWheelLogVariable);
    std::wstring failures = environmentVariable(kWheelFailVariable);
    std::wstring buttons = environmentVariable(kWheelButtonsVariable);
    std::wstring unplugFile = environmentVariable(kWheelUnpluggedVariable);
    std::scoped_lock lock(r.mutex);
    if (!r.session || logPath != r.logPath || failures != r.failures || buttons != r.buttons ||
        unplugFile != r.unplugFile) {
        r.session = std::make_shared<WheelSession>(logPath, ascii(failures), buttons, unplugFile);
        r.logPath = std::move(logPath);
        r.failures = std::move(failures);
        r.buttons = std::move(buttons);
        r.unplugFile = std::move(unplugFile);
    }
    return r.session;
}

bool losesAcquisition(HRESULT hr) {
    // Some of these are unsigned literals in dinput.h.
    for (const auto lost :
         {static_cast<HRESULT>(DIERR_INPUTLOST), static_cast<HRESULT>(DIERR_NOTACQUIRED),
          static_cast<HRESULT>(DIERR_NOTEXCLUSIVEACQUIRED), static_cast<HRESULT>(DIERR_UNPLUGGED)})
        if (hr == lost)
            return true;
    return false;
}

} // namespace gripline::wheel
