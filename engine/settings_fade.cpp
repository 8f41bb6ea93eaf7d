#include "engine/settings_fade.h"

#include "engine/ffb_engine.h"

#include <algorithm>
#include <cmath>

namespace gripline {

void SettingsFade::follow(bool changed, bool faded, const ForceModel& model,
                          const FfbSettings& inForce, int64_t nowNs) {
    if (!changed)
        return;
    if (!faded) {
        active_ = false;
        return;
    }
    if (active_)
        return;
    active_ = true;
    startNs_ = nowNs;
    from_ = inForce;
    old_ = model;
}

void SettingsFade::computeTick(const TelemetrySnapshot& current, const TelemetrySnapshot& previous,
                               const FfbSettings& settings, const CarCoefficients& coefficients,
                               int64_t nowNs, int64_t crashHoldUntilNs) {
    if (!active_)
        return;
    FfbSettings old = from_;
    old.Mode = settings.Mode;
    int64_t holdUntilNs = crashHoldUntilNs;
    const TickPlan plan =
        old_.computeTick(current, previous, old, coefficients, nowNs, holdUntilNs);
    // Past the lock under the old settings only: this tick is the new one's.
    oldValid_ = !plan.pastLock;
    oldDampingPercent_ = plan.dampingPercent;
}

float SettingsFade::newShare(int64_t nowNs) const {
    return std::clamp(static_cast<float>(nowNs - startNs_) / static_cast<float>(kFadeNs), 0.0f,
                      1.0f);
}

int32_t SettingsFade::blend(int j, int32_t magnitude, int64_t nowNs) const {
    if (!active_ || !oldValid_)
        return magnitude;
    StintAccumulators uncounted; // the stint's counters are the new model's
    const int32_t old = old_.publishSample(j, uncounted);
    const float share = newShare(nowNs);
    return static_cast<int32_t>(
        std::lround(static_cast<float>(old) + static_cast<float>(magnitude - old) * share));
}

int32_t SettingsFade::blendDamping(int32_t dampingPercent, int64_t nowNs) const {
    if (!active_ || !oldValid_)
        return dampingPercent;
    const float share = newShare(nowNs);
    return static_cast<int32_t>(
        std::lround(static_cast<float>(oldDampingPercent_) +
                    static_cast<float>(dampingPercent - oldDampingPercent_) * share));
}

void SettingsFade::finishTick(int64_t nowNs) {
    if (!active_)
        return;
    if (oldValid_)
        old_.finishTick();
    if (newShare(nowNs) >= 1.0f)
        active_ = false;
}

} // namespace gripline
