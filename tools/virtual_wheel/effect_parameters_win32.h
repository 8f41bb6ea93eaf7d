#pragma once
// A constant-force effect's parameters as the wheel keeps them, and the
// checks DirectInput applies when a program sets or reads them.
#include <windows.h>

#include <dinput.h>

#include <optional>

namespace gripline::wheel {

struct ConstantForceParameters {
    bool hasForce = false; // type-specific parameters given
    LONG magnitude = 0;    // magnitude units, clamped to ±10000
    bool hasAxis = false;  // the steering axis named
    DWORD axisFlags = 0;   // DIEFF_OBJECTIDS or DIEFF_OBJECTOFFSETS
    DWORD axis = 0;        // as the program named it
    DWORD coordinates = DIEFF_CARTESIAN;
    LONG direction = 0;           // kept for GetParameters; one axis has no direction
    DWORD gain = DI_FFNOMINALMAX; // 0..10000
    DWORD durationUs = INFINITE;
    DWORD startDelayUs = 0;
    DWORD samplePeriodUs = 0;
    DWORD triggerRepeatUs = 0;

    // Download needs an axis and a force.
    bool complete() const { return hasForce && hasAxis; }
    bool operator==(const ConstantForceParameters&) const = default;
};

// Checks the parts of `effect` that `flags` (DIEP_*) name and copies them
// into `parameters`; nothing changes unless every part is valid.
// `xOffset` is the steering axis's offset in the device's data format.
// DI_TRUNCATED when a magnitude or gain was out of range and was clamped.
HRESULT applyEffectParameters(const DIEFFECT* effect, DWORD flags, std::optional<DWORD> xOffset,
                              ConstantForceParameters& parameters);

// GetParameters: fills the parts of `effect` that `flags` name.
HRESULT readEffectParameters(const ConstantForceParameters& parameters, DIEFFECT* effect,
                             DWORD flags);

inline bool validEffectSize(DWORD size) {
    return size == sizeof(DIEFFECT) || size == sizeof(DIEFFECT_DX5);
}

} // namespace gripline::wheel
