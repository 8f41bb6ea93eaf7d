#include "engine/suspension_detail.h"

#include "engine/wheel_magnitude.h"

#include <algorithm>
#include <cmath>

namespace gripline {

namespace {

// Sub-sample k of an array, its predecessor being the previous tick's newest
// value for k = 0.
float stepOf(const float* values, int k, float previousNewest) {
    return values[k] - (k > 0 ? values[k - 1] : previousNewest);
}

float priorityShare(const FfbSettings& settings) {
    return static_cast<float>(std::min(settings.SuspensionDetailPriority, 100));
}

} // namespace

float shockMovement(const TelemetrySnapshot& cur, const TelemetrySnapshot& prev, int i) {
    if (cur.ShockStCount > 0) {
        const int k = std::min(i, std::min(cur.ShockStCount, kSubSamples) - 1);
        return stepOf(cur.LFshockDeflSt, k, prev.LFshockDefl) -
               stepOf(cur.RFshockDeflSt, k, prev.RFshockDefl);
    }
    if (cur.CFshockStCount > 0) {
        const int k = std::min(i, std::min(cur.CFshockStCount, kSubSamples) - 1);
        return stepOf(cur.CFshockDeflSt, k, prev.CFshockDefl);
    }
    return 0;
}

// w = q / (q + 1) with q = (|x| / 3.5 mm)² blends the two gains: 0 for tiny
// movements, 0.5 at 3.5 mm, towards 1 for kerb strikes.
float textureForce(float x, const FfbSettings& settings) {
    if ((settings.Bumps <= 0 && settings.BumpImpacts <= 0) || x == 0)
        return 0;
    const float ratio = std::fabs(x) / 0.0035f;
    const float q = ratio * ratio;
    const float w = q / (q + 1.0f);
    const float bumps = static_cast<float>(settings.Bumps);
    const float impacts = static_cast<float>(settings.BumpImpacts);
    const float gainBumps = settings.Bumps > 0 ? bumps * bumps * 1.6f : 0.0f;
    const float gainImpacts = settings.BumpImpacts > 0 ? impacts * impacts * 1.6f : 0.0f;
    return x * (gainBumps * (1.0f - w) + gainImpacts * w);
}

float combine(float b, float r, float x, float e, const FfbSettings& settings, bool* changed) {
    if (changed)
        *changed = false;
    if (settings.SuspensionDetailPriority <= 0 || std::fabs(x) < 0.1f)
        return b + r + x + e;

    const float fullScale = fullScaleNm(settings.ForceStrength);
    const float core = b + e;
    float total = core + r;

    if (total * x < 0) { // the texture pulls against the rest
        const float threshold = std::max(0.06f * fullScale, 2.5f);
        if (std::fabs(x) >= threshold) {
            const float k = priorityShare(settings) / 100.0f * 1.1f + 0.55f;
            float cut = std::min(k * std::fabs(x), std::fabs(total));
            if (total < 0)
                cut = -cut;
            total = total - cut;
            // The cut carries the sign of the total: testing cut > 0 alone
            // would never flag a cut made while turning one way, and the
            // recording would show only half of the rule's interventions.
            if (changed)
                *changed = std::fabs(cut) > 0.0001f;
        }
        return total + x;
    }

    // Same direction (or nothing to oppose): room is made inside full scale
    // by letting the understeer resistance give way, never the texture.
    if (std::fabs(r) <= 0.0001f || fullScale >= std::fabs(total) + std::fabs(x))
        return total + x;
    const float reserve =
        std::min(fullScale, (priorityShare(settings) / 50.0f + 1.0f) * std::fabs(x));
    const float room = std::max(fullScale - reserve, 0.0f);
    float kept = std::clamp(total, -room, room) - core;
    kept = r > 0 ? std::clamp(kept, 0.0f, r) : std::clamp(kept, r, 0.0f);
    if (changed)
        *changed = std::fabs(kept - r) > 0.0001f;
    return core + kept + x;
}

} // namespace gripline
