#pragma once
// What a slider's value label reads, and the coefficient sliders' positions
// for a car's coefficients.
#include "settings/car_coefficients.h"

#include <cstdint>
#include <string>

namespace gripline {

// The value label of slider `id` at `value`: "50%", "6.5 g", "1.5 sec",
// "0.005", "-2.7 deg"...
std::wstring sliderValueText(int id, int32_t value);

// The position of coefficient slider `id` (1116 .. 1120) for `coefficients`,
// rounded halves away from zero and limited to the slider's range.
int32_t coefficientSliderValue(int id, const CarCoefficients& coefficients);

} // namespace gripline
