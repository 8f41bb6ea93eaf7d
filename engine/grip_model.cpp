#include "engine/grip_model.h"

#include <algorithm>
#include <cmath>

namespace gripline {

// All arithmetic is single precision, literals included, in the order the
// formulas are written: the native and the Windows build give the same bits.

namespace {

// Below walking pace, or with no forward motion to measure a slip angle
// against, there is nothing to estimate.
bool tooSlowToJudge(const TelemetrySnapshot& s) {
    return s.Speed <= 5.0f || std::fabs(s.VelocityX) <= 0.01f;
}

// The slip angle is approximated from its tangent s (lateral over forward
// speed): atan(s) ≈ s·π/4 + s·0.273·(1 − |s|) is good to 0.004 rad up to 45°.
// Past 45° the car is simply sideways and the target stops growing.
float oversteerTarget(float slip, const FfbSettings& settings, float limitNm) {
    const auto correction = static_cast<float>(settings.OversteerCorrection);
    float target = 0;
    if (std::fabs(slip) > 1.0f) {
        target = correction * 0.785f;
        if (slip < 0)
            target = -target;
    } else {
        const float beta = slip * 0.7853982f + slip * 0.273f * (1.0f - std::fabs(slip));
        const float deadZone = static_cast<float>(settings.OversteerOffset) / 572.958f; // rad
        if (std::fabs(beta) > deadZone) {
            const float sign = beta > 0 ? 1.0f : (beta < 0 ? -1.0f : 0.0f);
            target = (beta - deadZone * sign) * (2.0f - std::fabs(beta)) * correction;
        }
    }
    return std::clamp(target, -limitNm, limitNm);
}

// Steering beyond what the car's rotation and lateral acceleration explain,
// less a fixed margin of about 10° (0.175 rad) and the car's own bias.
float understeerMargin(const TelemetrySnapshot& s, const CarCoefficients& c) {
    const float angle = std::fabs(s.SteeringWheelAngle);
    const float gain = std::max(std::min(c.YawSteerGain, 0.45f), 0.0f);
    const float expected = (1.0f + gain * std::min(angle, 1.5f)) *
                               (s.YawRate * c.YawRateMultiplier / std::max(s.Speed, 1.0f)) +
                           s.LatAccel / c.LateralAccelDivisor;
    return angle - std::fabs(expected) - 0.175f + c.SteerMarginBias;
}

} // namespace

GripResult gripModel(const TelemetrySnapshot& s, const FfbSettings& settings,
                     const CarCoefficients& c) {
    GripResult r;
    r.BalanceScale = static_cast<float>(std::clamp(settings.CarForceBalance, 50, 150)) / 100.0f;
    if (tooSlowToJudge(s))
        return r;

    const float slip = s.VelocityY / std::fabs(s.VelocityX);
    const float limitNm = 2000.0f / static_cast<float>(std::max(settings.ForceStrength, 1)) * 0.5f;
    if (settings.OversteerCorrection > 0)
        r.OversteerTarget = oversteerTarget(slip, settings, limitNm);

    r.UndersteerMargin = understeerMargin(s, c);
    const float u = std::min(r.UndersteerMargin, 1.0f);

    if (settings.UndersteerResistance > 0) {
        r.UndersteerActivity = std::max(u, 0.0f);
        if (r.UndersteerActivity > 0) {
            const float force = std::fabs(static_cast<float>(settings.UndersteerResistance) /
                                          100.0f * r.UndersteerActivity * c.ResistanceGain * 40.0f);
            // Against the steering: a straight wheel is pushed as if turned right.
            r.ResistanceForce = s.SteeringWheelAngle >= 0 ? -force : force;
        }
    }
    if (u > 0 && settings.UndersteerLighten > 0)
        r.GripFactor = std::max(
            1.0f - static_cast<float>(settings.UndersteerLighten) / 100.0f * u * 0.75f, 0.25f);
    return r;
}

} // namespace gripline
