#pragma once
// Ticks and samples noted by the engine thread into fixed storage, so the
// observer neither allocates nor locks on the tick path; read after the
// engine has stopped (or while it runs, as far as it has got).
#include "engine/engine_ports.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

namespace gripline::test {

class DriveLog final : public EngineObserver {
  public:
    struct Sample {
        int64_t sentNs;
        int32_t magnitude;
    };
    void onNewTick(const TelemetrySnapshot& s, int64_t tickStartNs) override {
        if (firstTickNs.load() == 0)
            firstTickNs.store(tickStartNs);
        lastTickNs.store(tickStartNs);
        const uint32_t i = tickCount_.load(std::memory_order_relaxed);
        if (i < ticks_.size()) {
            ticks_[i] = s.TickCount;
            tickCount_.store(i + 1, std::memory_order_release);
        }
    }
    void onSample(int, int64_t sentNs, int32_t magnitude) override {
        const uint32_t i = count_.load(std::memory_order_relaxed);
        if (i < samples_.size()) {
            samples_[i] = {sentNs, magnitude};
            count_.store(i + 1, std::memory_order_release);
        }
    }
    std::vector<Sample> samples() const {
        return {samples_.begin(), samples_.begin() + count_.load(std::memory_order_acquire)};
    }
    // The tick counts of the lines read, in the order read.
    std::vector<int32_t> ticks() const {
        return {ticks_.begin(), ticks_.begin() + tickCount_.load(std::memory_order_acquire)};
    }
    std::atomic<int64_t> firstTickNs{0};
    std::atomic<int64_t> lastTickNs{0};

  private:
    std::array<Sample, 1 << 16> samples_{};
    std::atomic<uint32_t> count_{0};
    std::array<int32_t, 1 << 16> ticks_{};
    std::atomic<uint32_t> tickCount_{0};
};

} // namespace gripline::test
