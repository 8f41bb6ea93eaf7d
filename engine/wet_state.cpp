#include "engine/wet_state.h"

namespace gripline {

// The hold-off runs from the first reading that differs and restarts
// whenever a reading agrees again: only an unbroken run of kHoldNs changes
// the state.
void WetState::follow(bool declaredWet, int32_t trackWetness, int64_t nowNs) {
    const bool raw = rawWet(declaredWet, trackWetness);
    if (!known_) {
        known_ = true;
        wet_ = raw;
        return;
    }
    if (raw == wet_) {
        changing_ = false;
        return;
    }
    if (!changing_) {
        changing_ = true;
        changingSinceNs_ = nowNs;
    }
    if (nowNs - changingSinceNs_ >= kHoldNs) {
        wet_ = raw;
        changing_ = false;
    }
}

} // namespace gripline
