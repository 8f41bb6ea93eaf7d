#pragma once
// What the analyzer recommends, as it is handed to the force-feedback
// program in an advice file: six profile settings and the car's five
// coefficients. Filled by the analysis report; kept here beside the advice
// file that carries it, which both programs share.
#include <cstdint>
#include <string>

namespace gripline {

struct AnalyzerAdvice {
    std::wstring ProfileName; // may be empty: the program then uses its active profile
    std::wstring CarName;     // "unknown" when the recording named no car
    // Percent, in the units of the FfbSettings fields of the same name
    // (Bumps is the road texture, BumpImpacts the impact texture).
    int32_t ForceStrength = 0;
    int32_t CarForceBalance = 0;
    int32_t Bumps = 0;
    int32_t BumpImpacts = 0;
    int32_t SuspensionDetailPriority = 0;
    int32_t AbsVibration = 0;
    // The fit was made; otherwise the five values are the recorded ones.
    bool HasCoefficientAdvice = false;
    float YawRateMultiplier = 0;
    float YawSteerGain = 0;
    float LateralAccelDivisor = 0;
    float ResistanceGain = 0;
    float SteerMarginBias = 0; // rad
};

} // namespace gripline
