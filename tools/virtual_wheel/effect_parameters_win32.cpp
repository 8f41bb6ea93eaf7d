#include "tools/virtual_wheel/effect_parameters_win32.h"

#include <algorithm>
#include <cstdlib>

namespace gripline::wheel {

namespace {

constexpr DWORD kSetFlags = DIEP_ALLPARAMS | DIEP_START | DIEP_NORESTART | DIEP_NODOWNLOAD;
constexpr DWORD kAxisNaming = DIEFF_OBJECTIDS | DIEFF_OBJECTOFFSETS;
constexpr DWORD kCoordinates = DIEFF_CARTESIAN | DIEFF_POLAR | DIEFF_SPHERICAL;

bool exactlyOne(DWORD bits) {
    return bits != 0 && (bits & (bits - 1)) == 0;
}

// The wheel has one actuator: an effect names exactly the steering axis.
HRESULT takeAxis(const DIEFFECT& effect, std::optional<DWORD> xOffset,
                 ConstantForceParameters& next) {
    const DWORD naming = effect.dwFlags & kAxisNaming;
    if (effect.cAxes != 1 || !effect.rgdwAxes || !exactlyOne(naming))
        return DIERR_INVALIDPARAM;
    const DWORD axis = effect.rgdwAxes[0];
    const bool steering = naming == DIEFF_OBJECTOFFSETS
                              ? xOffset && axis == *xOffset
                              : (DIDFT_GETTYPE(axis) & DIDFT_AXIS) && DIDFT_GETINSTANCE(axis) == 0;
    if (!steering)
        return DIERR_INVALIDPARAM;
    next.hasAxis = true;
    next.axisFlags = naming;
    next.axis = axis;
    return DI_OK;
}

// With one axis the direction says nothing (the magnitude's sign turns the
// wheel), but it must be well formed, as DirectInput insists.
HRESULT takeDirection(const DIEFFECT& effect, ConstantForceParameters& next) {
    const DWORD coordinates = effect.dwFlags & kCoordinates;
    if (effect.cAxes != 1 || !effect.rglDirection || !exactlyOne(coordinates))
        return DIERR_INVALIDPARAM;
    next.coordinates = coordinates;
    next.direction = effect.rglDirection[0];
    return DI_OK;
}

HRESULT takeForce(const DIEFFECT& effect, ConstantForceParameters& next, bool& truncated) {
    if (effect.cbTypeSpecificParams != sizeof(DICONSTANTFORCE) || !effect.lpvTypeSpecificParams)
        return DIERR_INVALIDPARAM;
    const LONG magnitude =
        static_cast<const DICONSTANTFORCE*>(effect.lpvTypeSpecificParams)->lMagnitude;
    next.hasForce = true;
    next.magnitude = std::clamp<LONG>(magnitude, -DI_FFNOMINALMAX, DI_FFNOMINALMAX);
    truncated |= next.magnitude != magnitude;
    return DI_OK;
}

// Envelopes are checked and not played, and trigger buttons are ignored
// (the wheel has none): a program's constant force is played as set.
HRESULT checkEnvelope(const DIEFFECT& effect) {
    return !effect.lpEnvelope || effect.lpEnvelope->dwSize == sizeof(DIENVELOPE)
               ? DI_OK
               : DIERR_INVALIDPARAM;
}

void takeTimes(const DIEFFECT& effect, DWORD flags, ConstantForceParameters& next,
               bool& truncated) {
    if (flags & DIEP_DURATION)
        next.durationUs = effect.dwDuration;
    if (flags & DIEP_SAMPLEPERIOD)
        next.samplePeriodUs = effect.dwSamplePeriod;
    if (flags & DIEP_TRIGGERREPEATINTERVAL)
        next.triggerRepeatUs = effect.dwTriggerRepeatInterval;
    if (flags & DIEP_STARTDELAY)
        next.startDelayUs = effect.dwStartDelay;
    if (flags & DIEP_GAIN) {
        next.gain = std::min<DWORD>(effect.dwGain, DI_FFNOMINALMAX);
        truncated |= next.gain != effect.dwGain;
    }
}

} // namespace

HRESULT applyEffectParameters(const DIEFFECT* effect, DWORD flags, std::optional<DWORD> xOffset,
                              ConstantForceParameters& parameters) {
    if (!effect || !validEffectSize(effect->dwSize) || (flags & ~kSetFlags) != 0)
        return DIERR_INVALIDPARAM;
    if ((flags & DIEP_STARTDELAY) && effect->dwSize != sizeof(DIEFFECT))
        return DIERR_INVALIDPARAM; // the DirectX 5 structure has no start delay

    ConstantForceParameters next = parameters;
    bool truncated = false;
    HRESULT hr = DI_OK;
    if (SUCCEEDED(hr) && (flags & DIEP_AXES))
        hr = takeAxis(*effect, xOffset, next);
    if (SUCCEEDED(hr) && (flags & DIEP_DIRECTION))
        hr = takeDirection(*effect, next);
    if (SUCCEEDED(hr) && (flags & DIEP_TYPESPECIFICPARAMS))
        hr = takeForce(*effect, next, truncated);
    if (SUCCEEDED(hr) && (flags & DIEP_ENVELOPE))
        hr = checkEnvelope(*effect);
    if (FAILED(hr))
        return hr;
    takeTimes(*effect, flags, next, truncated);
    parameters = next;
    return truncated ? DI_TRUNCATED : DI_OK;
}

namespace {

HRESULT readAxis(const ConstantForceParameters& parameters, DIEFFECT& effect, DWORD flags) {
    if (!parameters.hasAxis) {
        effect.cAxes = 0;
        return DI_OK;
    }
    if (effect.cAxes < 1) {
        effect.cAxes = 1;
        return DIERR_MOREDATA;
    }
    if (((flags & DIEP_AXES) && !effect.rgdwAxes) ||
        ((flags & DIEP_DIRECTION) && !effect.rglDirection))
        return DIERR_INVALIDPARAM;
    effect.cAxes = 1;
    if (flags & DIEP_AXES) {
        effect.rgdwAxes[0] = parameters.axis;
        effect.dwFlags = (effect.dwFlags & ~kAxisNaming) | parameters.axisFlags;
    }
    if (flags & DIEP_DIRECTION) {
        effect.rglDirection[0] = parameters.direction;
        effect.dwFlags = (effect.dwFlags & ~kCoordinates) | parameters.coordinates;
    }
    return DI_OK;
}

HRESULT readForce(const ConstantForceParameters& parameters, DIEFFECT& effect) {
    if (effect.cbTypeSpecificParams < sizeof(DICONSTANTFORCE) || !effect.lpvTypeSpecificParams) {
        effect.cbTypeSpecificParams = sizeof(DICONSTANTFORCE);
        return DIERR_MOREDATA;
    }
    effect.cbTypeSpecificParams = sizeof(DICONSTANTFORCE);
    static_cast<DICONSTANTFORCE*>(effect.lpvTypeSpecificParams)->lMagnitude = parameters.magnitude;
    return DI_OK;
}

} // namespace

HRESULT readEffectParameters(const ConstantForceParameters& parameters, DIEFFECT* effect,
                             DWORD flags) {
    if (!effect || !validEffectSize(effect->dwSize) || (flags & ~DIEP_ALLPARAMS) != 0)
        return DIERR_INVALIDPARAM;
    if ((flags & DIEP_STARTDELAY) && effect->dwSize != sizeof(DIEFFECT))
        return DIERR_INVALIDPARAM;
    HRESULT hr = DI_OK;
    if (flags & (DIEP_AXES | DIEP_DIRECTION))
        hr = readAxis(parameters, *effect, flags);
    if (SUCCEEDED(hr) && (flags & DIEP_TYPESPECIFICPARAMS) && parameters.hasForce)
        hr = readForce(parameters, *effect);
    if (FAILED(hr))
        return hr;
    if (flags & DIEP_ENVELOPE)
        effect->lpEnvelope = nullptr;
    if (flags & DIEP_DURATION)
        effect->dwDuration = parameters.durationUs;
    if (flags & DIEP_SAMPLEPERIOD)
        effect->dwSamplePeriod = parameters.samplePeriodUs;
    if (flags & DIEP_GAIN)
        effect->dwGain = parameters.gain;
    if (flags & DIEP_TRIGGERBUTTON)
        effect->dwTriggerButton = DIEB_NOTRIGGER;
    if (flags & DIEP_TRIGGERREPEATINTERVAL)
        effect->dwTriggerRepeatInterval = parameters.triggerRepeatUs;
    if (flags & DIEP_STARTDELAY)
        effect->dwStartDelay = parameters.startDelayUs;
    return DI_OK;
}

} // namespace gripline::wheel
