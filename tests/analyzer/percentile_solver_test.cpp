// The two numeric building blocks of the analysis: the percentile rule (no
// interpolation, k truncated in single precision) and the 3 × 3 solver.
#include "analyzer/percentile.h"
#include "analyzer/solve3x3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace gripline {
namespace {

TEST(Percentile, TakesTheKthSmallestWithoutInterpolating) {
    EXPECT_EQ(percentile({}, 0.95f), 0.0f);
    EXPECT_EQ(percentile({7.0f}, 0.99f), 7.0f);
    // Two values at 0.95: k = trunc(0.95) = 0, the smaller one.
    EXPECT_EQ(percentile({5.0f, 2.0f}, 0.95f), 2.0f);

    std::vector<float> hundredOne;
    for (int i = 100; i >= 0; --i)
        hundredOne.push_back(static_cast<float>(i));
    EXPECT_EQ(percentile(hundredOne, 0.95f), 95.0f);
    EXPECT_EQ(percentile(hundredOne, 0.0f), 0.0f);
    EXPECT_EQ(percentile(hundredOne, 1.0f), 100.0f);
    EXPECT_EQ(hundredOne.front(), 100.0f) << "the caller's list must stay as it was";

    // 11 values at 0.9: 10 × 0.9f rounds to exactly 9 in single precision,
    // k = 9 (in double it would be 8.9999998 and k = 8).
    std::vector<float> eleven;
    for (int i = 0; i < 11; ++i)
        eleven.push_back(static_cast<float>(i));
    EXPECT_EQ(percentile(eleven, 0.9f), 9.0f);
    EXPECT_EQ(percentile(hundredOne, 0.72f), 72.0f);
}

TEST(Percentile, ValuesThatAreNotNumbersSortLastAndBreakNothing) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<float> values = {3.0f, nan, 1.0f, nan, 2.0f, 0.0f, nan, 4.0f};
    EXPECT_EQ(percentile(values, 0.0f), 0.0f);
    EXPECT_EQ(percentile(values, 0.5f), 3.0f); // k = 3 of 0,1,2,3,4,nan,nan,nan
    EXPECT_TRUE(std::isnan(percentile(values, 1.0f)));
}

TEST(Solve3x3, PivotsOnTheLargestEntryAndSolves) {
    // x = 1, y = -2, z = 3; the first row has no x, so it must be swapped.
    std::array<float, 3> xyz{};
    ASSERT_TRUE(solve3x3({EquationRow{0, 2, 1, -1}, EquationRow{1, 1, 1, 2},
                          EquationRow{4, -1, 0, 6}},
                         xyz));
    EXPECT_NEAR(xyz[0], 1.0f, 1e-6f);
    EXPECT_NEAR(xyz[1], -2.0f, 1e-6f);
    EXPECT_NEAR(xyz[2], 3.0f, 1e-6f);
}

TEST(Solve3x3, RefusesASingularSystem) {
    std::array<float, 3> xyz = {9, 9, 9};
    // The third row is the sum of the first two.
    EXPECT_FALSE(solve3x3({EquationRow{1, 2, 3, 1}, EquationRow{2, 1, 0, 1},
                           EquationRow{3, 3, 3, 2}},
                          xyz));
    EXPECT_EQ(xyz[0], 9.0f);
    // A pivot just below the limit counts as zero.
    EXPECT_FALSE(solve3x3({EquationRow{0.0000009f, 0, 0, 1}, EquationRow{0, 1, 0, 1},
                           EquationRow{0, 0, 1, 1}},
                          xyz));
    EXPECT_TRUE(solve3x3({EquationRow{0.000001f, 0, 0, 1}, EquationRow{0, 1, 0, 1},
                          EquationRow{0, 0, 1, 1}},
                         xyz));
}

} // namespace
} // namespace gripline
