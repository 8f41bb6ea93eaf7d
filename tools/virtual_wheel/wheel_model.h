#pragma once
// The virtual wheel's rim: one rotating mass turned by the motor, held back
// by viscous damping, dry friction and a centring spring, stopped hard at
// the lock. Advanced in fixed 1 ms steps so a run is repeatable.
// Portable; owned and stepped by the device's axis thread.
//
// The spring and damping stand for the driver's hands: a sustained force
// turns the rim to an angle (full force about 190°) instead of slamming it
// into the lock, and a step makes it swing a little (damping ratio about
// 0.46), which gives a program's own damping something to measure.
#include <cstdint>

namespace gripline::wheel {

struct RimConstants {
    double inertiaKgM2 = 0.1;           // rim plus a share of resting hands
    double viscousNmsPerRad = 0.5;      // N·m per rad/s
    double frictionNm = 0.1;            // dry friction, also the break-away torque
    double centringNmPerRad = 3.0;      // hands holding the rim towards centre
    double autocentreNmPerRad = 2.0;    // added while the device's autocentre is on
    double maxTorqueNm = 10.0;          // the motor at magnitude 10000
    double lockRad = 7.853981633974483; // ±450°
};

inline constexpr double kRimStepS = 0.001;

class WheelModel {
  public:
    explicit WheelModel(const RimConstants& constants = {}) : c_(constants) {}

    // Advances the rim by one 1 ms step under `motorNm`.
    void step(double motorNm, bool autocentre);
    // True when `motorNm` would not move the rim: it is still and friction
    // or the lock holds it.
    bool atRest(double motorNm, bool autocentre) const;

    double angleRad() const { return angleRad_; }
    double velocityRadPerS() const { return velocityRadPerS_; }
    // lX in raw units: 0 at the left lock, 32767 centred, 65535 at the right.
    int32_t axisRaw() const;
    // The motor's torque for a force in magnitude units (clamped to ±10000);
    // positive magnitudes turn the rim left (towards smaller lX), as
    // DirectInput's "force comes from this direction" convention has it.
    double motorTorqueNm(int32_t magnitude) const;

  private:
    double drivingTorqueNm(double motorNm, bool autocentre) const;

    RimConstants c_;
    double angleRad_ = 0.0;
    double velocityRadPerS_ = 0.0;
};

} // namespace gripline::wheel
