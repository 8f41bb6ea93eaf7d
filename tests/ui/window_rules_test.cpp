// The window's portable rules: command line, session-log text, slider
// arithmetic, value texts, the advice hand-over message, the wheelbase
// field and the layout at every DPI.
#include "common/dpi_scale.h"
#include "ui/advice_copy_data.h"
#include "ui/command_line.h"
#include "ui/program_identity.h"
#include "ui/session_log_text.h"
#include "ui/slider_math.h"
#include "ui/slider_values.h"
#include "ui/wheelbase_text.h"
#include "ui/window_layout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace gripline {
namespace {

TEST(CommandLine, TheFirstApplyAdviceWithAValueGivesThePath) {
    EXPECT_EQ(advicePathFromArguments({L"prog", L"--APPLY-ADVICE", L"C:\\a.ini"}), L"C:\\a.ini");
    EXPECT_EQ(advicePathFromArguments(
                  {L"prog", L"--apply-advice", L"first.ini", L"--apply-advice", L"second.ini"}),
              L"first.ini");
    EXPECT_EQ(advicePathFromArguments({L"prog", L"x", L"--apply-advice"}), L"");
    EXPECT_EQ(advicePathFromArguments({L"--apply-advice", L"own path is not an option"}), L"");
    EXPECT_EQ(advicePathFromArguments({}), L"");
}

TEST(CommandLine, TheTitleCarriesNameAndVersion) {
    EXPECT_EQ(windowTitle(), L"Gripline v0.1.0.134");
}

TEST(SessionLogText, ALineEndsWithCrLfEvenWhenTheMessageIsCut) {
    EXPECT_EQ(logLine(L"FFB engine stopped."), L"FFB engine stopped.\r\n");
    const std::wstring line = logLine(std::wstring(2000, L'x'));
    EXPECT_EQ(line.size(), 511u);
    EXPECT_EQ(line.substr(509), L"\r\n");
}

TEST(SessionLogText, TrimmingDropsWholeOldestLinesAndKeepsTheNewest) {
    std::wstring text;
    for (int i = 0; i < 100; ++i)
        text += logLine(L"line " + std::to_wstring(i));
    EXPECT_EQ(logTrimLength(text, 10, text.size() + 10), 0u);

    const size_t limit = text.size(); // one more line would pass it
    const size_t drop = logTrimLength(text, 20, limit);
    ASSERT_GT(drop, 0u);
    ASSERT_LT(drop, text.size());
    EXPECT_EQ(text.substr(drop - 2, 2), L"\r\n");          // cut at a line end
    EXPECT_EQ(text.substr(drop, 5), L"line ");             // a whole line follows
    EXPECT_LE(text.size() - drop + 20, limit - limit / 4); // room for a while
    EXPECT_NE(text.substr(drop).find(L"line 99\r\n"), std::wstring::npos);

    // A line bigger than the room left empties the text.
    EXPECT_EQ(logTrimLength(text, limit, limit), text.size());
}

TEST(SessionLogText, EachClipReportIsLoggedOnceWithAdviceAndTheStintsAddedLatency) {
    ClipReporter reporter;
    EngineStatus status;
    EXPECT_TRUE(reporter.linesFor(status).empty()); // no report yet

    status.ClipReportCount = 1;
    status.ClipPercent = 2.5f;
    EXPECT_EQ(reporter.linesFor(status),
              std::vector<std::wstring>{L"2.50% of samples were clipped"});
    EXPECT_TRUE(reporter.linesFor(status).empty()); // same counter, same report

    status.ClipReportCount = 2;
    status.ClipPercent = 2.51f;
    EXPECT_EQ(reporter.linesFor(status),
              (std::vector<std::wstring>{L"2.51% of samples were clipped",
                                         L"Consider lowering Force strength to reduce clipping."}));

    // A stint whose forces reached the wheel: the time Gripline added, on
    // the same line.
    status.ClipReportCount = 3;
    status.ClipPercent = 0.12f;
    status.ClipReportLatencyP50Ns = 42'000;
    status.ClipReportLatencyP99Ns = AddedLatency::kBeyondCeiling;
    EXPECT_EQ(reporter.linesFor(status),
              std::vector<std::wstring>{
                  L"0.12% of samples were clipped; added latency p50 0.04 ms, p99 >5.00 ms"});
}

TEST(SliderMath, PointerPositionsPickValuesAlongTheTrack) {
    const SliderRange range{0, 20};
    EXPECT_EQ(sliderValueAt(range, 10, 244), 0);
    EXPECT_EQ(sliderValueAt(range, 234, 244), 20);
    EXPECT_EQ(sliderValueAt(range, 122, 244), 10);
    EXPECT_EQ(sliderValueAt(range, -300, 244), 0); // captured drag far to the left
    EXPECT_EQ(sliderValueAt(range, 900, 244), 20);
    EXPECT_EQ(sliderValueAt({50, 150}, 10, 244), 50);
    EXPECT_EQ(knobX(range, 0, 244), 10);
    EXPECT_EQ(knobX(range, 20, 244), 234);
    EXPECT_EQ(knobX(range, 10, 244), 122);
    // A degenerate slider neither divides by zero nor leaves its range.
    EXPECT_EQ(sliderValueAt({5, 5}, 100, 10), 5);
    // At 144 DPI the 366-pixel slider's track is inset by 15.
    EXPECT_EQ(knobX(range, 20, 366, 15), 351);
    EXPECT_EQ(sliderValueAt(range, 183, 366, 15), 10);
}

// The layout is in 96-DPI pixels; a window at another DPI scales each edge,
// rounding halves away from zero, so the 1620 × 875 window is 2430 × 1313
// at 144 and controls that touch at 96 still touch.
TEST(DpiScale, LayoutPixelsScaleWithTheWindowsDpi) {
    struct Case {
        int value, dpi, scaled;
    };
    const Case cases[] = {
        {1620, 144, 2430}, {875, 144, 1313}, {28, 144, 42},   {15, 144, 23}, {-15, 144, -23},
        {1, 144, 2},       {10, 120, 13},    {244, 192, 488}, {7, 96, 7},    {0, 168, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(scaleToDpi(c.value, c.dpi), c.scaled) << c.value << " at " << c.dpi;
        EXPECT_EQ(unscaleFromDpi(c.scaled, c.dpi), c.value) << c.scaled << " at " << c.dpi;
    }
    EXPECT_EQ(scaleToDpi(PixelRect{48, 390, 166, 424}, 144), (PixelRect{72, 585, 249, 636}));
    EXPECT_EQ(scaleToDpi(placeAt(1, 1, 1, 1), 144), (PixelRect{2, 2, 3, 3}));
    EXPECT_EQ(usableDpi(0), 96);     // a failed call
    EXPECT_EQ(usableDpi(70000), 96); // nonsense
    EXPECT_EQ(usableDpi(144), 144);
}

// Every control lies in a panel and paints on its colour (the wheelbase
// field's label and unit on the header's, not the panels'); no two overlap
// at any DPI; each slider's caption and value share one line.
TEST(WindowLayout, ControlsSitInTheirPanelsWithoutOverlapAtEveryDpi) {
    std::vector<PixelRect> places;
    for (const ControlSpec& c : mainWindowControls()) {
        EXPECT_NE(fillUnder(controlPlace(c)), PanelFill::Background) << c.id;
        if (c.kind == ControlKind::DropDownList || c.kind == ControlKind::EditableDropDown)
            continue; // their height is the dropped list's
        places.push_back(controlPlace(c));
        if (c.kind == ControlKind::Slider) {
            const SliderLabelPlaces labels = sliderLabelPlaces(c);
            EXPECT_EQ(labels.caption.right, labels.value.left) << c.id;
            EXPECT_GE(labels.value.right, controlPlace(c).right) << c.id;
            places.push_back(labels.caption);
            places.push_back(labels.value);
        }
    }
    for (const ControlSpec& c : mainWindowControls()) {
        if (c.text == std::wstring(L"WHEELBASE MAX TORQUE") || c.text == std::wstring(L"Nm")) {
            EXPECT_EQ(fillUnder(controlPlace(c)), PanelFill::Header) << c.id;
        }
    }
    for (int dpi : {96, 120, 144, 192}) {
        for (size_t i = 0; i < places.size(); ++i) {
            for (size_t j = i + 1; j < places.size(); ++j) {
                const PixelRect a = scaleToDpi(places[i], dpi), b = scaleToDpi(places[j], dpi);
                const bool apart = a.right <= b.left || b.right <= a.left || a.bottom <= b.top ||
                                   b.bottom <= a.top;
                EXPECT_TRUE(apart) << "places " << i << " and " << j << " at " << dpi;
            }
        }
    }
}

TEST(SliderValues, ValueTextsShowTheSettingsInTheirUnits) {
    EXPECT_EQ(sliderValueText(1101, 50), L"50%");
    EXPECT_EQ(sliderValueText(1100, 7), L"7");
    EXPECT_EQ(sliderValueText(1112, 65), L"6.5 g");
    EXPECT_EQ(sliderValueText(1114, 15), L"1.5 sec");
    EXPECT_EQ(sliderValueText(1116, 440), L"44.0");
    EXPECT_EQ(sliderValueText(1117, 5), L"0.005");
    EXPECT_EQ(sliderValueText(1119, 155), L"1.55");
    EXPECT_EQ(sliderValueText(1120, 100), L"+0.0 deg");
    EXPECT_EQ(sliderValueText(1120, 73), L"-2.7 deg");
}

TEST(SliderValues, CoefficientsGiveRoundedSliderPositionsWithinRange) {
    CarCoefficients c;
    c.YawRateMultiplier = 44.1f;
    c.YawSteerGain = 0.9f; // beyond the slider
    c.LateralAccelDivisor = 110.0f;
    c.ResistanceGain = 1.25f;
    c.SteerMarginBias = -2.7f / 57.29578f;
    EXPECT_EQ(coefficientSliderValue(1116, c), 441);
    EXPECT_EQ(coefficientSliderValue(1117, c), 450);
    EXPECT_EQ(coefficientSliderValue(1118, c), 110);
    EXPECT_EQ(coefficientSliderValue(1119, c), 125);
    EXPECT_EQ(coefficientSliderValue(1120, c), 73);

    // A bias beyond every integer shows at the slider's end, not wrapped
    // around to the other.
    c.SteerMarginBias = 1.0e7f;
    EXPECT_EQ(coefficientSliderValue(1120, c), 200);
    c.SteerMarginBias = -c.SteerMarginBias;
    EXPECT_EQ(coefficientSliderValue(1120, c), 0);
}

TEST(AdviceCopyData, OnlyATaggedMessageWithTextIsAccepted) {
    const char16_t path[] = u"C:\\advice.ini";
    EXPECT_EQ(adviceFromCopyData(kAdviceCopyDataTag, path, sizeof(path)), L"C:\\advice.ini");
    EXPECT_FALSE(adviceFromCopyData(kAdviceCopyDataTag + 1, path, sizeof(path)));
    EXPECT_FALSE(adviceFromCopyData(kAdviceCopyDataTag, path, 1));
    EXPECT_FALSE(adviceFromCopyData(kAdviceCopyDataTag, nullptr, 8));
    // No terminator inside the count: cbData / 2 characters, never more.
    EXPECT_EQ(adviceFromCopyData(kAdviceCopyDataTag, path, 7), L"C:\\");
    uint32_t tag;
    std::memcpy(&tag, "QMXA", 4);
    EXPECT_EQ(tag, kAdviceCopyDataTag);
}

TEST(WheelbaseText, TypedTorqueIsStoredInTenthsWithinLimits) {
    EXPECT_EQ(wheelbaseTenthsFromText(L"12,5"), 125);
    EXPECT_EQ(wheelbaseText(125), L"12.5");
    EXPECT_EQ(wheelbaseTenthsFromText(L"0.04"), 10);
    EXPECT_EQ(wheelbaseText(10), L"1.0");
    EXPECT_EQ(wheelbaseTenthsFromText(L"2000"), 9990);
    EXPECT_EQ(wheelbaseTenthsFromText(L"abc"), 0);
    EXPECT_EQ(wheelbaseTenthsFromText(L"-3"), 0);
    EXPECT_EQ(wheelbaseText(0), L"");
}

} // namespace
} // namespace gripline
