#pragma once
// Grip-model coefficients for 45 cars, measured per car; every other car
// uses the defaults. Yaw steer gain and steer margin bias are 0 in every row.
#include "settings/car_coefficients.h"

#include <span>
#include <string_view>

namespace gripline {

struct BuiltinCar {
    const wchar_t* Car; // car key
    float YawRateMultiplier;
    float LateralAccelDivisor;
    float ResistanceGain;
};

std::span<const BuiltinCar> builtinCars();

// The row named `name` without regard to case, or null.
const BuiltinCar* findBuiltinCar(std::wstring_view name);

// The row's coefficients.
CarCoefficients builtinValues(const BuiltinCar& row);

} // namespace gripline
