#include "engine/simulator_commands_win32.h"

#include "telemetry/telemetry_layout.h"

#include <windows.h>

namespace gripline {

namespace {

// The id differs between sessions, so it is asked for, never written down;
// once per process (a function-local static is safe against a concurrent
// first use). 0 means the system refused it: then nothing is ever sent.
UINT broadcastMessageId() {
    static const UINT id = RegisterWindowMessageW(irsdk::kBroadcastMessageName);
    return id;
}

} // namespace

// SendNotifyMessageW does not wait for other processes' windows: a hung
// window cannot stall the engine thread, and no answer is expected.
void BroadcastSimulatorCommands::send(uint32_t wParam, int32_t lParam) {
    const UINT id = broadcastMessageId();
    if (id == 0)
        return;
    SendNotifyMessageW(HWND_BROADCAST, id, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

} // namespace gripline
