// The real engine thread under Wine, following the simulator stand-in as it
// replays a telemetry file at 60 Hz, writes into requestedForce exactly the
// magnitudes `gripline replay` computes for the same file: the schedule,
// the stint handling and the model's state across ticks are the same live
// as in virtual time, and the Windows build computes the same bits.
#include "common/qpc_clock_win32.h"
#include "engine/engine_platform_win32.h"
#include "engine/ffb_engine.h"
#include "telemetry/ibt_file.h"
#include "telemetry/telemetry_image.h"
#include "telemetry/telemetry_layout.h"
#include "telemetry/telemetry_source_win32.h"
#include "tests/support/standin_child_win32.h"
#include "tools/gripline_cli/replay_run.h"
#include "tools/simulator_standin/scenarios.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace gripline {
namespace {

using namespace std::chrono_literals;
using test::StandinChild;
using test::waitFor;
using test::windowsPath;

const std::wstring kIbt = windowsPath(GRIPLINE_FIXTURES "/w13_spielberg_390ticks.ibt");

bool operator==(const ReplaySample& a, const ReplaySample& b) {
    return a.tick == b.tick && a.sample == b.sample && a.magnitude == b.magnitude;
}

// The engine thread's writes into fixed storage: nothing on the tick path
// allocates or locks. Read after the engine has stopped.
class SampleTrace final : public EngineObserver {
  public:
    void onNewTick(const TelemetrySnapshot& s, int64_t) override {
        tick_ = s.TickCount;
        if (ticks_ < ticksSeen_.size())
            ticksSeen_[ticks_++] = s.TickCount;
    }
    void onSample(int index, int64_t, int32_t magnitude) override {
        if (count_ < samples_.size())
            samples_[count_++] = {tick_, index, magnitude};
    }
    std::vector<ReplaySample> samples() const {
        return {samples_.begin(), samples_.begin() + count_};
    }
    std::vector<int32_t> ticks() const { return {ticksSeen_.begin(), ticksSeen_.begin() + ticks_}; }

  private:
    int32_t tick_ = -1;
    std::array<ReplaySample, 1 << 15> samples_{};
    size_t count_ = 0;
    std::array<int32_t, 4096> ticksSeen_{};
    size_t ticks_ = 0;
};

struct LiveRun {
    std::vector<int32_t> ticks; // the lines the engine read, in order
    std::vector<ReplaySample> samples;
};

// Runs the engine with `settings` while the stand-in plays `file` once. The
// stand-in waits 1.5 s with its block in place, so the engine, retrying
// every 500 ms, is there for the first line.
LiveRun liveRun(const std::wstring& file, const FfbSettings& settings) {
    Win32TelemetrySource source;
    PlaceholderWheel wheel;
    Win32EnginePlatform platform;
    auto owned = std::make_unique<SampleTrace>(); // 400 kB: not on the stack
    SampleTrace& trace = *owned;
    FfbEngine engine;
    engine.storeSettings(settings);
    engine.start({.telemetry = &source,
                  .clock = &qpcClock(),
                  .wheel = &wheel,
                  .platform = &platform,
                  .observer = &trace,
                  .meetTicks = true});
    StandinChild standin;
    EXPECT_TRUE(standin.start({L"--ibt", file, L"--start-delay", L"1.5"}));
    EXPECT_EQ(standin.waitExit(120s), 0) << standin.err();
    // The engine finishes the last tick's samples before it sees the end.
    EXPECT_TRUE(waitFor([&] { return !engine.readStatus().Connected; }, 30s))
        << "the engine never saw the simulator leave";
    engine.stop();
    return {trace.ticks(), trace.samples()};
}

// The replay of the lines the live engine read: on a busy machine the
// engine thread is sometimes preempted for longer than a tick and reads
// the newest line, skipping one; the replay then skips it too.
std::vector<ReplaySample> replayed(const std::wstring& file, const FfbSettings& settings,
                                   const std::vector<int32_t>& lines) {
    IbtFile ibt;
    std::string error;
    EXPECT_TRUE(ibt.load(std::filesystem::path(file), error)) << error;
    std::vector<ReplaySample> samples;
    replayTelemetryLines(
        ibt, settings, defaultReplayCoefficients(),
        [&](const ReplaySample& s) { samples.push_back(s); }, lines);
    return samples;
}

// Lines of the file, each read at most once and in order. How many were
// read depends on the machine's load; the replay of exactly those lines
// judges what the engine made of them.
void expectFollowed(const std::vector<int32_t>& ticks, int32_t lines) {
    ASSERT_FALSE(ticks.empty()) << "the engine read no line";
    EXPECT_GE(ticks.front(), 0);
    EXPECT_LT(ticks.back(), lines);
    EXPECT_TRUE(std::is_sorted(ticks.begin(), ticks.end()) &&
                std::adjacent_find(ticks.begin(), ticks.end()) == ticks.end());
    std::printf("engine read %zu of %d lines\n", ticks.size(), lines);
}

void expectSameSamples(const std::vector<ReplaySample>& live,
                       const std::vector<ReplaySample>& replay) {
    EXPECT_EQ(live.size(), replay.size());
    for (size_t i = 0; i < std::min(live.size(), replay.size()); ++i)
        if (!(live[i] == replay[i])) {
            ADD_FAILURE() << "sample " << i << ": live tick " << live[i].tick << " #"
                          << live[i].sample << " = " << live[i].magnitude << ", replay tick "
                          << replay[i].tick << " #" << replay[i].sample << " = "
                          << replay[i].magnitude;
            return;
        }
}

// The engine's coefficients with car-specific settings off are the replay's
// default ones.
FfbSettings settingsFor(int32_t mode) {
    FfbSettings s;
    s.Mode = mode;
    s.UseCarSpecificSettings = 0;
    return s;
}

TEST(EngineMatchesReplay, RecordedDriveInBothModes) {
    for (int32_t mode : {1, 0}) {
        SCOPED_TRACE("mode " + std::to_string(mode));
        const LiveRun live = liveRun(kIbt, settingsFor(mode));
        expectFollowed(live.ticks, 390);
        expectSameSamples(live.samples, replayed(kIbt, settingsFor(mode), live.ticks));
    }
}

// A telemetry file written from the stand-in's synthetic drives, in the
// layout the simulator writes to disk.
void writeDriveFile(const std::wstring& path,
                    const std::vector<std::pair<std::string_view, std::pair<int, int>>>& parts) {
    TelemetryImage layout(standardTelemetryVars(), 1, 64);
    std::vector<uint8_t> bytes(layout.size());
    layout.format(bytes);
    bytes.resize(static_cast<size_t>(layout.bufferOffset(0))); // the lines follow
    int32_t count = 0;
    for (const auto& [name, range] : parts) {
        const standin::ScenarioInfo* scenario = standin::findScenario(name);
        for (int32_t i = range.first; i < range.second; ++i, ++count) {
            std::vector<uint8_t> line = layout.newLine();
            standin::fillScenarioLine(*scenario, i, count, layout, line);
            bytes.insert(bytes.end(), line.begin(), line.end());
        }
    }
    std::memcpy(bytes.data() + irsdk::kDiskRecordCount, &count, sizeof count);
    std::ofstream(std::filesystem::path(path), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// Cornering (grip cues), kerb strikes (texture and its priority rule), ABS
// cycling at 10 Hz, leaving the track and coming back, and the end stop.
TEST(EngineMatchesReplay, SyntheticDriveWithEveryCue) {
    const std::wstring file = test::tempFile(L"drive") + L".ibt";
    writeDriveFile(file, {{"left-corner", {60, 240}},
                          {"kerbs", {50, 110}},
                          {"abs-braking", {50, 170}},
                          {"off-track", {150, 200}},
                          {"off-track", {420, 470}},
                          {"past-lock", {120, 180}}});
    FfbSettings settings = settingsFor(1);
    // Crash protection holds for a span of the steady clock, which live ticks
    // cross at slightly different moments than the replay's exact 60 Hz.
    settings.CrashReduction = 0;
    settings.UndersteerLighten = 40;
    settings.OversteerCorrection = 80;
    settings.MinForce = 3;
    const LiveRun live = liveRun(file, settings);
    expectFollowed(live.ticks, 520);
    expectSameSamples(live.samples, replayed(file, settings, live.ticks));
    std::filesystem::remove(std::filesystem::path(file));
}

} // namespace
} // namespace gripline
