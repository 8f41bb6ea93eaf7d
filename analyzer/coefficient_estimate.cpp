#include "analyzer/coefficient_estimate.h"

#include "analyzer/percentile.h"
#include "analyzer/solve3x3.h"
#include "analyzer/stable_corners.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace gripline {

// The fit describes the steering angle held in a steady corner as
//   y ≈ a·u + b·v + c
// with u = 40 × |yaw rate / speed| and v = |lateral acceleration| / 90, so
// the yaw-rate multiplier is 40a and the lateral-acceleration divisor 90/b.
// Everything is single precision and every sum runs in the order of the
// points, so both builds give the same bits.

namespace {

constexpr uint32_t kMinPoints = 180;
constexpr int kFitPasses = 4;
constexpr float kThreeDegrees = 0.052359875f;  // rad: the most the steer margin moves per analysis
constexpr float kSteerMarginLimit = 0.1745f;   // rad, about 10 degrees either way
constexpr float kTenthDegreesPerRadian = 572.9578f;

float positiveOr(float value, float fallback) {
    return std::isfinite(value) && value > 0.0f ? value : fallback;
}

float limited(float value, float atMost, float atLeast) {
    if (value > atMost)
        value = atMost;
    if (value < atLeast)
        value = atLeast;
    return value;
}

CoefficientEstimate invalidEstimate(const CarCoefficients& start, uint32_t points) {
    CoefficientEstimate estimate;
    estimate.StableCornerCount = points;
    estimate.Coefficients = start;
    return estimate;
}

struct Line {
    float A, B, C; // y ≈ a·u + b·v + c
};

// One ridge-regularised least-squares solve over the inliers. The ridge pulls
// a and b towards the recorded coefficients so that a drive with little
// variety cannot swing them far.
bool ridgeFit(const std::vector<StableCornerPoint>& points, const std::vector<bool>& inlier,
              float priorA, float priorB, Line& line) {
    float suu = 0, suv = 0, su = 0, suy = 0, svv = 0, sv = 0, svy = 0, sy = 0;
    uint32_t n = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        if (!inlier[i])
            continue;
        const StableCornerPoint& p = points[i];
        suu += p.U * p.U;
        suv += p.U * p.V;
        su += p.U;
        suy += p.U * p.Y;
        svv += p.V * p.V;
        sv += p.V;
        svy += p.V * p.Y;
        sy += p.Y;
        ++n;
    }
    const float count = static_cast<float>(n);
    const float lambda = std::max(2.0f, 0.015f * count);
    std::array<float, 3> abc{};
    if (!solve3x3({EquationRow{suu + lambda, suv, su, suy + lambda * priorA},
                   EquationRow{suv, svv + lambda, sv, svy + lambda * priorB},
                   EquationRow{su, sv, count, sy}},
                  abc))
        return false;
    line = {abc[0], abc[1], abc[2]};
    return true;
}

// The next pass's inliers: residuals between their 8th and 72nd percentile.
// The band is lopsided on purpose: a wheel held beyond what the car's
// rotation explains (understeer, a correction) shows as a large positive
// residual, and those samples say nothing about the steady corner.
void keepResidualBand(const std::vector<StableCornerPoint>& points, const Line& line,
                      std::vector<float>& residuals, std::vector<bool>& inlier) {
    residuals.clear();
    for (const StableCornerPoint& p : points)
        residuals.push_back(p.Y - line.A * p.U - line.B * p.V - line.C);
    const float lo = percentile(residuals, 0.08f);
    const float hi = percentile(residuals, 0.72f);
    for (size_t i = 0; i < points.size(); ++i)
        inlier[i] = residuals[i] >= lo && residuals[i] <= hi;
}

// What the fitted multiplier and divisor leave unexplained, per point.
struct Residuals {
    std::vector<float> E;   // rad: y − (v × 90 / L + yaw term)
    std::vector<float> Q;   // yaw load: |yaw term| × min(1.5, y)
    float MinSpeed = 0, MaxSpeed = 0;
    uint32_t Left = 0, Right = 0; // points with lateral acceleration above / below 0
    float Su = 0, Sv = 0, Suu = 0, Svv = 0, Suv = 0;
};

Residuals residualsOf(const std::vector<StableCornerPoint>& points, float yawRateMultiplier,
                      float lateralAccelDivisor) {
    Residuals r;
    r.E.reserve(points.size());
    r.Q.reserve(points.size());
    r.MinSpeed = r.MaxSpeed = points.front().Speed;
    for (const StableCornerPoint& p : points) {
        const float yawTerm = yawRateMultiplier * p.U / 40.0f;
        r.E.push_back(p.Y - (p.V * 90.0f / lateralAccelDivisor + yawTerm));
        r.Q.push_back(std::fabs(yawTerm) * std::min(1.5f, p.Y));
        r.MinSpeed = std::min(r.MinSpeed, p.Speed);
        r.MaxSpeed = std::max(r.MaxSpeed, p.Speed);
        if (p.LatAccel > 0.0f)
            ++r.Left;
        if (p.LatAccel < 0.0f)
            ++r.Right;
        r.Su += p.U;
        r.Sv += p.V;
        r.Suu += p.U * p.U;
        r.Svv += p.V * p.V;
        r.Suv += p.U * p.V;
    }
    return r;
}

// The margin is set so that 18 % of the corners sit above 0.175 rad of
// unexplained steering, moved at most three degrees from the recorded value.
float steerMarginBias(const Residuals& r, float start) {
    const float margin = 0.175f - percentile(r.E, 0.82f);
    return limited(margin, std::min(start + kThreeDegrees, kSteerMarginLimit),
                   std::max(start - kThreeDegrees, -kSteerMarginLimit));
}

// The slope of the unexplained steering against the yaw load, over the
// points with some yaw load: how much extra steering rotation asks for.
float yawSteerGain(const Residuals& r, float start) {
    const float median = percentile(r.E, 0.5f);
    float sumQ = 0, sumE = 0;
    uint32_t n = 0;
    for (size_t i = 0; i < r.Q.size(); ++i) {
        if (r.Q[i] > 0.01f) {
            sumQ += r.Q[i];
            sumE += r.E[i] - median;
            ++n;
        }
    }
    if (n == 0)
        return start;
    const float meanQ = sumQ / static_cast<float>(n);
    const float meanE = sumE / static_cast<float>(n);
    float cov = 0, var = 0;
    for (size_t i = 0; i < r.Q.size(); ++i) {
        if (r.Q[i] > 0.01f) {
            const float dq = r.Q[i] - meanQ;
            cov += ((r.E[i] - median) - meanE) * dq;
            var += dq * dq;
        }
    }
    if (!(var > 0.0001f))
        return start;
    return limited(cov / var, std::min(start + 0.12f, 0.45f), std::max(start - 0.12f, 0.0f));
}

// Scaled so that the 90th percentile of the resistance force while it acts
// lands at 30 % of the full-scale threshold; only when the driver had the
// resistance on and it acted often enough to tell.
float resistanceGain(const RecordingHeader& header, const std::vector<float>& forces,
                     float fullScaleNm, float start) {
    if (header.UndersteerResistance <= 0 || forces.size() < 60)
        return start;
    const float p90 = percentile(forces, 0.9f);
    if (!(p90 > 0.05f))
        return start;
    return limited(fullScaleNm * 0.3f * start / p90, std::min(start + 0.25f, 2.0f),
                   std::max(start - 0.25f, 0.5f));
}

// |correlation| of u and v: near 1 the two inputs cannot be told apart.
float correlation(const Residuals& r, float n) {
    const float sxx = r.Suu - r.Su * r.Su / n;
    const float syy = r.Svv - r.Sv * r.Sv / n;
    const float sxy = r.Suv - r.Su * r.Sv / n;
    const float d = std::sqrt(std::max(0.0f, sxx * syy));
    return d > 0.000001f ? std::fabs(sxy / d) : 1.0f;
}

void setConfidence(CoefficientEstimate& estimate, float balance) {
    const uint32_t n = estimate.StableCornerCount;
    const float range = estimate.SpeedRange;
    const float corr = estimate.YawLateralCorrelation;
    estimate.HighConfidence = n >= 3600 && range >= 25.0f && balance >= 0.2f && corr <= 0.95f;
    estimate.MediumConfidence = estimate.HighConfidence ||
                                (n >= 900 && range >= 15.0f && balance >= 0.1f && corr <= 0.985f);
}

// Steps the settings file and the sliders can hold.
CarCoefficients roundedToSteps(CarCoefficients c) {
    c.YawRateMultiplier = std::round(2.0f * c.YawRateMultiplier) * 0.5f;
    c.YawSteerGain = std::round(200.0f * c.YawSteerGain) * 0.005f;
    c.LateralAccelDivisor = std::round(c.LateralAccelDivisor);
    c.ResistanceGain = std::round(20.0f * c.ResistanceGain) * 0.05f;
    c.SteerMarginBias =
        std::round(c.SteerMarginBias * kTenthDegreesPerRadian / 0.1f) * 0.1f / kTenthDegreesPerRadian;
    return c;
}

bool allFinite(const CarCoefficients& c) {
    return std::isfinite(c.YawRateMultiplier) && std::isfinite(c.YawSteerGain) &&
           std::isfinite(c.LateralAccelDivisor) && std::isfinite(c.ResistanceGain) &&
           std::isfinite(c.SteerMarginBias);
}

} // namespace

// A recording is untrusted input: a recorded coefficient that is not a finite
// number starts the fit from the engine's default, as one that is not
// positive does; the step limits would not hold it.
CarCoefficients startingCoefficients(const RecordingHeader& header) {
    CarCoefficients start;
    start.YawRateMultiplier = positiveOr(header.YawRateMultiplier, 40.0f);
    start.LateralAccelDivisor = positiveOr(header.LateralAccelDivisor, 90.0f);
    start.ResistanceGain = positiveOr(header.ResistanceGain, 1.0f);
    start.SteerMarginBias = std::isfinite(header.SteerMarginBias) ? header.SteerMarginBias : 0.0f;
    const bool noGain = header.Version == 1 || std::isnan(header.YawSteerGain);
    start.YawSteerGain = noGain ? 0.0f : limited(header.YawSteerGain, 0.45f, 0.0f);
    return start;
}

CoefficientEstimate estimateCoefficients(const RecordingHeader& header,
                                         std::span<const RecordingSample> samples,
                                         float fullScaleNm) {
    const CarCoefficients start = startingCoefficients(header);
    const StableCorners corners = selectStableCorners(samples);
    const std::vector<StableCornerPoint>& points = corners.Points;
    const auto count = static_cast<uint32_t>(points.size());
    if (count < kMinPoints)
        return invalidEstimate(start, count);

    const float priorA = start.YawRateMultiplier / 40.0f;
    const float priorB = 90.0f / std::max(1.0f, start.LateralAccelDivisor);
    std::vector<bool> inlier(points.size(), true);
    std::vector<float> residuals;
    residuals.reserve(points.size());
    Line line{};
    for (int pass = 0; pass < kFitPasses; ++pass) {
        if (!ridgeFit(points, inlier, priorA, priorB, line))
            return invalidEstimate(start, count);
        if (pass + 1 < kFitPasses) // the last band would select nothing more
            keepResidualBand(points, line, residuals, inlier);
    }

    CarCoefficients fitted = start;
    fitted.YawRateMultiplier = limited(40.0f * line.A, 70.0f, 10.0f);
    fitted.LateralAccelDivisor = limited(90.0f / std::max(line.B, 0.001f), 130.0f, 50.0f);
    const Residuals r =
        residualsOf(points, fitted.YawRateMultiplier, fitted.LateralAccelDivisor);
    fitted.SteerMarginBias = steerMarginBias(r, start.SteerMarginBias);
    fitted.YawSteerGain = yawSteerGain(r, start.YawSteerGain);
    fitted.ResistanceGain =
        resistanceGain(header, corners.ResistanceForces, fullScaleNm, start.ResistanceGain);

    // The step limits keep an estimate near the recorded value however far
    // out that lies: an absurd recorded resistance gain or steer margin bias
    // would round to infinity. Such an estimate is never offered.
    const CarCoefficients rounded = roundedToSteps(fitted);
    if (!allFinite(rounded))
        return invalidEstimate(start, count);

    CoefficientEstimate estimate;
    estimate.Valid = true;
    estimate.StableCornerCount = count;
    estimate.SpeedRange = r.MaxSpeed - r.MinSpeed;
    const float n = static_cast<float>(count);
    estimate.YawLateralCorrelation = correlation(r, n);
    setConfidence(estimate, static_cast<float>(std::min(r.Left, r.Right)) / n);
    estimate.Coefficients = rounded;
    return estimate;
}

} // namespace gripline
