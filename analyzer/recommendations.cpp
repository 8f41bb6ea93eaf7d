#include "analyzer/recommendations.h"

#include <algorithm>
#include <cmath>

namespace gripline {

namespace {

// Rounded (halves away from zero) and limited to the setting's range before
// it becomes an integer, so that an absurd recorded value cannot overflow.
int32_t changed(float value, float atMost, float atLeast) {
    float rounded = std::round(value);
    if (rounded > atMost)
        rounded = atMost;
    if (rounded < atLeast)
        rounded = atLeast;
    return static_cast<int32_t>(rounded);
}

int32_t changed(int64_t value, int32_t atMost, int32_t atLeast) {
    return static_cast<int32_t>(value > atMost ? atMost : value < atLeast ? atLeast : value);
}

// Clipping at the top hides detail; a wheel left mostly unused has detail
// to gain. 0.88 and 0.72 are the targets for the P99 of the final force.
int32_t forceStrength(int32_t current, float usage) {
    if (usage > 0.92f)
        return changed(static_cast<float>(current) * 0.88f / usage, 100.0f, 1.0f);
    if (usage > 0.01f && usage < 0.62f)
        return changed(static_cast<float>(current) * 0.72f / usage, 100.0f, 1.0f);
    return current;
}

// The car's natural steering force should leave headroom for the effects.
int32_t carForceBalance(int32_t current, float baseUsage) {
    if (baseUsage > 0.72f)
        return changed(static_cast<float>(current) * 0.65f / baseUsage, 150.0f, 50.0f);
    if (baseUsage > 0.01f && baseUsage < 0.38f)
        return changed(static_cast<float>(current) * 0.48f / baseUsage, 150.0f, 50.0f);
    return current;
}

// Texture is felt about as the square root of its share of the range: the
// setting moves so that the share lands on `target`.
int32_t texture(int32_t current, float usage, float target) {
    if (current > 0 && usage > 0.001f)
        return changed(std::sqrt(target / usage) * static_cast<float>(current), 100.0f, 1.0f);
    return current;
}

// Only meaningful when understeer resistance acted: curbs that often fight it
// ask for more priority; priority never used and no clipping, for less.
int32_t suspensionDetailPriority(int32_t current, const RecordingStatistics& stats) {
    if (!(stats.UndersteerResistanceShare > 1.0f))
        return current;
    if (stats.SuspensionPriorityShare > 2.0f)
        return changed(int64_t{current} + 20, 100, 0);
    if (stats.SuspensionPriorityShare < 0.1f && stats.ClippedShare < 0.5f)
        return changed(int64_t{current} - 10, 100, 0);
    return current;
}

// ABS recorded: switch a subtle vibration on, or tone a strong one down.
int32_t absVibration(int32_t current, float absShare) {
    if (!(absShare > 0.1f))
        return current;
    return current <= 0 ? 15 : std::min(current, 30);
}

} // namespace

ForceUsage forceUsage(const RecordingStatistics& stats) {
    const float f = stats.FullScaleNm;
    return {stats.FinalForceP99 / f, stats.BaseForceP95 / f, stats.SuspensionDetailP95 / f,
            stats.SuspensionDetailP99 / f};
}

ProfileSettings recordedSettings(const RecordingHeader& header) {
    return {header.ForceStrength,           header.CarForceBalance, header.Bumps,
            header.BumpImpacts,             header.SuspensionDetailPriority,
            header.AbsVibration};
}

ProfileSettings recommendSettings(const ProfileSettings& recorded, const RecordingStatistics& stats) {
    const ForceUsage usage = forceUsage(stats);
    ProfileSettings r = recorded;
    r.ForceStrength = forceStrength(recorded.ForceStrength, usage.Usage);
    r.CarForceBalance = carForceBalance(recorded.CarForceBalance, usage.BaseUsage);
    r.Bumps = texture(recorded.Bumps, usage.DetailUsage, 0.08f);
    r.BumpImpacts = texture(recorded.BumpImpacts, usage.ImpactUsage, 0.12f);
    r.SuspensionDetailPriority = suspensionDetailPriority(recorded.SuspensionDetailPriority, stats);
    r.AbsVibration = absVibration(recorded.AbsVibration, stats.AbsShare);
    return r;
}

} // namespace gripline
