#pragma once
// The stand-in's window: hidden and top-level, because the simulator's
// broadcast message reaches top-level windows only (never message-only
// ones). It appends every "IRSDK_BROADCASTMSG" it receives to the broadcast
// log, and WM_CLOSE to it ends the stand-in normally. Main thread only.
#include <windows.h>

#include <cstdio>
#include <string>

namespace gripline::standin {

inline constexpr const wchar_t* kListenerWindowClass = L"GriplineSimulatorStandin";

class BroadcastListener {
  public:
    BroadcastListener() = default;
    ~BroadcastListener();
    BroadcastListener(const BroadcastListener&) = delete;
    BroadcastListener& operator=(const BroadcastListener&) = delete;

    // Registers the message and creates the window; `log` (may be null) is
    // owned by the caller and outlives the listener. False with a reason
    // when no window can be made (under Wine: no X display).
    bool start(HINSTANCE instance, FILE* log, std::string& error);

  private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void onBroadcast(WPARAM wParam, LPARAM lParam);

    // The id differs between sessions (and between wineserver runs), so it is
    // asked for at start and never written down.
    UINT broadcastId_ = 0;
    HWND window_ = nullptr; // destroyed by the destructor unless already gone
    FILE* log_ = nullptr;
};

} // namespace gripline::standin
