#include "tools/simulator_standin/scenario_drives.h"

#include <algorithm>
#include <cmath>

namespace gripline::standin {

// Throughout, t is the time since the start of the drive in s.

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kGravityMps2 = 9.80665;

// A small road car (the session text says MX-5), numbers of the right size
// rather than a vehicle model.
constexpr float kSteeringRatio = 15.0f;          // wheel rad per road-wheel rad
constexpr float kWheelbaseM = 2.31f;             // m
constexpr float kUndersteerRadPerMps2 = 0.0015f; // road-wheel rad per m/s² lateral
constexpr float kAlignNmPerMps2 = 0.85f;         // aligning torque, N·m per m/s² lateral
constexpr float kScrubNmPerRad = 0.6f;           // tyre scrub when slow, N·m per wheel rad
constexpr float kSlipMpsPerMps2 = 0.04f;         // outward lateral velocity, m/s per m/s²
constexpr float kStaticShockM = 0.045f;          // front shock deflection at rest, m
constexpr float kDiveMPerMps2 = 0.0012f;         // front compression, m per m/s² braking
constexpr float kRollMPerMps2 = 0.0012f;         // outer-front compression, m per m/s² lateral
constexpr float kHalfLockRad = kWheelLockToLockRad / 2;
// Torque of the steering lock's end stop: the recording shows 176 N·m at
// 0.135 rad past the lock, so about 1 300 N·m/rad, capped where it levels off.
constexpr float kLockStopNmPerRad = 1300.0f;
constexpr float kLockStopMaxNm = 180.0f;

// 0 before t0, 1 after t1 and a cosine ramp between, so that entries and
// exits have no steps the force model would feel as knocks.
double ramp(double t, double t0, double t1) {
    if (t <= t0)
        return 0;
    if (t >= t1)
        return 1;
    return 0.5 - 0.5 * std::cos(kPi * (t - t0) / (t1 - t0));
}

float wave(double t, double hz, double phaseRad = 0) {
    return static_cast<float>(std::sin(2 * kPi * hz * t + phaseRad));
}

// A car moving at `speedMps` along a path of curvature `curvaturePerM`
// (positive turning left) with `longAccelMps2` along its length, each value
// as in quasi-steady motion on a flat track.
DriveState steadyMotion(float speedMps, float curvaturePerM, float longAccelMps2) {
    DriveState s;
    s.speedMps = speedMps;
    s.latAccelMps2 = speedMps * speedMps * curvaturePerM;
    s.yawRateRadps = speedMps * curvaturePerM;
    s.longAccelMps2 = longAccelMps2;
    s.wheelAngleRad =
        kSteeringRatio * (kWheelbaseM * curvaturePerM + kUndersteerRadPerMps2 * s.latAccelMps2);
    const float slowWeight = std::max(0.0f, 1.0f - speedMps / 10.0f);
    s.torqueNm =
        -(kAlignNmPerMps2 * s.latAccelMps2 + kScrubNmPerRad * slowWeight * s.wheelAngleRad);
    s.velocityYMps = -kSlipMpsPerMps2 * s.latAccelMps2; // the rear steps out of the turn
    s.velocityXMps =
        std::sqrt(std::max(0.0f, speedMps * speedMps - s.velocityYMps * s.velocityYMps));
    const float diveM = -longAccelMps2 * kDiveMPerMps2;
    const float rollM = s.latAccelMps2 * kRollMPerMps2;
    s.lfShockM = kStaticShockM + diveM - rollM;
    s.rfShockM = kStaticShockM + diveM + rollM;
    s.cfShockM = kStaticShockM + diveM;
    return s;
}

// The small ripple a real surface puts into torque and shocks at 360 Hz,
// growing with speed up to 20 m/s.
DriveState withRoadTexture(DriveState s, double t) {
    const float k = std::min(1.0f, s.speedMps / 20.0f);
    s.torqueNm += k * (0.12f * wave(t, 29) + 0.07f * wave(t, 53, 1.0));
    s.lfShockM += k * 0.0004f * wave(t, 23);
    s.rfShockM += k * 0.0004f * wave(t, 23, 2.0);
    s.cfShockM += k * 0.0003f * wave(t, 31, 1.0);
    return s;
}

// The two ticks of a hit into the wall, 25 g back and 6 g sideways, the
// car bottoming out; the crash drives share it.
DriveState wallImpact(float speedMps) {
    DriveState s = steadyMotion(speedMps, 0, static_cast<float>(-25 * kGravityMps2));
    s.latAccelMps2 = static_cast<float>(-6 * kGravityMps2);
    s.yawRateRadps = 1.5f;
    s.torqueNm = 22.0f;
    s.lfShockM = 0.068f; // bottoming out
    s.rfShockM = 0.038f;
    s.cfShockM = 0.060f;
    return s;
}

DriveState corner(double t, float direction) {
    constexpr float kRadiusM = 55.0f; // at 22 m/s: 8.8 m/s², about 0.9 g
    const double inCorner = ramp(t, 0.5, 2.0) * (1.0 - ramp(t, 8.0, 9.5));
    return withRoadTexture(
        steadyMotion(22.0f, direction * static_cast<float>(inCorner) / kRadiusM, 0), t);
}

// One kerb strike: ridges every 0.83 m at 30 m/s hit the shock at 36 Hz.
void strikeKerb(DriveState& s, double sinceS, bool leftSide) {
    const float bumpM = 0.014f * std::abs(wave(sinceS, 18));
    (leftSide ? s.lfShockM : s.rfShockM) += bumpM;
    (leftSide ? s.rfShockM : s.lfShockM) += 0.3f * bumpM;
    s.cfShockM += 0.5f * bumpM;
    s.torqueNm += (leftSide ? -3.0f : 3.0f) * wave(sinceS, 36);
}

// The lap's line: 22 m/s throughout, a left-hander from 0.5 s to 4.5 s, the
// straight between (with a kerb at 4.55 s) and a right-hander from 5.5 s to
// 9.5 s, each of radius 55 m (about 0.9 g).
constexpr float kLapSpeedMps = 22.0f;
constexpr float kLapRadiusM = 55.0f;
constexpr double kLapKerbS = 4.55;
// The lap's cars steer heavier than the generic corner: about 22 N·m at the
// MX-5's wheel in the corners (44 N·m in the F4), so that Auto strength
// aiming at 80 % of full scale settles both within the slider's range
// (full scale is at least 20 N·m), near 65 and 33.
constexpr float kLapRackGain = 3.0f;

DriveState lapMotion(double t) {
    const double left = ramp(t, 0.5, 1.5) - ramp(t, 3.5, 4.5);
    const double right = ramp(t, 5.5, 6.5) - ramp(t, 8.5, 9.5);
    DriveState line = steadyMotion(kLapSpeedMps, static_cast<float>(left - right) / kLapRadiusM, 0);
    line.torqueNm *= kLapRackGain;
    DriveState s = withRoadTexture(line, t);
    if (t >= kLapKerbS && t < kLapKerbS + 0.4)
        strikeKerb(s, t - kLapKerbS, true);
    return s;
}

// The formula car on the same line: a heavier, faster steering rack that
// pushes twice as hard for the same motion, every sub-sample alike.
DriveState formulaCar(DriveState s) {
    s.torqueNm *= 2.0f;
    return s;
}

// The lap until the wall at 3 s (mid-left-hander), two ticks of 25 g, a slide
// down to walking pace, a pause, then back up to the lap's speed by the end.
DriveState lapIntoTheWall(double t) {
    constexpr double kImpactS = 2.995; // covers the ticks at 3.000 s and 3.017 s
    constexpr double kImpactEndS = 3.025;
    constexpr double kAwayS = 6.0;
    if (t < kImpactS)
        return lapMotion(t);
    if (t < kImpactEndS)
        return wallImpact(20.0f);
    if (t < 4.5)
        return withRoadTexture(
            steadyMotion(static_cast<float>(16.0 - 9.5 * (t - kImpactEndS)), 0, -9.5f), t);
    if (t < kAwayS)
        return withRoadTexture(steadyMotion(2.0f, 0, 0), t);
    constexpr double kAwayMps2 = (kLapSpeedMps - 2.0) / (10.0 - kAwayS);
    return withRoadTexture(steadyMotion(static_cast<float>(2.0 + kAwayMps2 * (t - kAwayS)), 0,
                                        static_cast<float>(kAwayMps2)),
                           t);
}

// A slalom between puddles at 25 m/s: three weaves of ±2.5 m/s².
DriveState weave(double t) {
    return withRoadTexture(steadyMotion(25.0f, 0.004f * wave(t, 0.3), 0), t);
}

} // namespace

DriveState driveStraight(double t) {
    // A gentle weave inside the lane: ±0.5 m/s² at 40 m/s.
    return withRoadTexture(steadyMotion(40.0f, 0.0003f * wave(t, 0.2), 0), t);
}

DriveState driveLeftCorner(double t) {
    return corner(t, +1.0f);
}
DriveState driveRightCorner(double t) {
    return corner(t, -1.0f);
}

DriveState driveKerbs(double t) {
    DriveState s = withRoadTexture(steadyMotion(30.0f, 0, 0), t);
    constexpr double kStrikeS = 0.4;
    for (const double start : {1.0, 3.0, 5.0, 7.0})
        if (t >= start && t < start + kStrikeS)
            strikeKerb(s, t - start, start == 1.0 || start == 5.0);
    return s;
}

DriveState driveAbsBraking(double t) {
    // 45 m/s, a hard stop to 6.5 m/s with the ABS working, and back to 45.
    if (t < 1.0)
        return withRoadTexture(steadyMotion(45.0f, 0, 0), t);
    if (t < 4.5) {
        // The ABS releases and reapplies at 10 Hz: active for 50 ms, off for
        // 50 ms, with the deceleration easing while it releases.
        const bool absActive = static_cast<int>(std::floor((t - 1.0) * 20.0 + 1e-6)) % 2 == 1;
        DriveState s = steadyMotion(static_cast<float>(45.0 - 11.0 * (t - 1.0)), 0,
                                    absActive ? -9.5f : -12.5f);
        s.absActive = absActive;
        return withRoadTexture(s, t);
    }
    return withRoadTexture(steadyMotion(static_cast<float>(6.5 + 7.0 * (t - 4.5)), 0, 7.0f), t);
}

DriveState driveOffTrack(double t) {
    // On track, then 4 s in the garage (no physics: the simulator's values
    // read 0), then out of the pit box and back up to speed.
    if (t < 3.0)
        return withRoadTexture(steadyMotion(25.0f, 0, 0), t);
    if (t < 7.0) {
        DriveState garage;
        garage.onTrack = false;
        return garage;
    }
    constexpr float kPitExitMps2 = 25.0f / 3.0f;
    return withRoadTexture(
        steadyMotion(kPitExitMps2 * static_cast<float>(t - 7.0), 0, kPitExitMps2), t);
}

DriveState driveCrash(double t) {
    // A left-hander at 30 m/s into the wall: two ticks above 10 g, a slide
    // down to walking pace, a pause, then away again.
    constexpr double kImpactS = 2.995; // covers the ticks at 3.000 s and 3.017 s
    constexpr double kImpactEndS = 3.025;
    if (t < kImpactS)
        return withRoadTexture(
            steadyMotion(30.0f, static_cast<float>(ramp(t, 0.0, 1.0)) / 150.0f, 0), t);
    if (t < kImpactEndS)
        return wallImpact(26.0f);
    if (t < 4.8)
        return withRoadTexture(
            steadyMotion(static_cast<float>(22.0 - 11.5 * (t - kImpactEndS)), 0, -11.5f), t);
    if (t < 6.0)
        return withRoadTexture(steadyMotion(1.6f, 0, 0), t);
    return withRoadTexture(steadyMotion(static_cast<float>(1.6 + 7.1 * (t - 6.0)), 0, 7.1f), t);
}

DriveState drivePastLock(double t) {
    // Parking speed, the wheel swept to 4.4 rad each way: 0.475 rad past the
    // lock, so the end stop pushes back.
    const float angleRad = 4.4f * wave(t, 1.0 / kDriveSeconds);
    const float roadAngleRad = std::clamp(angleRad, -kHalfLockRad, kHalfLockRad) / kSteeringRatio;
    DriveState s = steadyMotion(1.5f, roadAngleRad / kWheelbaseM, 0);
    s.wheelAngleRad = angleRad;
    const float pastLockRad = std::abs(angleRad) - kHalfLockRad;
    if (pastLockRad > 0)
        s.torqueNm -=
            std::copysign(std::min(kLockStopNmPerRad * pastLockRad, kLockStopMaxNm), angleRad);
    return withRoadTexture(s, t);
}

DriveState driveWet(double t) {
    DriveState s = weave(t);
    s.declaredWet = true;
    s.trackWetness = 5; // moderately wet
    return s;
}

DriveState driveDrying(double t) {
    // A step of wetness every half second: 5 (moderately wet), 4, 3, then 2
    // (mostly dry) from 1.5 s on.
    DriveState s = weave(t);
    s.trackWetness = 5 - static_cast<int32_t>(std::clamp(std::floor(t / 0.5), 0.0, 3.0));
    return s;
}

DriveState driveReplay(double t) {
    DriveState s = driveLeftCorner(t);
    s.replayPlaying = t >= 3.0 && t < 7.0;
    return s;
}

DriveState driveMx5Lap(double t) {
    return lapMotion(t);
}
DriveState driveF4Lap(double t) {
    return formulaCar(lapMotion(t));
}
DriveState driveF4Crash(double t) {
    return formulaCar(lapIntoTheWall(t));
}

} // namespace gripline::standin
