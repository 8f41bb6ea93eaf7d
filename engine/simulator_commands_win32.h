#pragma once
// The simulator's remote commands as it receives them: the registered
// broadcast message "IRSDK_BROADCASTMSG" to every top-level window.
#include "engine/simulator_handoff.h"

namespace gripline {

class BroadcastSimulatorCommands final : public SimulatorCommands {
  public:
    void send(uint32_t wParam, int32_t lParam) override;
};

} // namespace gripline
