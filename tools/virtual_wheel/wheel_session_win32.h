#pragma once
// What one reading of the environment gives the virtual wheel: its log and
// its failure script. Every COM object keeps the session it was made in.
#include "tools/virtual_wheel/failure_script.h"
#include "tools/virtual_wheel/wheel_log_win32.h"

#include <windows.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace gripline::wheel {

class WheelSession {
  public:
    WheelSession(const std::wstring& logPath, std::string_view failures,
                 std::wstring buttonScript = {}, std::wstring unplugFile = {});

    WheelLog& log() { return log_; }
    // Counts one call of `call`; the failure scripted for it, logged as
    // "fail <call> 0x<hresult>", if any.
    std::optional<HRESULT> scriptedFailure(ScriptedCall call);
    // The scripted buttons held down now, bit n - 1 for button n.
    uint32_t buttonsDown() const;
    // Whether the wheel is unplugged now, and how many unplugs were seen
    // (a device made before the last one stays dead).
    bool unplugged();
    uint64_t unplugs();

  private:
    WheelSession(const std::wstring& logPath, ParsedScript parsed, std::wstring buttonScript,
                 std::wstring unplugFile);
    void lookAtUnplugFile();

    WheelLog log_;
    FailureScript script_;
    const std::wstring buttonScript_; // empty: no scripted presses
    const std::wstring unplugFile_;   // empty: never unplugged
    // Guarded by unplugMutex_: the file is looked at once per few ms, not
    // at every call of the output rate.
    std::mutex unplugMutex_;
    int64_t unplugLookedAtUs_ = 0;
    bool unplugged_ = false;
    uint64_t unplugs_ = 0;
};

// The session for the environment as it is now: the same one as long as
// GRIPLINE_WHEEL_LOG and GRIPLINE_WHEEL_FAIL stay unchanged (so call counts
// run on across DirectInput8Create calls), a new one when either changes.
std::shared_ptr<WheelSession> currentWheelSession();

// True for the HRESULTs after which a real device is no longer acquired.
bool losesAcquisition(HRESULT hr);

} // namespace gripline::wheel
