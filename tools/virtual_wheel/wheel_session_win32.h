#pragma once
// What one reading of the environment gives the virtual wheel: its log and
// its failure script. Every COM object keeps the session it was made in.
#include "tools/virtual_wheel/failure_script.h"
#include "tools/virtual_wheel/wheel_log_win32.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

namespace gripline::wheel {

class WheelSession {
  public:
    WheelSession(const std::wstring& logPath, std::string_view failures,
                 std::wstring buttonScript = {});

    WheelLog& log() { return log_; }
    // Counts one call of `call`; the failure scripted for it, logged as
    // "fail <call> 0x<hresult>", if any.
    std::optional<HRESULT> scriptedFailure(ScriptedCall call);
    // The scripted buttons held down now, bit n - 1 for button n.
    uint32_t buttonsDown() const;

  private:
    WheelSession(const std::wstring& logPath, ParsedScript parsed, std::wstring buttonScript);

    WheelLog log_;
    FailureScript script_;
    const std::wstring buttonScript_; // empty: no scripted presses
};

// The session for the environment as it is now: the same one as long as
// GRIPLINE_WHEEL_LOG and GRIPLINE_WHEEL_FAIL stay unchanged (so call counts
// run on across DirectInput8Create calls), a new one when either changes.
std::shared_ptr<WheelSession> currentWheelSession();

// True for the HRESULTs after which a real device is no longer acquired.
bool losesAcquisition(HRESULT hr);

} // namespace gripline::wheel
