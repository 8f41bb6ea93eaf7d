#pragma once
// The engine thread runs at the highest normal priority with the system
// timer resolution raised to 1 ms (so no sleep stretches to a 15.6 ms
// default tick), and measures its candidate sleeps at start, keeping the
// finest for the waits between samples (and again when they turn out worse
// than that measurement promised).
#include "engine/engine_ports.h"

namespace gripline {

class Win32EnginePlatform final : public EnginePlatform {
  public:
    std::wstring enterRealTime() override;
    std::wstring remeasuredTiming() override;
    void leaveRealTime() override;
};

} // namespace gripline
