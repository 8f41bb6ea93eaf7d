#pragma once
// Doubles for the engine's ports: a wheel and a hand-off that record what
// they are asked, an observer that records ticks and samples.
#include "engine/engine_ports.h"
#include "engine/ffb_engine.h"

#include <functional>
#include <vector>

namespace gripline::test {

class RecordingWheel final : public WheelOutput {
  public:
    bool open(void*, const DeviceGuid&) override {
        ++opens;
        if (failOpens > 0) {
            --failOpens;
            return false;
        }
        isOpen = true;
        return true;
    }
    void close() override {
        ++closes;
        quiesce();
        isOpen = false;
    }
    int opens = 0;
    int closes = 0;
    int failOpens = 0;
    bool isOpen = false;
};

class RecordingHandOff final : public SimulatorHandOff {
  public:
    void connectionStarted(const FfbSettings&) override { ++starts; }
    void connectionEnded() override { ++ends; }
    int starts = 0;
    int ends = 0;
};

struct SentSample {
    int index;
    int64_t sentNs;
    int32_t magnitude;
};

// The magnitudes of `samples` from index `first` on.
inline std::vector<int32_t> magnitudesFrom(const std::vector<SentSample>& samples, size_t first) {
    std::vector<int32_t> out;
    for (size_t i = first; i < samples.size(); ++i)
        out.push_back(samples[i].magnitude);
    return out;
}

class RecordingObserver final : public EngineObserver {
  public:
    void onNewTick(const TelemetrySnapshot& s, int64_t tickStartNs) override {
        ticks.push_back(s.TickCount);
        tickStarts.push_back(tickStartNs);
    }
    void onSample(int index, int64_t sentNs, int32_t magnitude) override {
        samples.push_back({index, sentNs, magnitude});
        if (afterSample)
            afterSample(index);
    }
    std::vector<int32_t> ticks;
    std::vector<int64_t> tickStarts;
    std::vector<SentSample> samples;
    std::function<void(int)> afterSample;
};

} // namespace gripline::test
