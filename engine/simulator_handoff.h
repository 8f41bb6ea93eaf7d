#pragma once
// While our force drives the wheel the simulator's own force feedback must
// not fight it: at connection its maximum force is raised so far that its
// force becomes negligible (or, in Simucube mode, set to our full-scale
// torque), and when the connection ends it is set back to 40 N·m. Engine
// thread only.
#include "engine/engine_ports.h"
#include "settings/ffb_settings.h"

#include <cstdint>

namespace gripline {

// The simulator's remote-command message, sent to every top-level window
// without waiting for an answer. Win32: RegisterWindowMessageW and
// SendNotifyMessageW; tests record the values.
class SimulatorCommands {
  public:
    virtual ~SimulatorCommands() = default;
    virtual void send(uint32_t wParam, int32_t lParam) = 0;
};

// Command 11 (force feedback) in the low word, sub-command 0 (maximum force)
// in the high word.
inline constexpr uint32_t kMaxForceCommand = 11u | (0u << 16);
inline constexpr double kSuppressingMaxForceNm = 10000.0;
inline constexpr double kRestoredMaxForceNm = 40.0;

// The maximum force to give the simulator at connection, N·m.
double connectionMaxForceNm(const FfbSettings& settings);
// N·m as the command's signed 16.16 fixed-point lParam, truncated.
int32_t maxForceLParam(double forceNm);

class MaxForceHandOff final : public SimulatorHandOff {
  public:
    explicit MaxForceHandOff(SimulatorCommands& commands) : commands_(commands) {}

    void connectionStarted(const FfbSettings& settings) override;
    void connectionEnded() override;

  private:
    void sendMaxForce(int32_t lParam) { commands_.send(kMaxForceCommand, lParam); }

    SimulatorCommands& commands_;
};

} // namespace gripline
