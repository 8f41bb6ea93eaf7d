#pragma once
// One simulator tick's values, copied whole between the reader and the
// engine. Zero-initialised: every field is 0/false before a read fills it.
#include <cstdint>

namespace gripline {

inline constexpr int kSubSamples = 6; // 360 Hz sub-samples per 60 Hz tick

struct TelemetrySnapshot {
    bool Valid = false;
    bool IsOnTrack = false;
    int32_t TickCount = 0;
    float Speed = 0;                 // m/s
    float SteeringWheelTorque = 0;   // N·m
    float SteeringWheelAngle = 0;    // rad
    float SteeringWheelAngleMax = 0; // rad, full lock-to-lock range
    float VelocityX = 0;             // m/s, longitudinal
    float VelocityY = 0;             // m/s, lateral
    float LongAccel = 0;             // m/s²
    float LatAccel = 0;              // m/s²
    float YawRate = 0;               // rad/s
    bool BrakeABSactive = false;
    float LFshockDefl = 0; // m, newest left-front sub-sample
    float RFshockDefl = 0; // m, newest right-front sub-sample
    float CFshockDefl = 0; // m, newest centre-front sub-sample
    float LFshockDeflSt[kSubSamples] = {}; // m, oldest first
    float RFshockDeflSt[kSubSamples] = {};
    float CFshockDeflSt[kSubSamples] = {};
    float TorqueSt[kSubSamples] = {}; // N·m, oldest first
    int32_t TorqueStCount = 0;        // 1..6 after a read
    int32_t ShockStCount = 0;         // 0..6, smaller of left and right
    int32_t CFshockStCount = 0;       // 0..6
    bool IsReplayPlaying = false;    // the simulator shows a replay, not the live car
    bool WeatherDeclaredWet = false; // the session is declared wet
    int32_t TrackWetness = 0;        // 0 unknown, 1 dry .. 7 extremely wet
};

} // namespace gripline
