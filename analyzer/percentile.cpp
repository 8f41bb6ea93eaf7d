#include "analyzer/percentile.h"

#include <algorithm>
#include <cmath>

namespace gripline {

namespace {

// A recording is untrusted input: a value that is not a number must not break
// the selection's ordering (which would be undefined behaviour), so it sorts
// after every number. Lists of numbers select exactly as with `<`.
// A function object rather than a function so the selection inlines it.
struct LessNanLast {
    bool operator()(float a, float b) const { return a < b || (!std::isnan(a) && std::isnan(b)); }
};

} // namespace

// A linear-time selection rather than a sort: lists run to millions of values
// for a long drive.
float percentile(std::vector<float> values, float p) {
    if (values.empty())
        return 0.0f;
    const float position = static_cast<float>(values.size() - 1) * p;
    size_t k = position > 0.0f ? static_cast<size_t>(position) : 0;
    k = std::min(k, values.size() - 1);
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(k), values.end(),
                     LessNanLast{});
    return values[k];
}

} // namespace gripline
