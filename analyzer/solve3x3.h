#pragma once
// The analyzer's 3 × 3 linear solver for the coefficient fit.
#include <array>

namespace gripline {

// One equation: three coefficients and the right-hand side.
using EquationRow = std::array<float, 4>;

// Gauss–Jordan elimination with partial pivoting in single precision.
// Returns false (leaving `solution` untouched) when a pivot's magnitude is
// below 0.000001: the system counts as singular.
bool solve3x3(std::array<EquationRow, 3> rows, std::array<float, 3>& solution);

} // namespace gripline
