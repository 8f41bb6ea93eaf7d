#pragma once
// Force off / on, the driver's switch: while off, every sample fades to
// nothing within kFadeNs and then the wheel's output is switched off (the
// effect stopped); on again, the output stage brings it back with its usual
// start delay and fade-in. Everything else (models, recording, reports)
// runs on. Engine thread only.
#include "common/clock.h"

#include <cstdint>

namespace gripline {

class ForceGate {
  public:
    // Short enough that the force is gone within 100 ms of the button (the
    // window polls every 25 ms, the engine looks once a tick, 17 ms), long
    // enough that the rim is not let go with a jolt.
    static constexpr int64_t kFadeNs = 50 * kNsPerMs;
    // A replay is timed from the simulator's tick, not from a button: the
    // force must be gone 50 ms after it, and the engine's wake-up and the
    // output thread's next write come out of that.
    static constexpr int64_t kReplayFadeNs = 20 * kNsPerMs;

    // The switch as it stands now, once per on-track tick; `fadeNs` is the
    // length of the fade if it closes now.
    void follow(bool off, int64_t nowNs, int64_t fadeNs = kFadeNs);
    bool off() const { return off_; }
    // True once an off switch has faded the force out completely.
    bool faded(int64_t nowNs) const { return off_ && nowNs - offSinceNs_ >= fadeNs_; }
    // What reaches the wheel of a sample of `magnitude` sent at `nowNs`.
    int32_t apply(int32_t magnitude, int64_t nowNs) const;

  private:
    bool off_ = false;
    int64_t offSinceNs_ = 0; // steady ns of the switch going off
    int64_t fadeNs_ = kFadeNs;
};

} // namespace gripline
