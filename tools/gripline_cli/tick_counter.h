#pragma once
// Counts the ticks the engine reads and the gaps between them, from the
// engine thread, for a one-line summary at the end of a watch.
#include "engine/engine_ports.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace gripline::cli {

class TickCounter final : public EngineObserver {
  public:
    void onNewTick(const TelemetrySnapshot& s, int64_t) override {
        const int32_t last = last_.load(std::memory_order_relaxed);
        const uint32_t count = count_.load(std::memory_order_relaxed);
        if (count == 0)
            first_.store(s.TickCount, std::memory_order_relaxed);
        else if (s.TickCount > last + 1)
            missed_.fetch_add(static_cast<uint32_t>(s.TickCount - last - 1));
        last_.store(s.TickCount, std::memory_order_relaxed);
        count_.store(count + 1);
    }

    // "N new ticks read (first..last), M missed"
    std::string summary() const {
        const uint32_t count = count_.load();
        if (count == 0)
            return "no tick read";
        const uint32_t missed = missed_.load();
        return std::to_string(count) + " new ticks read (" + std::to_string(first_.load()) +
               ".." + std::to_string(last_.load()) + "), " +
               (missed == 0 ? std::string("none missed") : std::to_string(missed) + " missed");
    }

  private:
    std::atomic<uint32_t> count_{0};
    std::atomic<uint32_t> missed_{0};
    std::atomic<int32_t> first_{0};
    std::atomic<int32_t> last_{0};
};

} // namespace gripline::cli
