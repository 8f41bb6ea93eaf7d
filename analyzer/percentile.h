#pragma once
// Percentiles as the analyzer takes them: the k-th smallest value with
// k = trunc((n - 1) × p) in single precision, no interpolation.
#include <vector>

namespace gripline {

// Works on its own copy of `values`; an empty list gives 0. p = 0.95 is P95.
float percentile(std::vector<float> values, float p);

} // namespace gripline
