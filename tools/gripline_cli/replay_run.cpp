#include "tools/gripline_cli/replay_run.h"

#include "common/virtual_clock.h"
#include "engine/engine_loop.h"
#include "settings/car_coefficients_store.h"
#include "engine/ffb_engine.h"
#include "telemetry/buffer_telemetry_source.h"
#include "telemetry/session_scanner.h"
#include "telemetry/telemetry_image.h"
#include "telemetry/telemetry_layout.h"
#include "telemetry/telemetry_variables.h"

#include <algorithm>
#include <chrono>
#include <numeric>
#include <thread>
#include <vector>

namespace gripline {

namespace {

// Passes each magnitude on with the tick it belongs to.
class SampleTap final : public EngineObserver {
  public:
    explicit SampleTap(const std::function<void(const ReplaySample&)>& onSample)
        : onSample_(onSample) {}
    void onNewTick(const TelemetrySnapshot& s, int64_t) override { tick_ = s.TickCount; }
    void onSample(int index, int64_t, int32_t magnitude) override {
        if (onSample_)
            onSample_({tick_, index, magnitude});
    }

  private:
    const std::function<void(const ReplaySample&)>& onSample_;
    int32_t tick_ = -1;
};

void addStint(ReplayTotals& totals, const StintAccumulators& stint) {
    totals.ClipTotal += stint.ClipTotal;
    totals.ClipCount += stint.ClipCount;
    totals.OutSamples += stint.OutSamples;
    totals.OutNonZero += stint.OutNonZero;
    totals.OutPeak = std::max(totals.OutPeak, stint.OutPeak);
}

// A live block around the file's own variable-header table, so every line
// is decoded exactly as the simulator's shared memory would be.
TelemetryImage blockLayoutOf(const IbtFile& file) {
    const std::span<const uint8_t> image = file.image();
    const int32_t numVars = loadInt32(image, irsdk::kNumVars);
    const auto offset = static_cast<size_t>(loadInt32(image, irsdk::kVarHeaderOffset));
    const size_t size = static_cast<size_t>(numVars) * irsdk::kVarHeaderSize;
    return TelemetryImage(image.subspan(offset, size), numVars, file.lineLength());
}

} // namespace

SessionIdentity replayIdentity(const IbtFile& file) {
    SessionIdentity identity;
    const std::span<const uint8_t> text = file.sessionText();
    if (text.empty() || !scanSessionInfo(text.data(), text.size(), identity))
        identity = SessionIdentity{};
    return identity;
}

CarCoefficients defaultReplayCoefficients() {
    CarCoefficients c;
    resolveCoefficients(CustomCarList{}, kGenericCar, false, c);
    return c;
}

ReplayTotals replayTelemetry(const IbtFile& file, const FfbSettings& settings,
                             const CarCoefficients& coefficients,
                             const std::function<void(const ReplaySample&)>& onSample,
                             ReplayRecording* recording) {
    std::vector<int32_t> lines(static_cast<size_t>(file.lineCount()));
    std::iota(lines.begin(), lines.end(), 0);
    return replayTelemetryLines(file, settings, coefficients, onSample, lines, recording);
}

ReplayTotals replayTelemetryLines(const IbtFile& file, const FfbSettings& settings,
                                  const CarCoefficients& coefficients,
                                  const std::function<void(const ReplaySample&)>& onSample,
                                  std::span<const int32_t> lines,
                                  ReplayRecording* recording) {
    TelemetryImage layout = blockLayoutOf(file);
    BufferTelemetrySource source;
    source.bytes().assign(layout.size(), 0);
    layout.format(source.bytes());
    TelemetryImage::setConnected(source.bytes(), true);

    VirtualClock clock;
    PlaceholderWheel wheel;
    SampleTap tap(onSample);
    FfbEngine engine;
    engine.storeSettings(settings);
    EnginePorts ports;
    ports.telemetry = &source;
    ports.clock = &clock;
    ports.wheel = &wheel;
    ports.observer = &tap;
    ports.fixedCoefficients = &coefficients;
    if (recording) {
        // Record pressed at line 0's time: the samples' times are the
        // lines' simulated times.
        engine.recorder.useClock(clock);
        const int64_t before = clock.now;
        clock.now = 0;
        recording->started = engine.recorder.beginRecording(recording->path, recording->header);
        clock.now = before;
        if (!recording->started)
            return {};
    }
    EngineLoop loop(engine, ports);
    loop.begin();

    // The engine zeroes its counters when a stint begins and again when it
    // reports one at its end: each stint is taken while it runs.
    ReplayTotals totals;
    StintAccumulators stint;
    bool inStint = false;
    for (const int32_t n : lines) {
        if (n < 0 || n >= file.lineCount())
            continue;
        // A replay runs far faster than the simulator; it waits for the
        // writer instead of dropping what the live engine would have kept.
        while (engine.recorder.ringFull())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        clock.now = n * kReplayTickNs;
        clock.sleeps.clear();
        clock.waits.clear();
        layout.publishLine(source.bytes(), file.line(n), n);
        loop.pass();
        if (loop.wasOnTrack()) {
            stint = engine.accumulators;
            inStint = true;
        } else if (inStint) {
            addStint(totals, stint);
            inStint = false;
        }
    }
    if (inStint)
        addStint(totals, stint);
    loop.end();
    if (recording) {
        recording->dropped = engine.recorder.droppedCount();
        recording->complete = engine.recorder.endRecording();
    }
    return totals;
}

} // namespace gripline
