#include "engine/force_model.h"

#include "engine/crash_protection.h"
#include "engine/end_stop.h"
#include "engine/suspension_detail.h"
#include "engine/wheel_magnitude.h"

#include <algorithm>
#include <cmath>

namespace gripline {

// Single precision throughout, literals included, each formula in the order
// it is written, and the build has floating-point contraction off: so the
// native and the Windows build send the same magnitudes for the same
// telemetry, and a replay on a desk matches what the wheel got.

namespace {

// Oversteer smoothing spreads each tick's target over six sub-samples with
// these weights (summing to 1; the output stage's damping filter uses the
// same bell), so a 60 Hz step reaches the wheel as a 360 Hz ramp.
constexpr float kSmoothingWeights[kSubSamples] = {0.1295867f, 0.2311436f, 0.2582509f,
                                                  0.1923936f, 0.1156718f, 0.0729534f};

constexpr float kAbsPhaseStepPerSecondRad = 219.9115f; // 35 Hz
constexpr float kTwoPi = 6.2831855f;
constexpr float kParkedSpeedMps = 2.0f;
constexpr float kTextureMinSpeedMps = 2.0f;

float mid(float p, float q) {
    return p + (q - p) * 0.5f;
}

// Every scalar of the snapshot the tick's force depends on. A value that is
// not a number (a glitching or half-written line) must not steer the wheel;
// the torque and shock sub-samples are caught per sample by sampleForce.
bool scalarsFinite(const TelemetrySnapshot& s) {
    for (float v : {s.Speed, s.SteeringWheelAngle, s.VelocityX, s.VelocityY, s.LongAccel,
                    s.LatAccel, s.YawRate})
        if (!std::isfinite(v))
            return false;
    return true;
}

} // namespace

void ForceModel::reset() {
    std::fill(std::begin(oversteerSlotsNm_), std::end(oversteerSlotsNm_), 0.0f);
    absPhaseRad_ = 0;
    lastBaseNm_ = 0;
    lastTextureNm_ = 0;
    lastResistanceNm_ = 0;
}

TickPlan ForceModel::computeTick(const TelemetrySnapshot& current,
                                 const TelemetrySnapshot& previous, const FfbSettings& settings,
                                 const CarCoefficients& coefficients, int64_t nowNs,
                                 int64_t& crashHoldUntilNs) {
    TickPlan plan;
    const SteeringLock lock = steeringLock(current, settings);
    plan.dampingPercent = std::clamp(settings.Damping, 0, 100);
    plan.endStopActive = lock.endStopActive;
    if (lock.pastLock) {
        plan.pastLock = true;
        plan.endStopMagnitude = lock.magnitude;
        return plan;
    }

    settings_ = settings;
    crashFactor_ = crashFactor(current, settings, nowNs, crashHoldUntilNs);
    subSamples_ = std::clamp(current.TorqueStCount, 1, kSubSamples);
    parked_ = std::fabs(current.Speed) < kParkedSpeedMps;
    inputsFinite_ = scalarsFinite(current);
    grip_ = gripModel(current, settings, coefficients);
    plan_ = planTickSamples(settings.Mode, subSamples_);
    plan.samples = plan_;

    computeAbs(current);
    smoothOversteer(grip_.OversteerTarget);
    computeSubSamples(current, previous);
    return plan;
}

// A 35 Hz vibration while the simulator reports ABS working, one value per
// output sample; its phase runs on from tick to tick so the vibration is
// continuous, and starts from 0 at each new ABS application.
void ForceModel::computeAbs(const TelemetrySnapshot& current) {
    std::fill(std::begin(absNm_), std::end(absNm_), 0.0f);
    if (!current.BrakeABSactive || settings_.AbsVibration <= 0) {
        absPhaseRad_ = 0;
        return;
    }
    // A fifth of a N·m per step of the setting. Scaled by 20 (exact) and
    // divided by 100, the amplitude is the float nearest to it; multiplying
    // by 0.2f, which is not exactly a fifth, would miss it by one bit for
    // settings such as 9 (1.8000001 instead of 1.8).
    const float amplitudeNm =
        static_cast<float>(std::min(settings_.AbsVibration, 100)) * 20.0f / 100.0f;
    const float step = kAbsPhaseStepPerSecondRad / (plan_.interpolated ? 720.0f : 360.0f);
    for (int j = 0; j < plan_.count; ++j) {
        absNm_[j] = static_cast<float>(std::sin(static_cast<double>(absPhaseRad_))) * amplitudeNm;
        absPhaseRad_ += step;
        if (absPhaseRad_ >= kTwoPi)
            absPhaseRad_ -= kTwoPi;
    }
}

// Slot k takes this tick's share while the slots above it still hold the
// previous tick's: sub-sample k gets O × (w0..wk) + O_previous × (wk+1..w5).
void ForceModel::smoothOversteer(float targetNm) {
    std::fill(std::begin(oversteerNm_), std::end(oversteerNm_), 0.0f);
    for (int k = 0; k < kSubSamples; ++k) {
        oversteerSlotsNm_[k] = targetNm * kSmoothingWeights[k];
        if (k < subSamples_) {
            float sum = 0;
            for (float slot : oversteerSlotsNm_)
                sum += slot;
            oversteerNm_[k] = sum;
        }
    }
}

void ForceModel::computeSubSamples(const TelemetrySnapshot& current,
                                   const TelemetrySnapshot& previous) {
    std::fill(std::begin(baseNm_), std::end(baseNm_), 0.0f);
    std::fill(std::begin(textureNm_), std::end(textureNm_), 0.0f);
    // Shock movement needs the previous tick's newest deflection, and means
    // nothing at parking speed.
    const bool texture = (settings_.Bumps > 0 || settings_.BumpImpacts > 0) &&
                         current.Speed > kTextureMinSpeedMps && previous.Valid;
    for (int i = 0; i < subSamples_; ++i) {
        baseNm_[i] = current.TorqueSt[i] * grip_.GripFactor * grip_.BalanceScale;
        if (texture)
            textureNm_[i] = textureForce(shockMovement(current, previous, i), settings_);
    }
}

// Telemetry mode: one sample per sub-sample. Interpolated mode: the
// sub-samples at twice the rate with linear midpoints, half a sub-sample
// late; the first sample bridges from the previous tick's last one.
ForceModel::SampleParts ForceModel::sampleParts(int j) const {
    const float r = grip_.ResistanceForce;
    if (!plan_.interpolated)
        return {baseNm_[j], r, textureNm_[j], absNm_[j] + oversteerNm_[j]};
    const int n = subSamples_;
    if (j == 0)
        return {mid(lastBaseNm_, baseNm_[0]), mid(lastResistanceNm_, r),
                mid(lastTextureNm_, textureNm_[0]), absNm_[0] + oversteerNm_[0]};
    if (j == 2 * n - 1)
        return {baseNm_[n - 1], r, textureNm_[n - 1], absNm_[j] + oversteerNm_[n - 1]};
    const int k = j - 1;
    const int s = k / 2;
    if (k % 2 == 0)
        return {baseNm_[s], r, textureNm_[s], absNm_[j] + oversteerNm_[s]};
    return {mid(baseNm_[s], baseNm_[s + 1]), r, mid(textureNm_[s], textureNm_[s + 1]),
            absNm_[j] + oversteerNm_[s]};
}

// Nothing that is not a finite number reaches the wheel: a NaN converted
// to an integer is undefined and can come out as a full-scale slam.
float ForceModel::guarded(float forceNm) const {
    return inputsFinite_ && std::isfinite(forceNm) ? forceNm : 0.0f;
}

float ForceModel::sampleForce(int j) const {
    const SampleParts p = sampleParts(j);
    return guarded(combine(p.base, p.resistance, p.texture, p.extra, settings_) * crashFactor_);
}

int32_t ForceModel::publishSample(int j, StintAccumulators& acc) const {
    return toMagnitude(sampleForce(j), settings_, parked_, acc);
}

void ForceModel::finishTick() {
    lastBaseNm_ = baseNm_[subSamples_ - 1];
    lastTextureNm_ = textureNm_[subSamples_ - 1];
    lastResistanceNm_ = grip_.ResistanceForce;
}

// The sub-sample with the strongest suspension detail, the earliest on ties.
int ForceModel::representativeSubSample() const {
    int best = 0;
    for (int i = 1; i < subSamples_; ++i)
        if (std::fabs(textureNm_[i]) > std::fabs(textureNm_[best]))
            best = i;
    return best;
}

float ForceModel::finalForce(bool* priorityChanged) const {
    const int k = representativeSubSample();
    // Its ABS value is the one sent with it: sample 2k when interpolated.
    const float absNm = absNm_[plan_.interpolated ? 2 * k : k];
    return guarded(combine(baseNm_[k], grip_.ResistanceForce, textureNm_[k],
                           absNm + oversteerNm_[k], settings_, priorityChanged) *
                   crashFactor_);
}

TickRecord ForceModel::tickRecord(const TelemetrySnapshot& s) const {
    TickRecord r;
    r.TickCount = s.TickCount;
    r.Speed = s.Speed;
    r.SteeringWheelAngle = s.SteeringWheelAngle;
    r.SteeringWheelTorque = s.SteeringWheelTorque;
    r.VelocityX = s.VelocityX;
    r.VelocityY = s.VelocityY;
    r.LongAccel = s.LongAccel;
    r.LatAccel = s.LatAccel;
    r.YawRate = s.YawRate;
    r.UndersteerMargin = grip_.UndersteerMargin;
    r.UndersteerActivity = grip_.UndersteerActivity;

    const int k = representativeSubSample();
    r.SubSample = k;
    r.BaseForce = baseNm_[k];
    r.ResistanceForce = grip_.ResistanceForce;
    r.SuspensionDetailForce = textureNm_[k];
    r.OversteerSmoothed = oversteerNm_[k];
    bool changed = false;
    r.FinalForce = finalForce(&changed);
    r.SuspensionPriority = changed;
    r.FullScaleNm = fullScaleNm(settings_.ForceStrength);
    r.CrashFactor = crashFactor_;
    r.Clipped = beyondOutputRange(forceToMagnitude(r.FinalForce, settings_.ForceStrength));
    r.AbsActive = s.BrakeABSactive;
    return r;
}

} // namespace gripline
