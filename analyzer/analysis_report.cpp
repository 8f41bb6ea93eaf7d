#include "analyzer/analysis_report.h"

#include "analyzer/recommendations.h"
#include "analyzer/report_number.h"
#include "settings/wide_text.h"

#include <algorithm>
#include <string_view>

namespace gripline {

namespace {

constexpr float kKmhPerMs = 3.6f;
constexpr float kDegreesPerRadian = 57.29578f;

// A name from the recording, or nothing when it is empty or not UTF-8.
bool recordedName(const char (&field)[kRecordingTextSize], std::wstring& name) {
    name.clear();
    return utf8ToWide(recordingText(field), name) && !name.empty();
}

std::wstring nameOrUnknown(const char (&field)[kRecordingTextSize]) {
    std::wstring name;
    return recordedName(field, name) ? name : std::wstring(L"unknown");
}

// The report is built as UTF-8 and turned into the pane's wide text once.
class ReportText {
  public:
    void line(std::string_view text = {}) {
        text_ += text;
        text_ += "\r\n";
    }
    template <typename... Parts> void line(std::string_view first, const Parts&... rest) {
        text_ += first;
        line(rest...);
    }
    std::wstring wide() const {
        std::wstring out;
        utf8ToWide(text_, out); // every part is ASCII or a name checked to be UTF-8
        return out;
    }

  private:
    std::string text_;
};

std::string num(float value) {
    return twoDecimals(value);
}

std::string count(uint32_t value) {
    return std::to_string(value);
}

void sessionSection(ReportText& r, const AnalyzerAdvice& advice, const RecordingHeader& header,
                    const RecordingStatistics& s) {
    r.line("SESSION");
    r.line("Car: ", wideToUtf8(advice.CarName));
    r.line("Driver: ", wideToUtf8(nameOrUnknown(header.DriverName)));
    r.line("Profile: ", wideToUtf8(nameOrUnknown(header.ProfileName)));
    r.line("Duration: ", num(s.DurationSeconds / 60.0f), " min | Samples: ", count(s.SampleCount));
    r.line("Max speed: ", num(s.MaxSpeed * kKmhPerMs), " km/h | Max lateral G: ",
           num(s.MaxLateralG), " | Max longitudinal G: ", num(s.MaxLongitudinalG));
    r.line();
}

void forceSection(ReportText& r, const RecordingHeader& header, const RecordingStatistics& s) {
    r.line("FORCE ANALYSIS");
    r.line("Software full-scale threshold: ", num(s.FullScaleNm), " calculated Nm");
    const float wheelbase = header.WheelbaseMaxTorqueNm; // physical N·m, 0 = not configured
    if (wheelbase > 0.0f) {
        const float p95 = std::min(1.0f, s.FinalForceP95 / s.FullScaleNm) * wheelbase;
        const float p99 = std::min(1.0f, s.FinalForceP99 / s.FullScaleNm) * wheelbase;
        r.line("Configured wheelbase maximum: ", num(wheelbase), " physical Nm");
        r.line("Estimated physical output P95 / P99: ", num(p95), " / ", num(p99), " Nm");
    } else {
        r.line("Configured wheelbase maximum: unknown (set it in Torvix before recording)");
    }
    r.line("Calculated final force P95 / P99: ", num(s.FinalForceP95), " / ", num(s.FinalForceP99),
           " Nm");
    r.line("Base force P95: ", num(s.BaseForceP95), " Nm");
    r.line("Resistance force P95: ", num(s.ResistanceForceP95), " Nm");
    r.line("Suspension detail P99: ", num(s.SuspensionDetailP99), " Nm");
    r.line("Clipped samples: ", num(s.ClippedShare), "%");
    r.line("Understeer resistance active: ", num(s.UndersteerResistanceShare), "%");
    r.line("Suspension detail priority interventions: ", num(s.SuspensionPriorityShare), "%");
    r.line("Crash protection samples: ", count(s.CrashProtectionCount));
    r.line("ABS active samples: ", num(s.AbsShare), "%");
    r.line();
}

void settingLine(ReportText& r, std::string_view label, int32_t recorded, int32_t recommended) {
    r.line(label, std::to_string(recorded), "% -> ", std::to_string(recommended), "%");
}

void profileSection(ReportText& r, const ProfileSettings& recorded, const ProfileSettings& rec) {
    r.line("RECOMMENDED STARTING PROFILE");
    settingLine(r, "Force strength: ", recorded.ForceStrength, rec.ForceStrength);
    settingLine(r, "Car force balance: ", recorded.CarForceBalance, rec.CarForceBalance);
    settingLine(r, "Road texture: ", recorded.Bumps, rec.Bumps);
    settingLine(r, "Impact texture: ", recorded.BumpImpacts, rec.BumpImpacts);
    settingLine(r, "Suspension detail priority: ", recorded.SuspensionDetailPriority,
                rec.SuspensionDetailPriority);
    settingLine(r, "ABS vibration: ", recorded.AbsVibration, rec.AbsVibration);
    r.line();
}

const char* confidenceName(const CoefficientEstimate& e) {
    return e.HighConfidence ? "high" : e.MediumConfidence ? "medium" : "low";
}

void coefficientSection(ReportText& r, const RecordingHeader& header,
                        const CoefficientEstimate& e) {
    r.line("CAR COEFFICIENT RECOMMENDATION");
    if (!e.Valid) {
        r.line("Not enough stable-corner telemetry. Record multiple clean laps with varied slow "
               "and fast corners.");
        r.line();
        return;
    }
    const CarCoefficients& fit = e.Coefficients;
    r.line("Confidence: ", confidenceName(e), " | Stable-corner samples: ",
           count(e.StableCornerCount), " | Speed range: ", num(e.SpeedRange * kKmhPerMs), " km/h");
    r.line("Yaw/lateral signal correlation: ", num(e.YawLateralCorrelation));
    r.line("Yaw rate multiplier: ", num(header.YawRateMultiplier), " -> ",
           num(fit.YawRateMultiplier));
    r.line("Yaw steer gain: ", num(startingCoefficients(header).YawSteerGain), " -> ",
           num(fit.YawSteerGain));
    r.line("Lateral accel divisor: ", num(header.LateralAccelDivisor), " -> ",
           num(fit.LateralAccelDivisor));
    r.line("Resistance gain: ", num(header.ResistanceGain), " -> ", num(fit.ResistanceGain));
    r.line("Steer margin bias: ", num(header.SteerMarginBias * kDegreesPerRadian), " deg -> ",
           num(fit.SteerMarginBias * kDegreesPerRadian), " deg");
    r.line();
}

void interpretationSection(ReportText& r, const RecordingHeader& header,
                           const RecordingStatistics& s) {
    const ForceUsage usage = forceUsage(s);
    r.line("INTERPRETATION");
    if (s.ClippedShare > 2.5f)
        r.line("- Frequent clipping hides detail. Lower Force strength before tuning other effects.");
    else if (usage.Usage < 0.62f)
        r.line("- A large part of the available wheel range is unused. More Force strength may "
               "expose detail.");
    else
        r.line("- Overall force usage is in a useful range.");
    if (usage.BaseUsage > 0.72f)
        r.line("- Natural/base steering force leaves limited headroom. Lower Car force balance.");
    if (s.SuspensionPriorityShare > 2.0f)
        r.line("- Curbs frequently compete with understeer resistance. Raise Suspension detail "
               "priority.");
    if (s.UndersteerResistanceShare < 0.2f)
        r.line("- Very little understeer was recorded. Add deliberate mild understeer laps before "
               "coefficient tuning.");
    if (s.AbsShare > 0.1f && header.AbsVibration <= 0)
        r.line("- ABS intervention was recorded. Start with a subtle 15% ABS vibration.");
    if (s.Estimate.Valid && !s.Estimate.MediumConfidence)
        r.line("- Coefficient confidence is low. Record more left/right corners across a wider "
               "speed range before applying them.");
    r.line("- Resistance gain is force-targeted; validate its strength after applying the "
           "motion-derived coefficients.");
    r.line("- Resistance gain and Steer margin bias changes are step-limited; analyze a new "
           "recording after validation.");
    r.line("- Validate recommendations on track. Driver preference and wheelbase setup remain "
           "important.");
}

AnalyzerAdvice adviceOf(const RecordingHeader& header, const ProfileSettings& rec,
                        const CoefficientEstimate& estimate) {
    AnalyzerAdvice advice;
    recordedName(header.ProfileName, advice.ProfileName); // empty when there is none
    advice.CarName = nameOrUnknown(header.CarName);
    advice.ForceStrength = rec.ForceStrength;
    advice.CarForceBalance = rec.CarForceBalance;
    advice.Bumps = rec.Bumps;
    advice.BumpImpacts = rec.BumpImpacts;
    advice.SuspensionDetailPriority = rec.SuspensionDetailPriority;
    advice.AbsVibration = rec.AbsVibration;
    advice.HasCoefficientAdvice = estimate.Valid;
    const CarCoefficients& c = estimate.Coefficients;
    advice.YawRateMultiplier = c.YawRateMultiplier;
    advice.YawSteerGain = c.YawSteerGain;
    advice.LateralAccelDivisor = c.LateralAccelDivisor;
    advice.ResistanceGain = c.ResistanceGain;
    advice.SteerMarginBias = c.SteerMarginBias;
    return advice;
}

} // namespace

AnalysisResult analyzeRecording(const RecordingHeader& header,
                                std::span<const RecordingSample> samples) {
    AnalysisResult result;
    result.Statistics = computeStatistics(header, samples);
    const ProfileSettings recorded = recordedSettings(header);
    const ProfileSettings recommended = recommendSettings(recorded, result.Statistics);
    result.Advice = adviceOf(header, recommended, result.Statistics.Estimate);

    ReportText report;
    sessionSection(report, result.Advice, header, result.Statistics);
    forceSection(report, header, result.Statistics);
    profileSection(report, recorded, recommended);
    coefficientSection(report, header, result.Statistics.Estimate);
    interpretationSection(report, header, result.Statistics);
    result.Report = report.wide();
    return result;
}

} // namespace gripline
