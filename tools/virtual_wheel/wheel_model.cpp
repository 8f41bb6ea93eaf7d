#include "tools/virtual_wheel/wheel_model.h"

#include <algorithm>
#include <cmath>

namespace gripline::wheel {

namespace {
constexpr int32_t kMagnitudeMax = 10000;
constexpr int32_t kAxisCentre = 32767;

double sign(double x) {
    return x > 0.0 ? 1.0 : (x < 0.0 ? -1.0 : 0.0);
}
} // namespace

// Everything but friction: motor, springs and viscous damping.
double WheelModel::drivingTorqueNm(double motorNm, bool autocentre) const {
    const double springNmPerRad = c_.centringNmPerRad + (autocentre ? c_.autocentreNmPerRad : 0.0);
    return motorNm - springNmPerRad * angleRad_ - c_.viscousNmsPerRad * velocityRadPerS_;
}

bool WheelModel::atRest(double motorNm, bool autocentre) const {
    if (velocityRadPerS_ != 0.0)
        return false;
    const double driving = drivingTorqueNm(motorNm, autocentre);
    const bool pinnedAtLock = std::abs(angleRad_) >= c_.lockRad && sign(driving) == sign(angleRad_);
    return std::abs(driving) <= c_.frictionNm || pinnedAtLock;
}

void WheelModel::step(double motorNm, bool autocentre) {
    if (atRest(motorNm, autocentre))
        return;
    const double driving = drivingTorqueNm(motorNm, autocentre);
    // Dry friction opposes the motion, or from standstill the torque that
    // just broke it away.
    const double moving = velocityRadPerS_ != 0.0 ? sign(velocityRadPerS_) : sign(driving);
    const double accelRadPerS2 = (driving - c_.frictionNm * moving) / c_.inertiaKgM2;
    double velocity = velocityRadPerS_ + accelRadPerS2 * kRimStepS;
    // Crossing zero within a step ends in standstill: friction never
    // reverses the rim, and the next step decides whether it breaks away.
    if (velocityRadPerS_ != 0.0 && sign(velocity) != sign(velocityRadPerS_))
        velocity = 0.0;
    velocityRadPerS_ = velocity;
    angleRad_ += velocity * kRimStepS;
    if (std::abs(angleRad_) >= c_.lockRad) {
        angleRad_ = std::clamp(angleRad_, -c_.lockRad, c_.lockRad);
        velocityRadPerS_ = 0.0; // the end stop takes all the energy
    }
}

int32_t WheelModel::axisRaw() const {
    const double fraction = std::clamp(angleRad_ / c_.lockRad, -1.0, 1.0);
    // 32768 steps to the right of centre, 32767 to the left.
    const double span = fraction >= 0.0 ? 32768.0 : 32767.0;
    return kAxisCentre + static_cast<int32_t>(std::lround(fraction * span));
}

// DirectInput gives a force's direction as where it comes from: a positive
// magnitude on the X axis pushes the rim towards smaller X (to the left).
// The program's damping and end stop rely on that sign.
double WheelModel::motorTorqueNm(int32_t magnitude) const {
    const int32_t clamped = std::clamp(magnitude, -kMagnitudeMax, kMagnitudeMax);
    return -c_.maxTorqueNm * clamped / kMagnitudeMax;
}

} // namespace gripline::wheel
