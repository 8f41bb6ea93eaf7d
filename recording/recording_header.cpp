#include "recording/recording_header.h"

#include "common/unicode_text.h"

#include <chrono>

namespace gripline {

RecordingHeader buildRecordingHeader(const RecordingContext& context) {
    RecordingHeader header = makeRecordingHeader();
    header.StartTimeMs = context.StartTimeMs;
    setRecordingText(header.CarName, wideToUtf8(context.CarName));
    setRecordingText(header.DriverName, wideToUtf8(context.DriverName));
    setRecordingText(header.ProfileName, wideToUtf8(context.ProfileName));
    const FfbSettings& s = context.Settings;
    header.ForceStrength = s.ForceStrength;
    header.Bumps = s.Bumps;
    header.BumpImpacts = s.BumpImpacts;
    header.UndersteerResistance = s.UndersteerResistance;
    header.SuspensionDetailPriority = s.SuspensionDetailPriority;
    header.CarForceBalance = s.CarForceBalance;
    header.AbsVibration = s.AbsVibration;
    // The file carries physical N·m; the setting is kept in tenths.
    header.WheelbaseMaxTorqueNm = static_cast<float>(s.WheelbaseMaxTorqueTenths) / 10.0f;
    const CarCoefficients& c = context.Coefficients;
    header.YawRateMultiplier = c.YawRateMultiplier;
    header.LateralAccelDivisor = c.LateralAccelDivisor;
    header.ResistanceGain = c.ResistanceGain;
    header.SteerMarginBias = c.SteerMarginBias;
    header.YawSteerGain = c.YawSteerGain;
    return header;
}

uint64_t wallClockMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

} // namespace gripline
