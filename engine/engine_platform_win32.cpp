#include "engine/engine_platform_win32.h"

#include "common/qpc_clock_win32.h"

#include <windows.h>

#include <timeapi.h>

namespace gripline {

// The sleeps are measured after the period is raised: one candidate is the
// plain Sleep at that period.
std::wstring Win32EnginePlatform::enterRealTime() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    timeBeginPeriod(1);
    return describeSleepChoice(qpcClock().calibrateWaits());
}

std::wstring Win32EnginePlatform::remeasuredTiming() {
    const std::optional<SleepChoice> choice = qpcClock().takeRemeasuredWaits();
    return choice ? describeSleepChoice(*choice, L"Sample timing measured again") : std::wstring{};
}

void Win32EnginePlatform::leaveRealTime() { timeEndPeriod(1); }

} // namespace gripline
