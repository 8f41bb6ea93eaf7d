#pragma once
// The last stage before the wheel: a steering torque in N·m becomes a
// DirectInput magnitude (full scale 10 000). magnitude = force / 40 ×
// ForceStrength / 50 × 10 000, so full scale is 2000 / max(ForceStrength, 1)
// N·m (40 N·m at strength 50). The engine never asks for more than 9996.
#include "engine/ffb_engine.h"
#include "settings/ffb_settings.h"

#include <cstdint>

namespace gripline {

inline constexpr int32_t kMaxRequestedMagnitude = 9996;

// N·m that map to full scale.
float fullScaleNm(int32_t forceStrength);

// The conversion, truncated toward zero and not yet limited: beyond the
// int32 range it saturates. 0 for a strength of 0 or less, and for a force
// that is not finite.
int32_t forceToMagnitude(float forceNm, int32_t forceStrength);

inline bool beyondOutputRange(int32_t magnitude) {
    return magnitude > kMaxRequestedMagnitude || magnitude < -kMaxRequestedMagnitude;
}
int32_t clampMagnitude(int32_t magnitude);

// Lifts small magnitudes so a weak wheel still gives the driver something
// to feel; magnitudes at or above the curve's end pass unchanged.
int32_t minimumForceCurve(int32_t magnitude, int32_t minForce);

// One output sample: conversion with the stint's clip counting, then the
// parked reduction or the minimum-force curve, then the stint's output
// counters. The result is within ±9996.
int32_t toMagnitude(float forceNm, const FfbSettings& settings, bool parked,
                    StintAccumulators& acc);

} // namespace gripline
