#pragma once
// From the simulator's publish of a tick to the wheel update carrying that
// tick's first sample: the samples the engine wrote (noted on its thread
// into fixed storage), the stand-in's publish times ("tick qpc_ns" lines of
// its timing log) and the wheel's own update times (µs, same performance
// counter) put together after the drive.
#include "engine/engine_ports.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace gripline::bench {

struct WrittenSample {
    int32_t tick;      // TickCount of the line the sample belongs to
    int32_t index;     // 0: the tick's first sample
    int64_t sentNs;    // just before the write, QpcClock
    int32_t magnitude; // magnitude units, as written into requestedForce
    int64_t tickStartNs = 0; // when the engine saw the sample's tick, QpcClock
};

struct PublishedTick {
    int32_t tick;
    int64_t signalNs; // just before SetEvent, QpcClock
};

struct WheelUpdate {
    int64_t atUs; // the wheel's own time of the update, QpcClock µs (floored)
    int32_t magnitude;
};

// Every sample the engine writes, with the tick it belongs to. Engine
// thread only while it runs; read after it has stopped. Never allocates.
class WrittenSamples : public EngineObserver {
  public:
    void onNewTick(const TelemetrySnapshot& s, int64_t tickStartNs) override {
        if (firstTickNs.load(std::memory_order_relaxed) == 0)
            firstTickNs.store(tickStartNs);
        lastTickNs.store(tickStartNs);
        tick_ = s.TickCount;
        tickStartNs_ = tickStartNs;
    }
    void onSample(int index, int64_t sentNs, int32_t magnitude) override {
        const uint32_t i = count_.load(std::memory_order_relaxed);
        if (i < samples_.size()) {
            samples_[i] = {tick_, index, sentNs, magnitude, tickStartNs_};
            count_.store(i + 1, std::memory_order_release);
        }
    }
    std::vector<WrittenSample> samples() const {
        return {samples_.begin(), samples_.begin() + count_.load(std::memory_order_acquire)};
    }
    std::atomic<int64_t> firstTickNs{0};
    std::atomic<int64_t> lastTickNs{0};

  private:
    int32_t tick_ = 0;
    int64_t tickStartNs_ = 0;
    // A minute of the interpolated mode is 43,200 samples.
    std::array<WrittenSample, 1 << 17> samples_{};
    std::atomic<uint32_t> count_{0};
};

// A tick later than this at the wheel counts as late.
inline constexpr double kLateUs = 150.0;

struct TickToWheel {
    std::vector<double> delaysUs; // sorted, one per matched tick
    // Of each matched tick's delay, the part up to the engine's write of
    // its first sample (sorted): the rest is the output stage's.
    std::vector<double> toWriteUs;
    // Of the same, the part up to the engine seeing the tick (sorted): the
    // watch or the event; the rest to the write is the tick's computation.
    std::vector<double> toSeenUs;
    std::vector<double> computeUs; // from seeing the tick to the write (sorted)
    size_t published = 0;         // ticks published from the start of the window
    // First samples equal to the force written before them: the wheel
    // already had that value, so no update can be said to carry this one.
    size_t unchanged = 0;
    size_t slewed = 0; // matched at a full slew step towards the sample
    // Matched ticks over kLateUs, and of those: the engine was still
    // writing the tick before's samples when this one came, or else the
    // simulator itself published this one over kLateUs off its clock (the
    // machine stalled it too).
    size_t late = 0;
    size_t lateEngineBehind = 0;
    size_t lateSimulatorLate = 0;

    size_t matched() const { return delaysUs.size(); }
};

// Per tick published at or after fromNs: the first wheel update at or after
// the write of the tick's first sample that carries its magnitude, timed
// from the publish. See the definition for how an older update is ruled out.
TickToWheel matchTicksToWheel(std::span<const PublishedTick> published,
                              std::span<const WrittenSample> written,
                              std::span<const WheelUpdate> updates, int64_t fromNs);

// The stand-in's timing log; lines that do not parse are skipped.
std::vector<PublishedTick> parseTimingLog(std::string_view text);

// The value at rank p (0..1) of a sorted, non-empty list.
double percentile(const std::vector<double>& sorted, double p);

} // namespace gripline::bench
