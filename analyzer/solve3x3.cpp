#include "analyzer/solve3x3.h"

#include <cmath>
#include <utility>

namespace gripline {

namespace {

constexpr float kSingularPivot = 0.000001f;

// The row at or below `column` with the largest magnitude in that column; the
// first of equals, so the same system always pivots the same way.
int pivotRow(const std::array<EquationRow, 3>& rows, int column) {
    int best = column;
    for (int r = column + 1; r < 3; ++r)
        if (std::fabs(rows[r][column]) > std::fabs(rows[best][column]))
            best = r;
    return best;
}

} // namespace

bool solve3x3(std::array<EquationRow, 3> rows, std::array<float, 3>& solution) {
    for (int i = 0; i < 3; ++i) {
        const int pivot = pivotRow(rows, i);
        if (std::fabs(rows[pivot][i]) < kSingularPivot)
            return false;
        std::swap(rows[i], rows[pivot]);
        const float divisor = rows[i][i];
        for (int c = i; c < 4; ++c)
            rows[i][c] /= divisor;
        for (int r = 0; r < 3; ++r) {
            if (r == i)
                continue;
            const float factor = rows[r][i];
            for (int c = i; c < 4; ++c)
                rows[r][c] -= factor * rows[i][c];
        }
    }
    solution = {rows[0][3], rows[1][3], rows[2][3]};
    return true;
}

} // namespace gripline
