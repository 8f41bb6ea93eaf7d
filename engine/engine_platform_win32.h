#pragma once
// The engine thread runs at the highest normal priority with the system
// timer resolution raised to 1 ms, so its 2 ms sleeps between samples do
// not stretch to a 15.6 ms default tick.
#include "engine/engine_ports.h"

namespace gripline {

class Win32EnginePlatform final : public EnginePlatform {
  public:
    void enterRealTime() override;
    void leaveRealTime() override;
};

} // namespace gripline
