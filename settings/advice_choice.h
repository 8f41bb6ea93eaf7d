#pragma once
// Which of the analyzer's eleven advised values the user takes over: the six
// profile settings, then the five car coefficients, in the order the
// Analyzer's check boxes show them.
#include <array>
#include <cstddef>

namespace gripline {

enum class AdviceItem : size_t {
    ForceStrength,
    CarForceBalance,
    RoadTexture,   // Bumps
    ImpactTexture, // BumpImpacts
    SuspensionDetailPriority,
    AbsVibration,
    YawRateMultiplier,
    YawSteerGain,
    LateralAccelDivisor,
    ResistanceGain,
    SteerMarginBias,
};

inline constexpr size_t kAdviceItemCount = 11;
inline constexpr size_t kProfileAdviceItems = 6; // the first six items; the rest are coefficients

struct AdviceChoice {
    std::array<bool, kAdviceItemCount> Ticked{};

    bool operator==(const AdviceChoice&) const = default;

    bool ticked(AdviceItem item) const { return Ticked[static_cast<size_t>(item)]; }
    void set(AdviceItem item, bool on) { Ticked[static_cast<size_t>(item)] = on; }

    bool anyProfileSetting() const {
        for (size_t i = 0; i < kProfileAdviceItems; ++i)
            if (Ticked[i])
                return true;
        return false;
    }
    bool anyCoefficient() const {
        for (size_t i = kProfileAdviceItems; i < kAdviceItemCount; ++i)
            if (Ticked[i])
                return true;
        return false;
    }
};

} // namespace gripline
