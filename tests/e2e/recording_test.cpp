// Recording a live drive under Wine: the stand-in plays a looped corner in
// another process, the real engine thread drives the virtual wheel, and
// Record / Stop rec write the file that the analyzer's reader takes back.
#include "common/hidden_window_win32.h"
#include "common/qpc_clock_win32.h"
#include "engine/dinput_wheel_win32.h"
#include "engine/engine_platform_win32.h"
#include "engine/ffb_engine.h"
#include "engine/ffb_output.h"
#include "recording/recording_file.h"
#include "telemetry/telemetry_source_win32.h"
#include "tests/support/drive_log.h"
#include "tests/support/standin_child_win32.h"
#include "ui/record_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <thread>

namespace gripline {
namespace {

using namespace std::chrono_literals;
using test::StandinChild;
using test::waitFor;

class DriverWindow final : public SettingsView, public RecordControls {
  public:
    void refreshControls(const FfbSettings&) override {}
    void log(const std::wstring& line) override { lines.push_back(line); }
    void showCar(const std::wstring&, const CarCoefficients&) override {}
    void commitWheelbaseField() override {}
    std::optional<std::filesystem::path> askRecordingPath(const std::wstring&) override {
        return path;
    }
    std::wstring profileBoxText() override { return L"Default"; }
    void showRecordButtons(const RecordButtons&) override {}

    std::vector<std::wstring> lines;
    std::filesystem::path path;
};

class RecordingUnderWine : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::vector<FfbDeviceEntry> devices = enumerateDevices();
        ASSERT_EQ(devices.size(), 1u) << "the virtual wheel is not loaded";
        ports.telemetry = &source;
        ports.clock = &qpcClock();
        ports.wheel = &output;
        ports.platform = &platform;
        ports.meetTicks = true;
        ports.device = devices.front().instanceGuid;
        ports.window = hidden.get();
        ports.observer = &drive;
        window.path = test::tempFile(L"drive") + L".kvtrec";
        DeleteFileW(window.path.c_str());
    }
    void TearDown() override { engine.stop(); }

    bool onTrack() const { return engine.readStatus().OnTrack; }

    HiddenWindow hidden;
    Win32TelemetrySource source;
    DirectInputWheel port;
    FfbOutput output{port, qpcClock()};
    Win32EnginePlatform platform;
    test::DriveLog drive;
    FfbEngine engine;
    EnginePorts ports;
    DriverWindow window;
    RecordCommands commands{engine, window, window};
    const LocalTime now{2026, 12, 7, 9, 0, 0};
};

TEST_F(RecordingUnderWine, TenSecondsOnTrackRecordEveryTickReadInOrder) {
    StandinChild standin;
    ASSERT_TRUE(standin.start({L"--scenario", L"left-corner", L"--loop", L"--exit-after", L"60"}));
    engine.start(ports);
    ASSERT_TRUE(waitFor([&] { return onTrack(); }, 30s)) << "the engine never saw the car on track";

    const auto recordAt = std::chrono::steady_clock::now();
    commands.record(now);
    ASSERT_TRUE(commands.recording());
    std::this_thread::sleep_for(10s);
    commands.stopRecording();
    const auto spanUs = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::steady_clock::now() - recordAt)
                            .count();
    EXPECT_EQ(window.lines.back(), L"Telemetry recording saved.");

    RecordingHeader header;
    std::vector<RecordingSample> samples;
    std::string error;
    ASSERT_TRUE(loadRecording(window.path, header, samples, error)) << error;
    EXPECT_EQ(recordingText(header.ProfileName), "Default");
    // One sample for each line the engine read while recording, none
    // twice, in order: a run of the engine's ticks without a gap. How many
    // lines that is depends on the machine's load, not on the recorder.
    ASSERT_FALSE(samples.empty());
    const std::vector<int32_t> ticks = drive.ticks();
    const auto first = std::find(ticks.begin(), ticks.end(), samples.front().TickCount);
    ASSERT_NE(first, ticks.end()) << "a sample of a line the engine never read";
    ASSERT_GE(static_cast<size_t>(ticks.end() - first), samples.size());
    for (size_t i = 0; i < samples.size(); ++i) {
        ASSERT_EQ(samples[i].TickCount, first[static_cast<ptrdiff_t>(i)]) << "sample " << i;
        if (i > 0) {
            ASSERT_GE(samples[i].TimeUs, samples[i - 1].TimeUs) << "sample " << i;
        }
    }
    // Times count from Record, so none is later than Stop rec.
    EXPECT_LE(samples.back().TimeUs, static_cast<uint64_t>(spanUs));
    std::printf("%zu samples in %.1f s\n", samples.size(), spanUs / 1e6);
}

TEST_F(RecordingUnderWine, RecordOffTrackCreatesNoFile) {
    StandinChild standin;
    ASSERT_TRUE(standin.start({L"--scenario", L"off-track", L"--loop", L"--exit-after", L"60"}));
    engine.start(ports);
    // 3 s on track, then 4 s in the garage.
    ASSERT_TRUE(waitFor([&] { return onTrack(); }, 30s));
    ASSERT_TRUE(waitFor([&] { return !onTrack(); }, 30s));
    commands.record(now);
    EXPECT_EQ(window.lines.back(), L"Could not start telemetry recording. Enter the track first.");
    EXPECT_EQ(GetFileAttributesW(window.path.c_str()), INVALID_FILE_ATTRIBUTES);
}

} // namespace
} // namespace gripline
