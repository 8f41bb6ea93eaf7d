#pragma once
// The five grip-model coefficients of one car, in natural units. They say
// how much steering the car's rotation explains (yaw-rate multiplier, yaw
// steer gain, lateral-acceleration divisor), how hard the understeer
// resistance pushes, and how much margin the driver gets before it does.
namespace gripline {

struct CarCoefficients {
    // rad·m: steering explained per unit of path curvature (yaw rate ÷ speed, 1/m)
    float YawRateMultiplier = 0;
    float YawSteerGain = 0;        // per rad of steering; the grip model uses 0..0.45 of it
    float LateralAccelDivisor = 0; // m/s² per rad of steering
    float ResistanceGain = 0;      // factor on the understeer resistance force
    float SteerMarginBias = 0;     // rad added to the understeer margin

    bool operator==(const CarCoefficients&) const = default;
};

} // namespace gripline
