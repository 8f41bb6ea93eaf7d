// The report as the user reads it, and the recommendations behind it: one
// fixed recording checked line by line, then the rules' edges.
#include "analyzer/analysis_report.h"
#include "analyzer/recommendations.h"
#include "analyzer/report_number.h"
#include "synthetic_drive.h"
#include "settings/wide_text.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace gripline {
namespace {

using test::ordinaryHeader;

// Quiet samples: no corner, nothing active, full scale 25 N·m (strength 80).
std::vector<RecordingSample> quietDrive(size_t count) {
    RecordingSample s{};
    s.CrashFactor = 1.0f;
    s.FullScaleNm = 25.0f;
    return std::vector<RecordingSample>(count, s);
}

// A hundred samples whose statistics are easy to work out by hand.
std::vector<RecordingSample> fixedDrive() {
    std::vector<RecordingSample> drive = quietDrive(100);
    for (size_t i = 0; i < drive.size(); ++i) {
        RecordingSample& s = drive[i];
        const float x = static_cast<float>(i);
        s.TimeUs = i * 1000000;
        s.Speed = x * 0.5f;
        s.FinalForce = x * 0.1f;
        s.BaseForce = -x * 0.1f;
        s.ResistanceForce = -x * 0.02f;
        s.SuspensionDetailForce = x * 0.03f;
        s.Clipped = i < 3;
        s.UndersteerActivity = i >= 10 && i < 15 ? 0.3f : 0.0f;
        s.SuspensionPriority = i >= 20 && i < 23;
        s.AbsActive = i == 30;
        s.CrashFactor = i == 40 || i == 41 ? 0.5f : 1.0f;
    }
    drive[50].LatAccel = -2.0f * 9.80665f;
    drive[60].LongAccel = -9.80665f;
    return drive;
}

std::vector<std::string> linesOf(const std::wstring& report) {
    const std::string text = wideToUtf8(report);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start) + "<no CRLF>");
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

void expectLines(const std::wstring& report, const std::vector<std::string>& want) {
    const std::vector<std::string> got = linesOf(report);
    for (size_t i = 0; i < std::max(got.size(), want.size()); ++i)
        EXPECT_EQ(i < got.size() ? got[i] : "<missing>", i < want.size() ? want[i] : "<extra>")
            << "line " << i + 1;
}

bool hasLine(const std::wstring& report, const std::string& line) {
    for (const std::string& l : linesOf(report))
        if (l == line)
            return true;
    return false;
}

TEST(AnalysisReport, FixedRecordingLineByLine) {
    const std::vector<RecordingSample> drive = fixedDrive();
    const AnalysisResult result = analyzeRecording(ordinaryHeader(), drive);
    expectLines(result.Report, {
        "SESSION",
        "Car: mercedesw13",
        "Driver: Test Driver",
        "Profile: Race",
        "Duration: 1.65 min | Samples: 100",
        "Max speed: 178.20 km/h | Max lateral G: 2.00 | Max longitudinal G: 1.00",
        "",
        "FORCE ANALYSIS",
        "Software full-scale threshold: 25.00 calculated Nm",
        "Configured wheelbase maximum: unknown (set it in Torvix before recording)",
        "Calculated final force P95 / P99: 9.40 / 9.80 Nm",
        "Base force P95: 9.40 Nm",
        "Resistance force P95: 1.88 Nm",
        "Suspension detail P99: 2.94 Nm",
        "Clipped samples: 3.00%",
        "Understeer resistance active: 5.00%",
        "Suspension detail priority interventions: 3.00%",
        "Crash protection samples: 2",
        "ABS active samples: 1.00%",
        "",
        "RECOMMENDED STARTING PROFILE",
        "Force strength: 80% -> 100%",
        "Car force balance: 100% -> 128%",
        "Road texture: 40% -> 34%",
        "Impact texture: 50% -> 51%",
        "Suspension detail priority: 50% -> 70%",
        "ABS vibration: 0% -> 15%",
        "",
        "CAR COEFFICIENT RECOMMENDATION",
        "Not enough stable-corner telemetry. Record multiple clean laps with varied slow and fast "
        "corners.",
        "",
        "INTERPRETATION",
        "- Frequent clipping hides detail. Lower Force strength before tuning other effects.",
        "- Curbs frequently compete with understeer resistance. Raise Suspension detail priority.",
        "- ABS intervention was recorded. Start with a subtle 15% ABS vibration.",
        "- Resistance gain is force-targeted; validate its strength after applying the "
        "motion-derived coefficients.",
        "- Resistance gain and Steer margin bias changes are step-limited; analyze a new "
        "recording after validation.",
        "- Validate recommendations on track. Driver preference and wheelbase setup remain "
        "important.",
    });

    const AnalyzerAdvice& a = result.Advice;
    EXPECT_EQ(a.ProfileName, L"Race");
    EXPECT_EQ(a.CarName, L"mercedesw13");
    EXPECT_EQ(a.ForceStrength, 100);
    EXPECT_EQ(a.CarForceBalance, 128);
    EXPECT_EQ(a.Bumps, 34);
    EXPECT_EQ(a.BumpImpacts, 51);
    EXPECT_EQ(a.SuspensionDetailPriority, 70);
    EXPECT_EQ(a.AbsVibration, 15);
    EXPECT_FALSE(a.HasCoefficientAdvice);
    EXPECT_EQ(a.YawRateMultiplier, 44.0f);
    EXPECT_EQ(a.LateralAccelDivisor, 110.0f);
    EXPECT_EQ(a.ResistanceGain, 1.0f);
}

TEST(AnalysisReport, ConfiguredWheelbaseGivesThePhysicalOutput) {
    RecordingHeader header = ordinaryHeader();
    header.WheelbaseMaxTorqueNm = 8.0f;
    const std::vector<RecordingSample> drive = fixedDrive();
    const std::vector<std::string> lines = linesOf(analyzeRecording(header, drive).Report);
    ASSERT_GT(lines.size(), 11u);
    EXPECT_EQ(lines[9], "Configured wheelbase maximum: 8.00 physical Nm");
    // 9.4 and 9.8 of 25 N·m: 37.6 % and 39.2 % of 8 N·m.
    EXPECT_EQ(lines[10], "Estimated physical output P95 / P99: 3.01 / 3.14 Nm");
    EXPECT_EQ(lines[11], "Calculated final force P95 / P99: 9.40 / 9.80 Nm");
}

TEST(AnalysisReport, FittedCoefficientsWithTheirConfidence) {
    RecordingHeader header = ordinaryHeader();
    header.YawRateMultiplier = 50.0f;
    header.LateralAccelDivisor = 100.0f;
    std::vector<RecordingSample> drive = test::cornerDrive(4000, {1.25f, 0.9f, 0.03f}, 0.4f);
    const AnalysisResult high = analyzeRecording(header, drive);
    const std::vector<std::string> lines = linesOf(high.Report);
    ASSERT_GT(lines.size(), 37u);
    EXPECT_EQ(lines[28], "CAR COEFFICIENT RECOMMENDATION");
    EXPECT_EQ(lines[29], "Confidence: high | Stable-corner samples: 4000 | Speed range: 162.00 km/h");
    EXPECT_EQ(lines[30].rfind("Yaw/lateral signal correlation: 0.", 0), 0u) << lines[30];
    EXPECT_EQ(lines[31], "Yaw rate multiplier: 50.00 -> 50.00");
    EXPECT_EQ(lines[32].rfind("Yaw steer gain: 0.00 -> ", 0), 0u) << lines[32];
    EXPECT_EQ(lines[33], "Lateral accel divisor: 100.00 -> 100.00");
    EXPECT_EQ(lines[34], "Resistance gain: 1.00 -> 1.00");
    EXPECT_EQ(lines[35], "Steer margin bias: 0.00 deg -> 3.00 deg");
    EXPECT_EQ(lines[36], "");
    EXPECT_FALSE(hasLine(high.Report, "- Coefficient confidence is low. Record more left/right "
                                      "corners across a wider speed range before applying them."));
    EXPECT_TRUE(high.Advice.HasCoefficientAdvice);
    EXPECT_EQ(high.Advice.YawRateMultiplier, 50.0f);
    EXPECT_EQ(high.Advice.SteerMarginBias, high.Statistics.Estimate.Coefficients.SteerMarginBias);

    // 200 corners are a valid fit but little evidence.
    drive.resize(200);
    const AnalysisResult low = analyzeRecording(header, drive);
    EXPECT_EQ(linesOf(low.Report)[29].rfind("Confidence: low | Stable-corner samples: 200 |", 0), 0u);
    EXPECT_TRUE(hasLine(low.Report, "- Coefficient confidence is low. Record more left/right "
                                    "corners across a wider speed range before applying them."));
}

TEST(AnalysisReport, NamesThatAreEmptyOrNotUtf8PrintAsUnknown) {
    RecordingHeader header = ordinaryHeader();
    setRecordingText(header.ProfileName, "");
    setRecordingText(header.CarName, "bad\xC3(car");
    setRecordingText(header.DriverName, "Dr\xC3\xAFver");
    const std::vector<RecordingSample> drive = quietDrive(10);
    const AnalysisResult result = analyzeRecording(header, drive);
    const std::vector<std::string> lines = linesOf(result.Report);
    EXPECT_EQ(lines[1], "Car: unknown");
    EXPECT_EQ(lines[2], "Driver: Dr\xC3\xAFver");
    EXPECT_EQ(lines[3], "Profile: unknown");
    EXPECT_EQ(result.Advice.ProfileName, L"");
    EXPECT_EQ(result.Advice.CarName, L"unknown");

    setRecordingText(header.ProfileName, "\xFFRace");
    EXPECT_EQ(analyzeRecording(header, drive).Advice.ProfileName, L"");
}

// Statistics with the usages given as fractions of a 25 N·m full scale.
RecordingStatistics usageStats(float usage, float baseUsage = 0.5f) {
    RecordingStatistics s;
    s.FullScaleNm = 25.0f;
    s.FinalForceP99 = usage * 25.0f;
    s.BaseForceP95 = baseUsage * 25.0f;
    return s;
}

ProfileSettings withStrength(int32_t strength) {
    ProfileSettings p;
    p.ForceStrength = strength;
    p.CarForceBalance = 100;
    return p;
}

TEST(Recommendations, ForceStrengthAimsTheFinalForceIntoTheUsefulRange) {
    // 23.25 of 25 N·m is a usage of 0.93: round(80 × 0.88 / 0.93) = 76.
    EXPECT_EQ(recommendSettings(withStrength(80), usageStats(0.93f)).ForceStrength, 76);
    // 0.62 and 0.92 exactly (15.5 and 23 of 25 N·m) are inside the range.
    EXPECT_EQ(recommendSettings(withStrength(80), usageStats(0.62f)).ForceStrength, 80);
    EXPECT_EQ(recommendSettings(withStrength(80), usageStats(0.92f)).ForceStrength, 80);
    // 100 × 0.72 / 0.3 = 240, limited to 100; a tiny usage says nothing.
    EXPECT_EQ(recommendSettings(withStrength(100), usageStats(0.3f)).ForceStrength, 100);
    EXPECT_EQ(recommendSettings(withStrength(80), usageStats(0.005f)).ForceStrength, 80);
    EXPECT_EQ(recommendSettings(withStrength(2), usageStats(1.99f)).ForceStrength, 1);
    // Unchanged values pass on as recorded, even outside the range.
    EXPECT_EQ(recommendSettings(withStrength(250), usageStats(0.7f)).ForceStrength, 250);
    EXPECT_EQ(recommendSettings(withStrength(2147483647), usageStats(0.3f)).ForceStrength, 100);
}

TEST(Recommendations, CarForceBalanceLeavesHeadroom) {
    EXPECT_EQ(recommendSettings(withStrength(80), usageStats(0.7f, 0.8f)).CarForceBalance, 81);
    EXPECT_EQ(recommendSettings(withStrength(80), usageStats(0.7f, 0.3f)).CarForceBalance, 150);
    EXPECT_EQ(recommendSettings(withStrength(80), usageStats(0.7f, 0.5f)).CarForceBalance, 100);
    EXPECT_EQ(recommendSettings(withStrength(80), usageStats(0.7f, 1.5f)).CarForceBalance, 50);
}

TEST(Recommendations, SuspensionDetailPriorityFollowsItsInterventions) {
    ProfileSettings p = withStrength(80);
    p.SuspensionDetailPriority = 95;
    RecordingStatistics s = usageStats(0.7f);
    s.UndersteerResistanceShare = 1.5f;
    s.SuspensionPriorityShare = 3.0f;
    EXPECT_EQ(recommendSettings(p, s).SuspensionDetailPriority, 100);
    s.SuspensionPriorityShare = 0.05f;
    EXPECT_EQ(recommendSettings(p, s).SuspensionDetailPriority, 85);
    s.ClippedShare = 0.5f; // clipping: leave it
    EXPECT_EQ(recommendSettings(p, s).SuspensionDetailPriority, 95);
    p.SuspensionDetailPriority = 5;
    s.ClippedShare = 0.0f;
    EXPECT_EQ(recommendSettings(p, s).SuspensionDetailPriority, 0);
    s.UndersteerResistanceShare = 1.0f; // too little resistance to judge
    EXPECT_EQ(recommendSettings(p, s).SuspensionDetailPriority, 5);
}

TEST(Recommendations, AbsVibrationAndItsLine) {
    const std::string absLine = "- ABS intervention was recorded. Start with a subtle 15% ABS vibration.";
    std::vector<RecordingSample> drive = quietDrive(1000);
    drive[100].AbsActive = 1;
    drive[200].AbsActive = 1; // 0.2 % of the samples
    RecordingHeader header = ordinaryHeader();
    header.AbsVibration = 0;
    AnalysisResult r = analyzeRecording(header, drive);
    EXPECT_EQ(r.Advice.AbsVibration, 15);
    EXPECT_TRUE(hasLine(r.Report, absLine));
    EXPECT_TRUE(hasLine(r.Report, "ABS vibration: 0% -> 15%"));

    header.AbsVibration = 40;
    r = analyzeRecording(header, drive);
    EXPECT_EQ(r.Advice.AbsVibration, 30);
    EXPECT_FALSE(hasLine(r.Report, absLine));

    header.AbsVibration = 20;
    EXPECT_EQ(analyzeRecording(header, drive).Advice.AbsVibration, 20);
    drive[200].AbsActive = 0; // 0.1 % is not more than 0.1 %
    header.AbsVibration = 0;
    EXPECT_EQ(analyzeRecording(header, drive).Advice.AbsVibration, 0);
}

TEST(AnalysisReport, UsageAtTheEdgeOfTheUsefulRange) {
    std::vector<RecordingSample> drive = quietDrive(50);
    for (RecordingSample& s : drive)
        s.FinalForce = 15.5f; // 0.62 of 25 N·m
    const AnalysisResult r = analyzeRecording(ordinaryHeader(), drive);
    EXPECT_TRUE(hasLine(r.Report, "- Overall force usage is in a useful range."));
    EXPECT_TRUE(hasLine(r.Report, "Force strength: 80% -> 80%"));
    const std::string text = wideToUtf8(r.Report); // the last line ends like every other
    EXPECT_EQ(text.substr(text.size() - 12), "important.\r\n");
}

TEST(ReportNumber, TwoDecimalsWithAPointRoundedFromTheExactValue) {
    EXPECT_EQ(twoDecimals(0.0f), "0.00");
    EXPECT_EQ(twoDecimals(12.345f), "12.35"); // 12.3450002670288...
    EXPECT_EQ(twoDecimals(0.125f), "0.12");   // exactly a half: to even
    EXPECT_EQ(twoDecimals(-3.14159f), "-3.14");
    EXPECT_EQ(twoDecimals(123456.0f), "123456.00");
    EXPECT_EQ(twoDecimals(3.4028235e38f).size(), 42u);
}

} // namespace
} // namespace gripline
