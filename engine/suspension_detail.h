#pragma once
// Road and impact texture from the front shocks, and the rule that keeps it
// felt when the total would saturate the wheel (the suspension detail
// priority). Pure functions of their arguments.
#include "settings/ffb_settings.h"
#include "telemetry/telemetry_snapshot.h"

namespace gripline {

// The change, over one sub-sample, of the front axle's left-right shock
// difference (or of the centre-front shock alone), in metres; 0 when the
// car has no front shock sub-samples.
float shockMovement(const TelemetrySnapshot& current, const TelemetrySnapshot& previous,
                    int subSample);

// N·m of texture for a shock movement of x metres: small movements are
// scaled by the road texture gain, large ones by the impact texture gain.
float textureForce(float x, const FfbSettings& settings);

// The sum base + resistance + texture + extra (N·m), reshaped so that the
// texture is never lost: when it opposes the rest the rest is cut, when it
// runs with the rest only the understeer resistance gives way. `changed`,
// when given, tells whether the rule altered the sum.
float combine(float base, float resistance, float texture, float extra, const FfbSettings& settings,
              bool* changed = nullptr);

} // namespace gripline
