#include "engine/force_gate.h"

#include <algorithm>

namespace gripline {

void ForceGate::follow(bool off, int64_t nowNs, int64_t fadeNs) {
    if (off && !off_) {
        offSinceNs_ = nowNs;
        fadeNs_ = fadeNs;
    }
    off_ = off;
}

// A straight fade from the moment of the switch: the share left is the time
// left of the fade over its length.
int32_t ForceGate::apply(int32_t magnitude, int64_t nowNs) const {
    if (!off_)
        return magnitude;
    const int64_t left = std::clamp<int64_t>(fadeNs_ - (nowNs - offSinceNs_), 0, fadeNs_);
    return static_cast<int32_t>(int64_t{magnitude} * left / fadeNs_);
}

} // namespace gripline
