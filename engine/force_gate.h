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

    // The switch as it stands now, once per on-track tick.
    void follow(bool off, int64_t nowNs);
    bool off() const { return off_; }
    // True once an off switch has faded the force out completely.
    bool faded(int64_t nowNs) const { return off_ && nowNs - offSinceNs_ >= kFadeNs; }
    // What reaches the wheel of a sample of `magnitude` sent at `nowNs`.
    int32_t apply(int32_t magnitude, int64_t nowNs) const;

  private:
    bool off_ = false;
    int64_t offSinceNs_ = 0; // steady ns of the switch going off
};

} // namespace gripline
