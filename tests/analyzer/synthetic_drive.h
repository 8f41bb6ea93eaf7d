#pragma once
// Recordings made up for the analyzer's tests: a header with ordinary
// settings and steady corners driven by a car whose steering angle follows
// y = a·u + b·v + c exactly (u = 40 × |yaw rate / speed|, v = |lat accel| / 90).
#include "recording/recording_format.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace gripline::test {

inline RecordingHeader ordinaryHeader() {
    RecordingHeader h = makeRecordingHeader();
    setRecordingText(h.CarName, "mercedesw13");
    setRecordingText(h.DriverName, "Test Driver");
    setRecordingText(h.ProfileName, "Race");
    h.ForceStrength = 80;
    h.Bumps = 40;
    h.BumpImpacts = 50;
    h.UndersteerResistance = 60;
    h.SuspensionDetailPriority = 50;
    h.CarForceBalance = 100;
    h.YawRateMultiplier = 44.0f;
    h.LateralAccelDivisor = 110.0f;
    h.ResistanceGain = 1.0f;
    h.SteerMarginBias = 0.0f;
    h.YawSteerGain = 0.0f;
    return h;
}

// The car: steering held = a·u + b·v + c rad.
struct SteeringLaw {
    float A, B, C;
};

// A steady-corner sample at `speed` (m/s) with the scaled inputs u and v,
// turning left (+1) or right (-1). u and v are taken back from the stored
// floats so the law holds exactly for what the analyzer reads.
inline RecordingSample cornerSample(float u, float v, float speed, float side,
                                    const SteeringLaw& law, float extraSteer = 0.0f) {
    RecordingSample s{};
    s.Speed = speed;
    s.YawRate = side * u / 40.0f * speed;
    s.LatAccel = side * v * 90.0f;
    s.CrashFactor = 1.0f;
    s.FullScaleNm = 25.0f;
    const float storedU = std::fabs(s.YawRate / speed) * 40.0f;
    const float storedV = std::fabs(s.LatAccel) / 90.0f;
    s.SteeringWheelAngle = side * (law.A * storedU + law.B * storedV + law.C + extraSteer);
    return s;
}

// `count` corners spread over speeds 15..60 m/s and both directions, with
// inputs that vary independently of each other. Every tenth one has the
// wheel held `outlier` rad further than the law (understeer).
inline std::vector<RecordingSample> cornerDrive(int count, const SteeringLaw& law,
                                                float outlier = 0.0f, bool bothSides = true) {
    std::vector<RecordingSample> samples;
    samples.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const float u = 0.4f + 0.9f * static_cast<float>((i * 37) % 101) / 100.0f;
        const float v = 0.05f + 0.3f * static_cast<float>((i * 53) % 97) / 96.0f;
        const float speed = 15.0f + 45.0f * static_cast<float>((i * 29) % 89) / 88.0f;
        const float side = bothSides && (i % 2 == 1) ? -1.0f : 1.0f;
        const float extra = (i % 10 == 3) ? outlier : 0.0f;
        RecordingSample s = cornerSample(u, v, speed, side, law, extra);
        s.TimeUs = static_cast<uint64_t>(i) * 16667;
        samples.push_back(s);
    }
    return samples;
}

} // namespace gripline::test
