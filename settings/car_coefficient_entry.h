#pragma once
// One car's coefficients with the car they belong to: an entry of the
// user's custom list, a row of the built-in table, or the window's working
// copy behind the coefficient sliders.
#include "settings/car_coefficients.h"

#include <string>

namespace gripline {

struct CarCoefficientEntry {
    std::wstring Car; // car key, table name or "generic"
    CarCoefficients Values;

    bool operator==(const CarCoefficientEntry&) const = default;
};

} // namespace gripline
