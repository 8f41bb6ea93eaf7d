#pragma once
// A change of settings the engine makes over kFadeNs instead of at once (a
// new track, the track turning wet): for the length of the fade a second
// force model runs on with the settings that were in force, from the same
// state, and every output sample is the linear blend of the two models'
// magnitudes, from all old to all new. Both models see the same telemetry,
// so the blend follows the road as either would; only the share moves, a
// 1/362 of the difference per 2.76 ms sample. Engine thread only; the second
// model is a copy of fixed size, nothing is allocated.
#include "engine/force_model.h"
#include "settings/car_coefficients.h"
#include "settings/ffb_settings.h"

#include <cstdint>

namespace gripline {

class SettingsFade {
  public:
    static constexpr int64_t kFadeNs = 1000 * 1000 * 1000;

    // Before a tick is computed: `model` still holds the state of the last
    // tick, computed with `inForce`. A faded change starts a fade from them;
    // a plain one (the driver's own slider) ends any fade, being meant at
    // once. A second faded change during a fade keeps fading from the
    // settings the first one left: the share runs on, only the target moves
    // (a compromise: three models for a change within a second of another
    // was not worth their cost).
    void follow(bool changed, bool faded, const ForceModel& model, const FfbSettings& inForce,
                int64_t nowNs);
    void cancel() { active_ = false; }
    bool active() const { return active_; }

    // With the new model's tick computed by the same plan: the old model
    // computes its own from a copy of the crash hold (the new model's is the
    // one kept). Its sampling mode follows the new settings, so the two give
    // the same samples at the same times.
    void computeTick(const TelemetrySnapshot& current, const TelemetrySnapshot& previous,
                     const FfbSettings& settings, const CarCoefficients& coefficients,
                     int64_t nowNs, int64_t crashHoldUntilNs);
    // The sample to send for the new model's `magnitude` of sample j.
    int32_t blend(int j, int32_t magnitude, int64_t nowNs) const;
    int32_t blendDamping(int32_t dampingPercent, int64_t nowNs) const;
    // After the tick's last sample; the fade ends once it has run its length.
    void finishTick(int64_t nowNs);

  private:
    float newShare(int64_t nowNs) const;

    bool active_ = false;
    bool oldValid_ = false; // the old model computed samples for this tick
    int64_t startNs_ = 0;
    FfbSettings from_;
    ForceModel old_;
    int32_t oldDampingPercent_ = 0;
};

} // namespace gripline
