// The status refresh against a recording window: status-bar texts, the
// driver-name cache, the car change and the diagnostic lines, each logged
// once per change of its counter.
#include "ui/status_refresh.h"

#include "engine/wheel_port.h"
#include "settings/settings_file.h"
#include "tests/ui/binding_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace gripline {
namespace {

using Lines = std::vector<std::wstring>;

class StatusRefreshTest : public ::testing::Test, protected test::KeeperOnFile {
  protected:
    StatusTexts refresh() { return statusRefresh.refresh(status); }
    size_t linesStartingWith(const std::wstring& prefix) const {
        return static_cast<size_t>(
            std::count_if(view.Lines.begin(), view.Lines.end(),
                          [&](const std::wstring& line) { return line.starts_with(prefix); }));
    }

    EngineStatus status;
    StatusRefresh statusRefresh{state, keeper, view};
};

TEST_F(StatusRefreshTest, TheStatusBarNamesConnectionTrackDriverAndCar) {
    EXPECT_EQ(refresh(), (StatusTexts{L"iRacing disconnected", L"Not on track",
                                      L"Driver: unknown | Car: generic"}));
    status.Connected = status.OnTrack = true;
    status.CarName = L"mx5 mx52016";
    status.DriverName = L"Ann Driver";
    status.DriverUserId = 4711;
    EXPECT_EQ(refresh(), (StatusTexts{L"iRacing connected", L"On track",
                                      L"Driver: Ann Driver | Car: mx5 mx52016"}));
    EXPECT_EQ(readDriverName(keeper.file(), 4711), L"Ann Driver") << "the name is cached";

    // The meter: the engine's peak of the last second in whole percent of
    // full scale, its clipping mark, and the window's force switch.
    for (const auto& [peak, text] : {std::pair{9996, L"Peak 100%"}, {6349, L"Peak 63%"},
                                     {6350, L"Peak 64%"}, {49, L"Peak 0%"}})
        EXPECT_EQ(meterText(peak), text);
    status.MeterPeak = 6349;
    status.MeterClipping = true;
    const StatusTexts driving = statusRefresh.refresh(status, true);
    EXPECT_EQ(driving.meter, L"Peak 63%");
    EXPECT_TRUE(driving.clipping);
    EXPECT_TRUE(driving.forceOff);
    // Beside it the stint's p99 added latency, in ms with two decimals.
    EXPECT_EQ(driving.addedLatency, L"Added -") << "nothing counted yet";
    status.AddedLatencyP99Ns = 94'000;
    EXPECT_EQ(refresh().addedLatency, L"Added 0.09 ms");
    status.AddedLatencyP99Ns = AddedLatency::kNone;
    status.MeterPeak = 0;
    status.MeterClipping = false;

    // A session text that does not match the id: the cached name stands.
    status.IdentityConsistent = false;
    status.DriverName = L"Someone Else";
    EXPECT_EQ(refresh().driverAndCar, L"Driver: Ann Driver | Car: mx5 mx52016");
    EXPECT_EQ(readDriverName(keeper.file(), 4711), L"Ann Driver");

    status.DriverUserId = 99; // nothing cached, name not trusted
    EXPECT_EQ(refresh().driverAndCar, L"Driver: account #99 | Car: mx5 mx52016");
    status.DriverUserId = 0;
    EXPECT_EQ(refresh().driverAndCar, L"Driver: Someone Else | Car: mx5 mx52016");
}

TEST_F(StatusRefreshTest, ANewCarIsTakenButGenericNeverChangesIt) {
    status.CarName = L"GENERIC";
    refresh();
    EXPECT_EQ(state.Context.CarKey, L"");
    EXPECT_TRUE(view.Lines.empty());

    status.CarName = L" Skippy ";
    refresh();
    EXPECT_EQ(state.Context.CarKey, L"skippy");
    EXPECT_EQ(view.Lines, Lines{L"Using driver profile settings for this car."});
    EXPECT_EQ(view.CarLabels.back(), L"Car: skippy (unknown)");
    refresh();
    EXPECT_EQ(view.Lines.size(), 1u) << "the same car is no change";

    status.CarName = L"generic";
    refresh();
    EXPECT_EQ(state.Context.CarKey, L"skippy");
}

TEST_F(StatusRefreshTest, ADirectInputFailureIsLoggedOncePerChangeOfItsCount) {
    status.OutputErrorCount = 1;
    status.OutputLastError = kDierrNotAcquired;
    for (int i = 0; i < 5; ++i)
        refresh();
    EXPECT_EQ(view.Lines, Lines{L"DirectInput FFB error: 0x8007000C (DIERR_NOTACQUIRED)"});
    status.OutputErrorCount = 2;
    refresh();
    refresh();
    EXPECT_EQ(view.Lines.size(), 2u);

    // After Start the engine counts from 0 again.
    statusRefresh.resetCounters();
    status.OutputErrorCount = 1;
    refresh();
    EXPECT_EQ(view.Lines.size(), 3u);
}

// Each replay start and end is one line, in the order they happened even
// when both fall between two refreshes.
TEST_F(StatusRefreshTest, AReplayIsLoggedOnceEachWayInTheOrderItHappened) {
    const std::wstring playing = L"Replay playing: force off.",
                       ended = L"Replay ended: force fades in.";
    const struct {
        uint32_t starts, ends;
        bool playing;
        Lines added;
    } refreshes[] = {
        {1, 0, true, {playing}},
        {1, 0, true, {}},
        {1, 1, false, {ended}},
        {2, 2, false, {playing, ended}}, // a short replay between two refreshes
        {3, 3, false, {playing, ended}},
        {4, 4, true, {ended, playing}}, // ended, then another began
    };
    for (const auto& r : refreshes) {
        const size_t before = view.Lines.size();
        status.ReplayStartCount = r.starts;
        status.ReplayEndCount = r.ends;
        status.ReplayPlaying = r.playing;
        refresh();
        EXPECT_EQ(Lines(view.Lines.begin() + static_cast<ptrdiff_t>(before), view.Lines.end()),
                  r.added)
            << r.starts << " starts, " << r.ends << " ends";
    }
}

TEST_F(StatusRefreshTest, WithoutDebugLoggingOnlyErrorsAndTheClipReportAppear) {
    status.OnTrackChanges = 1;
    status.OnTrack = true;
    status.OutputReportCount = 1;
    status.ReportSamples = 720;
    status.ReportNonZero = 0;
    status.ClipReportCount = 1;
    status.ClipPercent = 3.0f;
    status.OutputErrorCount = 1;
    status.OutputLastError = kEFail;
    refresh();
    EXPECT_EQ(linesStartingWith(L"Telemetry:"), 0u);
    EXPECT_EQ(linesStartingWith(L"FFB output report"), 0u);
    EXPECT_EQ(linesStartingWith(L"3.00% of samples were clipped"), 1u);
    EXPECT_EQ(linesStartingWith(L"DirectInput FFB error: 0x80004005"), 1u);

    view.Lines.clear();
    state.Profiles.InUse.DebugLogging = 1;
    status.OnTrackChanges = 2;
    status.OnTrack = false;
    status.OutputReportCount = 2;
    status.ReportNonZero = 700;
    status.ReportPeak = 4100;
    refresh();
    EXPECT_EQ(view.Lines,
              (Lines{L"Telemetry: Not on track.",
                     L"FFB output report: 720 samples, 700 non-zero, max magnitude 4100.",
                     L"Non-zero FFB was sent to DirectInput. If the wheel is still dead, test "
                     L"DirectInput/Simucube effect compatibility."}));
    status.OutputReportCount = 3;
    status.ReportNonZero = 0;
    refresh();
    EXPECT_EQ(view.Lines.back(),
              L"No non-zero FFB was sent. Check iRacing telemetry On track status.");
}

} // namespace
} // namespace gripline
