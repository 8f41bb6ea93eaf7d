// Record and Stop rec against an engine loop fed tick by tick: what the
// driver is told, what the buttons show, and what reaches the file.
#include "ui/record_commands.h"

#include "engine/engine_loop.h"
#include "recording/recording_file.h"
#include "tests/engine/engine_test_support.h"
#include "tests/support/simulated_block.h"
#include "tests/support/virtual_clock.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace gripline {
namespace {

using namespace gripline::test;

class FakeWindow final : public SettingsView, public RecordControls {
  public:
    void refreshControls(const FfbSettings&) override {}
    void log(const std::wstring& line) override { lines.push_back(line); }
    void showCar(const std::wstring&, const CarCoefficients&) override {}

    void commitWheelbaseField() override { ++commits; }
    std::optional<std::filesystem::path> askRecordingPath(const std::wstring& name) override {
        proposed.push_back(name);
        return chosen;
    }
    std::wstring profileBoxText() override { return profileText; }
    void showRecordButtons(const RecordButtons& b) override { buttons.push_back(b); }

    std::vector<std::wstring> lines;
    std::vector<std::wstring> proposed;
    std::vector<RecordButtons> buttons;
    std::optional<std::filesystem::path> chosen;
    std::wstring profileText = L" \tQuick laps\r\n";
    int commits = 0;
};

class RecordCommandsTest : public ::testing::Test {
  protected:
    RecordCommandsTest() {
        ports.telemetry = &sim.source;
        ports.clock = &clock;
        ports.wheel = &wheel;
        engine.recorder.useClock(clock);
        dir_ = std::filesystem::temp_directory_path() / "gripline-record-commands";
        std::filesystem::create_directories(dir_);
        window.chosen = dir_ / (std::string(testing::UnitTest::GetInstance()
                                                ->current_test_info()->name()) + ".kvtrec");
        std::filesystem::remove(*window.chosen);
    }
    ~RecordCommandsTest() override {
        if (loop_)
            loop_->end();
    }

    void startEngine() {
        loop_ = std::make_unique<EngineLoop>(engine, ports);
        loop_->begin();
    }
    void tick(int32_t tickCount, bool onTrack = true) {
        clock.now += 16'666'667;
        sim.publish(tickCount, {.onTrack = onTrack});
        loop_->pass();
    }

    SimulatedBlock sim;
    VirtualClock clock;
    RecordingWheel wheel;
    FfbEngine engine;
    EnginePorts ports;
    std::unique_ptr<EngineLoop> loop_;
    FakeWindow window;
    RecordCommands commands{engine, window, window};
    std::filesystem::path dir_;
    const LocalTime noon{2026, 12, 7, 12, 5, 9};
};

TEST_F(RecordCommandsTest, NothingToRecordUnlessTheEngineRunsAndTheCarIsOnTrack) {
    commands.record(noon);
    EXPECT_EQ(window.lines, std::vector<std::wstring>{
                                L"Start the FFB engine before recording telemetry."});
    EXPECT_TRUE(window.proposed.empty()) << "no dialog";

    startEngine();
    tick(1, false);
    window.lines.clear();
    commands.record(noon);
    EXPECT_EQ(window.lines, std::vector<std::wstring>{
                                L"Could not start telemetry recording. Enter the track first."});
    EXPECT_EQ(window.commits, 1);
    EXPECT_FALSE(std::filesystem::exists(*window.chosen)) << "no file is created";
    EXPECT_TRUE(window.buttons.empty());
    EXPECT_FALSE(commands.recording());
}

TEST_F(RecordCommandsTest, CancellingTheDialogChangesNothing) {
    startEngine();
    tick(1);
    window.chosen.reset();
    commands.record(noon);
    EXPECT_EQ(window.proposed, std::vector<std::wstring>{L"Torvix_generic_20261207_120509.kvtrec"});
    EXPECT_TRUE(window.lines.empty());
    EXPECT_TRUE(window.buttons.empty());
    EXPECT_FALSE(commands.recording());
}

TEST_F(RecordCommandsTest, RecordsTheTicksOnTrackUntilStopRec) {
    FfbSettings settings;
    settings.ForceStrength = 64;
    settings.WheelbaseMaxTorqueTenths = 80;
    engine.storeSettings(settings);
    startEngine();
    tick(1);
    commands.record(noon);
    ASSERT_TRUE(commands.recording());
    EXPECT_EQ(commands.lastRecording(), *window.chosen);
    EXPECT_EQ(window.lines.back(), L"Telemetry recording started.");
    ASSERT_EQ(window.buttons.size(), 1u);
    EXPECT_FALSE(window.buttons[0].RecordEnabled);
    EXPECT_TRUE(window.buttons[0].StopRecEnabled);
    EXPECT_FALSE(window.buttons[0].AnalyzerEnabled);
    EXPECT_EQ(window.buttons[0].RecordText, L"Recording...");

    for (int32_t t = 2; t <= 30; ++t)
        tick(t, t < 10 || t > 20); // ticks 10..20 off track are not recorded
    commands.stopRecording();
    EXPECT_EQ(window.lines.back(), L"Telemetry recording saved.");
    ASSERT_EQ(window.buttons.size(), 2u);
    EXPECT_TRUE(window.buttons[1].RecordEnabled);
    EXPECT_FALSE(window.buttons[1].StopRecEnabled);
    EXPECT_TRUE(window.buttons[1].AnalyzerEnabled);
    EXPECT_EQ(window.buttons[1].RecordText, L"Record");

    RecordingHeader header;
    std::vector<RecordingSample> samples;
    std::string error;
    ASSERT_TRUE(loadRecording(*window.chosen, header, samples, error)) << error;
    EXPECT_EQ(recordingText(header.ProfileName), "Quick laps");
    EXPECT_EQ(recordingText(header.CarName), "generic");
    EXPECT_EQ(recordingText(header.DriverName), "unknown");
    EXPECT_EQ(header.ForceStrength, 64);
    EXPECT_EQ(header.WheelbaseMaxTorqueNm, 8.0f);
    EXPECT_GT(uint64_t{header.StartTimeMs}, 1'700'000'000'000u);
    std::vector<int32_t> ticks;
    for (const RecordingSample& s : samples)
        ticks.push_back(s.TickCount);
    EXPECT_EQ(ticks, (std::vector<int32_t>{2, 3, 4, 5, 6, 7, 8, 9, 21, 22, 23, 24, 25, 26, 27, 28,
                                           29, 30}));
    EXPECT_EQ(samples[0].TimeUs, 16'666u);

    window.lines.clear();
    commands.stopRecording();
    EXPECT_TRUE(window.lines.empty()) << "Stop rec only while recording";
}

#ifndef _WIN32
// A disk that is full: the driver is told the file is cut, not that it was saved.
TEST_F(RecordCommandsTest, AFileThatCouldNotBeWrittenIsNotReportedAsSaved) {
    window.chosen = "/dev/full";
    startEngine();
    tick(1);
    commands.record(noon);
    ASSERT_TRUE(commands.recording());
    for (int32_t t = 2; t <= 400; ++t)
        tick(t);
    commands.stopRecording();
    EXPECT_EQ(window.lines.back(),
              L"Telemetry recording is incomplete: the file could not be written to the end.");
}
#endif

TEST(RecordingNames, DefaultNameAndProfileText) {
    EXPECT_EQ(defaultRecordingName(L"", {2026, 1, 2, 3, 4, 5}),
              L"Torvix_generic_20260102_030405.kvtrec");
    EXPECT_EQ(defaultRecordingName(L"dallarap217", {2026, 12, 31, 23, 59, 58}),
              L"Torvix_dallarap217_20261231_235958.kvtrec");
    EXPECT_EQ(defaultRecordingName(std::wstring(200, L'x'), {2026, 1, 2, 3, 4, 5}).size(), 159u);

    EXPECT_EQ(trimmedProfileName(L"\r\n Default \t"), L"Default");
    EXPECT_EQ(trimmedProfileName(L" \t "), L"");
    EXPECT_EQ(trimmedProfileName(std::wstring(200, L'p')).size(), 127u);
}

} // namespace
} // namespace gripline
