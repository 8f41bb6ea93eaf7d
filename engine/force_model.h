#pragma once
// Turns one on-track tick into the force samples the engine sends to the
// wheel: the simulator's 360 Hz torque scaled by the grip model and the car
// balance, plus understeer resistance, smoothed oversteer correction, road
// and impact texture, ABS vibration, all under the suspension detail
// priority rule and crash protection. Near the lock an end-stop force
// replaces it all. Owned and run by the engine thread; fixed-size state, no
// allocation.
#include "engine/ffb_engine.h"
#include "engine/grip_model.h"
#include "engine/tick_record.h"
#include "engine/tick_samples.h"
#include "settings/car_coefficients.h"
#include "settings/ffb_settings.h"
#include "telemetry/telemetry_snapshot.h"

#include <cstdint>

namespace gripline {

// What the engine does with a tick once the model has looked at it.
struct TickPlan {
    int32_t dampingPercent = 0;   // 0..100, for the output stage
    bool endStopActive = false;   // within 30° of the lock
    bool pastLock = false;        // the tick's only output is endStopMagnitude
    int32_t endStopMagnitude = 0; // magnitude units
    TickSamples samples;          // otherwise: how many samples, how far apart
};

class ForceModel {
  public:
    // Forgets the previous ticks: oversteer smoothing, ABS phase, the last
    // sub-sample values. At stint start, off track, on detach.
    void reset();

    // Steps of one tick up to the sample values. `crashHoldUntilNs` (steady
    // ns) is the engine's, kept across resets.
    TickPlan computeTick(const TelemetrySnapshot& current, const TelemetrySnapshot& previous,
                         const FfbSettings& settings, const CarCoefficients& coefficients,
                         int64_t nowNs, int64_t& crashHoldUntilNs);

    // N·m of output sample j of the computed tick; 0 when anything it was
    // computed from is not finite.
    float sampleForce(int j) const;
    // Sample j in magnitude units, counted into the stint's accumulators.
    int32_t publishSample(int j, StintAccumulators& acc) const;
    // After the tick's last sample: what the next tick interpolates from.
    void finishTick();

    // The tick's recording values (call between computeTick and finishTick).
    TickRecord tickRecord(const TelemetrySnapshot& current) const;
    // Its FinalForce alone, N·m, and whether the car stood (below 2 m/s).
    float finalForce(bool* priorityChanged = nullptr) const;
    bool parked() const { return parked_; }

    // For tests: the state carried across ticks.
    float absPhase() const { return absPhaseRad_; }
    float lastBase() const { return lastBaseNm_; }
    float lastTexture() const { return lastTextureNm_; }
    float lastResistance() const { return lastResistanceNm_; }

  private:
    struct SampleParts {
        float base, resistance, texture, extra; // N·m
    };

    void computeAbs(const TelemetrySnapshot& current);
    void smoothOversteer(float targetNm);
    void computeSubSamples(const TelemetrySnapshot& current, const TelemetrySnapshot& previous);
    SampleParts sampleParts(int j) const;
    float guarded(float forceNm) const;
    int representativeSubSample() const;

    // Across ticks.
    float oversteerSlotsNm_[kSubSamples] = {};
    float absPhaseRad_ = 0; // 0..2π
    float lastBaseNm_ = 0;
    float lastTextureNm_ = 0;
    float lastResistanceNm_ = 0;

    // This tick.
    FfbSettings settings_;
    GripResult grip_;
    float crashFactor_ = 1.0f;
    bool parked_ = false;
    bool inputsFinite_ = true;
    int subSamples_ = 1; // n, 1..6
    TickSamples plan_;
    float baseNm_[kSubSamples] = {};
    float textureNm_[kSubSamples] = {};
    float oversteerNm_[kSubSamples] = {};
    float absNm_[kMaxTickSamples] = {};
};

} // namespace gripline
