#pragma once
// What the engine records of one on-track tick: the telemetry as read, the
// grip model's understeer estimate, and the force components of one
// sub-sample, the one with the strongest suspension detail (so kerbs and
// bumps are what a recording shows). Filled on the engine thread, copied whole.
#include <cstdint>

namespace gripline {

struct TickRecord {
    int32_t TickCount = 0;
    // As read from the tick's telemetry.
    float Speed = 0;               // m/s
    float SteeringWheelAngle = 0;  // rad
    float SteeringWheelTorque = 0; // N·m
    float VelocityX = 0;           // m/s
    float VelocityY = 0;           // m/s
    float LongAccel = 0;           // m/s²
    float LatAccel = 0;            // m/s²
    float YawRate = 0;             // rad/s
    // Grip model, per tick.
    float UndersteerMargin = 0;   // rad
    float UndersteerActivity = 0; // 0..1
    // The representative sub-sample.
    int32_t SubSample = 0;           // its index in the tick, 0..5
    float BaseForce = 0;             // N·m
    float ResistanceForce = 0;       // N·m, per tick
    float SuspensionDetailForce = 0; // N·m
    float OversteerSmoothed = 0;     // N·m
    float FinalForce = 0;            // N·m, combined, after crash protection
    float FullScaleNm = 0;           // N·m that map to full scale
    float CrashFactor = 1.0f;
    bool Clipped = false;            // FinalForce beyond ±9996 magnitude units
    bool SuspensionPriority = false; // the priority rule changed FinalForce
    bool AbsActive = false;          // the simulator reported ABS active
};

} // namespace gripline
