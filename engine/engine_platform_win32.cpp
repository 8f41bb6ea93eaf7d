#include "engine/engine_platform_win32.h"

#include <windows.h>

#include <timeapi.h>

namespace gripline {

void Win32EnginePlatform::enterRealTime() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    timeBeginPeriod(1);
}

void Win32EnginePlatform::leaveRealTime() { timeEndPeriod(1); }

} // namespace gripline
