#pragma once
// Whether the session counts as wet, for the settings that follow it: wet
// while the session is declared wet or the track is at least lightly wet.
// The state the engine publishes changes only once the raw reading has held
// for kHoldNs, so a drying line that flickers between damp and lightly wet
// does not swap the settings back and forth. Engine thread only.
#include "common/clock.h"

#include <cstdint>

namespace gripline {

class WetState {
  public:
    // TrackWetness 4, "lightly wet": from here on slicks lose grip.
    static constexpr int32_t kWetTrackWetness = 4;
    static constexpr int64_t kHoldNs = 3000 * kNsPerMs;

    // Each new tick's reading. The first after a reset is taken at once: a
    // session that starts wet is wet from its first tick.
    void follow(bool declaredWet, int32_t trackWetness, int64_t nowNs);
    bool wet() const { return wet_; }
    // A new session or simulator: nothing is known.
    void reset() { *this = WetState{}; }

    static bool rawWet(bool declaredWet, int32_t trackWetness) {
        return declaredWet || trackWetness >= kWetTrackWetness;
    }

  private:
    bool known_ = false;
    bool wet_ = false;
    bool changing_ = false;       // the raw reading differs from wet_
    int64_t changingSinceNs_ = 0; // steady ns of the first differing reading
};

} // namespace gripline
