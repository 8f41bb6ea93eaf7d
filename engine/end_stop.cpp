#include "engine/end_stop.h"

#include "engine/wheel_magnitude.h"

#include <algorithm>
#include <cmath>

namespace gripline {

namespace {

// The lock to one side, in rad, when the simulator tells a usable one. A
// lock-to-lock range of 16 rad or more is no real wheel's. One that is
// missing (read as 0), negative or not a number says nothing either: taking
// it as a lock at 0 would make every tick off centre an end-stop tick and
// push the wheel at up to full force, so there is no end stop then.
bool knownLock(float halfRange) {
    return halfRange > 0 && halfRange < 8.0f;
}

} // namespace

SteeringLock steeringLock(const TelemetrySnapshot& s, const FfbSettings& settings) {
    SteeringLock lock;
    const float h = s.SteeringWheelAngleMax * 0.5f;
    const float a = s.SteeringWheelAngle;
    if (!knownLock(h) || !std::isfinite(a))
        return lock;
    lock.endStopActive = std::fabs(a) > h - 0.5236f;
    lock.pastLock = std::fabs(a) > h;
    if (!lock.pastLock)
        return lock;

    // A torque that is not a number gives no force at all, as for any sample.
    if (!std::isfinite(s.SteeringWheelTorque))
        return lock;
    const float base = static_cast<float>(
        clampMagnitude(forceToMagnitude(s.SteeringWheelTorque, settings.ForceStrength)));
    // Full end-stop force 15° (0.2618 rad) past the lock, blended in linearly.
    const float u = std::min((std::fabs(a) - h) / 0.2618f, 1.0f);
    const float sign = a > 0 ? 1.0f : -1.0f;
    const float force = base * (1.0f - u) - sign * u * 10000.0f;
    lock.magnitude = clampMagnitude(static_cast<int32_t>(force));
    return lock;
}

} // namespace gripline
