#pragma once
// Synthetic drives as continuous functions of time, so that the 60 Hz
// scalars and the 360 Hz sub-samples come from the same motion.
//
// Axes and signs follow the simulator: X forward, Y to the left; a positive
// steering-wheel angle, yaw rate and lateral acceleration mean turning left.
// The steering torque is the torque the wheel pushes with, so while it
// aligns it has the sign opposite to the angle (the recorded Spielberg file
// shows +176 N·m with the wheel at -3.80 rad, past its lock).
#include <cstdint>

namespace gripline::standin {

struct DriveState {
    bool onTrack = true;
    bool absActive = false;
    float speedMps = 0;
    float torqueNm = 0;
    float wheelAngleRad = 0;
    float velocityXMps = 0; // longitudinal
    float velocityYMps = 0; // lateral
    float longAccelMps2 = 0;
    float latAccelMps2 = 0;
    float yawRateRadps = 0;
    float lfShockM = 0; // shock deflections, m
    float rfShockM = 0;
    float cfShockM = 0;
    // What the simulator says about the session rather than the motion.
    bool replayPlaying = false;
    bool declaredWet = false;
    int32_t trackWetness = 0; // 0 unknown, 1 dry .. 7 extremely wet
};

// Full lock-to-lock range of the stand-in's steering wheel (450°).
inline constexpr float kWheelLockToLockRad = 7.85f;
inline constexpr double kDriveSeconds = 10.0;

using DriveFunction = DriveState (*)(double timeS);

// Each takes the time since the start of the drive, 0 to kDriveSeconds; every
// drive starts and ends in the same state, so a loop has no jump.
DriveState driveStraight(double timeS);
DriveState driveLeftCorner(double timeS);
DriveState driveRightCorner(double timeS);
DriveState driveKerbs(double timeS);
DriveState driveAbsBraking(double timeS);
DriveState driveOffTrack(double timeS);
DriveState driveCrash(double timeS);
DriveState drivePastLock(double timeS);
// A weaving drive on a wet track (declared wet, wetness 5 throughout), and the
// same drive drying: not declared, wetness 5 falling to 2 in its first 2 s.
DriveState driveWet(double timeS);
DriveState driveDrying(double timeS);
// The left-hander with the simulator showing a replay from 3 s to 7 s.
DriveState driveReplay(double timeS);
// A lap-like mix, left-hander, a kerb, right-hander, in a small road car; the
// same motion in a formula car with twice the steering torque; and the
// formula car into a wall halfway round.
DriveState driveMx5Lap(double timeS);
DriveState driveF4Lap(double timeS);
DriveState driveF4Crash(double timeS);

} // namespace gripline::standin
