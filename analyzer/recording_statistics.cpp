#include "analyzer/recording_statistics.h"

#include "analyzer/percentile.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace gripline {

namespace {

constexpr float kStandardGravity = 9.80665f; // m/s² per g
constexpr float kDefaultFullScaleNm = 40.0f;
constexpr float kCrashReduced = 0.999f;

// The magnitudes of the four force components, one value per sample each.
struct ForceLists {
    std::vector<float> Final, Base, Resistance, Detail;

    explicit ForceLists(size_t samples) {
        Final.reserve(samples);
        Base.reserve(samples);
        Resistance.reserve(samples);
        Detail.reserve(samples);
    }
};

struct Counts {
    uint32_t Clipped = 0, Understeer = 0, Priority = 0, Abs = 0, Crash = 0;
};

float share(uint32_t count, uint32_t total) {
    return 100.0f * static_cast<float>(count) / static_cast<float>(total);
}

// Maxima, counts and the force lists, in one pass.
void scanSamples(std::span<const RecordingSample> samples, RecordingStatistics& stats,
                 ForceLists& forces, Counts& counts) {
    float maxLat = 0, maxLong = 0;
    for (const RecordingSample& s : samples) {
        if (s.Speed > stats.MaxSpeed)
            stats.MaxSpeed = s.Speed;
        maxLat = std::max(maxLat, std::fabs(s.LatAccel));
        maxLong = std::max(maxLong, std::fabs(s.LongAccel));
        forces.Final.push_back(std::fabs(s.FinalForce));
        forces.Base.push_back(std::fabs(s.BaseForce));
        forces.Resistance.push_back(std::fabs(s.ResistanceForce));
        forces.Detail.push_back(std::fabs(s.SuspensionDetailForce));
        counts.Clipped += s.Clipped != 0;
        counts.Understeer += s.UndersteerActivity > 0.0f;
        counts.Priority += s.SuspensionPriority != 0;
        counts.Abs += s.AbsActive != 0;
        counts.Crash += s.CrashFactor < kCrashReduced;
    }
    stats.MaxLateralG = maxLat / kStandardGravity;
    stats.MaxLongitudinalG = maxLong / kStandardGravity;
}

} // namespace

RecordingStatistics computeStatistics(const RecordingHeader& header,
                                      std::span<const RecordingSample> samples) {
    RecordingStatistics stats;
    if (samples.empty())
        return stats;
    stats.SampleCount = static_cast<uint32_t>(samples.size());
    const RecordingSample& last = samples.back();
    stats.DurationSeconds = static_cast<float>(last.TimeUs) / 1000000.0f;
    stats.FullScaleNm = last.FullScaleNm > 0.0f ? last.FullScaleNm : kDefaultFullScaleNm;

    Counts counts;
    {
        // Freed before the fit builds its own lists: a ten-hour drive has
        // millions of samples.
        ForceLists forces(samples.size());
        scanSamples(samples, stats, forces, counts);
        // A list's last percentile takes the list itself instead of a copy.
        stats.FinalForceP95 = percentile(forces.Final, 0.95f);
        stats.FinalForceP99 = percentile(std::move(forces.Final), 0.99f);
        stats.BaseForceP95 = percentile(std::move(forces.Base), 0.95f);
        stats.ResistanceForceP95 = percentile(std::move(forces.Resistance), 0.95f);
        stats.SuspensionDetailP95 = percentile(forces.Detail, 0.95f);
        stats.SuspensionDetailP99 = percentile(std::move(forces.Detail), 0.99f);
    }

    stats.ClippedShare = share(counts.Clipped, stats.SampleCount);
    stats.UndersteerResistanceShare = share(counts.Understeer, stats.SampleCount);
    stats.SuspensionPriorityShare = share(counts.Priority, stats.SampleCount);
    stats.AbsShare = share(counts.Abs, stats.SampleCount);
    stats.CrashProtectionCount = counts.Crash;

    stats.Estimate = estimateCoefficients(header, samples, stats.FullScaleNm);
    return stats;
}

} // namespace gripline
