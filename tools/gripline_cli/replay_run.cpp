#include "tools/gripline_cli/replay_run.h"

#include "common/virtual_clock.h"
#include "engine/engine_loop.h"
#include "engine/wheel_magnitude.h"
#include "settings/car_coefficients_store.h"
#include "engine/ffb_engine.h"
#include "telemetry/buffer_telemetry_source.h"
#include "telemetry/session_scanner.h"
#include "telemetry/telemetry_image.h"
#include "telemetry/telemetry_layout.h"
#include "telemetry/telemetry_variables.h"

#include <algorithm>
#include <cmath>
#include <chrono>
#include <numeric>
#include <thread>
#include <vector>

namespace gripline {

namespace {

// Passes each magnitude on with the tick it belongs to.
class SampleTap final : public EngineObserver {
  public:
    SampleTap(const std::function<void(const ReplaySample&)>& onSample,
              const AutoStrengthOptions& counting)
        : onSample_(onSample), counter_(counting) {}
    void onNewTick(const TelemetrySnapshot& s, int64_t) override { tick_ = s.TickCount; }
    void onSample(int index, int64_t, int32_t magnitude) override {
        if (onSample_)
            onSample_({tick_, index, magnitude});
    }

    // Counted as Auto strength counts, with its own hold-off after hits.
    void onStrengthSample(const StrengthSample& s, int64_t nowNs, int32_t strength) override {
        if (counter_.counts(s, nowNs)) {
            countedNm_.push_back(std::fabs(s.finalForceNm));
            countedPercent_.push_back(std::fabs(s.finalForceNm) / fullScaleNm(strength) * 100.0);
        }
        counter_.feed(s, nowNs);
        if (strength != strength_ && onStrength_)
            onStrength_({static_cast<double>(tick_) / 60.0, strength});
        strength_ = strength;
    }

    void setStrengthWatch(const std::function<void(const StrengthChange&)>& onStrength) {
        onStrength_ = onStrength;
    }
    void addCounted(ReplayTotals& totals) {
        totals.CountedTicks = countedNm_.size();
        totals.CountedP99Nm = p99(countedNm_);
        totals.CountedP99Percent = p99(countedPercent_);
        totals.FinalStrength = strength_;
    }

  private:
    // The ceil(0.99 n)-th smallest value.
    static double p99(std::vector<double>& values) {
        if (values.empty())
            return 0;
        const size_t rank = (values.size() * 99 + 99) / 100;
        std::nth_element(values.begin(), values.begin() + (rank - 1), values.end());
        return values[rank - 1];
    }

    const std::function<void(const ReplaySample&)>& onSample_;
    std::function<void(const StrengthChange&)> onStrength_;
    int32_t tick_ = -1;
    int32_t strength_ = -1;
    AutoStrengthRule counter_;
    std::vector<double> countedNm_;
    std::vector<double> countedPercent_;
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

namespace {

ReplayTotals replayLines(const IbtFile& file, const FfbSettings& settings,
                         const CarCoefficients& coefficients,
                         const std::function<void(const ReplaySample&)>& onSample,
                         std::span<const int32_t> lines, ReplayRecording* recording,
                         const ReplayOptions& options);

} // namespace

ReplayTotals replayTelemetry(const IbtFile& file, const FfbSettings& settings,
                             const CarCoefficients& coefficients,
                             const std::function<void(const ReplaySample&)>& onSample,
                             ReplayRecording* recording, const ReplayOptions& options) {
    std::vector<int32_t> lines(static_cast<size_t>(file.lineCount()));
    std::iota(lines.begin(), lines.end(), 0);
    return replayLines(file, settings, coefficients, onSample, lines, recording, options);
}

ReplayTotals replayTelemetryLines(const IbtFile& file, const FfbSettings& settings,
                                  const CarCoefficients& coefficients,
                                  const std::function<void(const ReplaySample&)>& onSample,
                                  std::span<const int32_t> lines,
                                  ReplayRecording* recording) {
    return replayLines(file, settings, coefficients, onSample, lines, recording, {});
}

namespace {

// Pass k of a looped replay plays line n as tick k × lines + n, so the
// engine sees one long drive whose ticks never go back.
ReplayTotals replayLines(const IbtFile& file, const FfbSettings& settings,
                         const CarCoefficients& coefficients,
                         const std::function<void(const ReplaySample&)>& onSample,
                         std::span<const int32_t> lines, ReplayRecording* recording,
                         const ReplayOptions& options) {
    TelemetryImage layout = blockLayoutOf(file);
    BufferTelemetrySource source;
    source.bytes().assign(layout.size(), 0);
    layout.format(source.bytes());
    TelemetryImage::setConnected(source.bytes(), true);

    VirtualClock clock;
    PlaceholderWheel wheel;
    AutoStrengthOptions autoStrength;
    autoStrength.countParked = options.countParked;
    SampleTap tap(onSample, autoStrength);
    tap.setStrengthWatch(options.onStrength);
    FfbEngine engine;
    engine.storeSettings(settings);
    EnginePorts ports;
    ports.telemetry = &source;
    ports.clock = &clock;
    ports.wheel = &wheel;
    ports.observer = &tap;
    ports.fixedCoefficients = &coefficients;
    ports.autoStrength = &autoStrength;
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
    const int64_t lineCount = file.lineCount();
    for (int32_t pass = 0; pass < std::max(options.loops, 1); ++pass) {
        for (const int32_t n : lines) {
            if (n < 0 || n >= lineCount)
                continue;
            // A replay runs far faster than the simulator; it waits for the
            // writer instead of dropping what the live engine would have kept.
            while (engine.recorder.ringFull())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            const int64_t tick = pass * lineCount + n;
            clock.now = tick * kReplayTickNs;
            clock.sleeps.clear();
            clock.waits.clear();
            layout.publishLine(source.bytes(), file.line(n), static_cast<int32_t>(tick));
            loop.pass();
            if (loop.wasOnTrack()) {
                stint = engine.accumulators;
                inStint = true;
            } else if (inStint) {
                addStint(totals, stint);
                inStint = false;
            }
        }
    }
    if (inStint)
        addStint(totals, stint);
    loop.end();
    tap.addCounted(totals);
    const EngineStatus status = engine.readStatus();
    if (status.AutoStrengthSettledCount > 0)
        totals.SettledStrength = status.AutoStrengthSettled;
    if (recording) {
        recording->dropped = engine.recorder.droppedCount();
        recording->complete = engine.recorder.endRecording();
    }
    return totals;
}

} // namespace

} // namespace gripline
