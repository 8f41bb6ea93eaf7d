// How long after the simulator signals new data the engine starts its tick:
// the stand-in notes the performance counter right before each SetEvent,
// the engine notes TickStart when it sees the tick (meeting it as the
// program does, or woken by the event); both read the same counter, so the
// difference is the delay of the real engine thread under the real
// scheduler (a tick met by the watch may be seen just before the SetEvent).
// Run under Wine by scripts/bench.sh.
#include "bench/tick_to_wheel.h"
#include "common/qpc_clock_win32.h"
#include "engine/engine_platform_win32.h"
#include "engine/ffb_engine.h"
#include "telemetry/telemetry_source_win32.h"
#include "tests/support/standin_child_win32.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <map>
#include <sstream>
#include <vector>

using namespace gripline;
using namespace std::chrono_literals;

namespace {

// Tick starts noted by the engine thread into fixed storage: nothing on the
// tick path allocates or locks.
class TickStarts final : public EngineObserver {
  public:
    void onNewTick(const TelemetrySnapshot& s, int64_t tickStartNs) override {
        const uint32_t i = count_.load(std::memory_order_relaxed);
        if (i < entries_.size()) {
            entries_[i] = {s.TickCount, tickStartNs};
            count_.store(i + 1, std::memory_order_release);
        }
    }
    std::vector<std::pair<int32_t, int64_t>> take() const {
        const uint32_t n = count_.load(std::memory_order_acquire);
        return {entries_.begin(), entries_.begin() + n};
    }

  private:
    std::array<std::pair<int32_t, int64_t>, 8192> entries_{};
    std::atomic<uint32_t> count_{0};
};

} // namespace

int main() {
    constexpr int kSeconds = 20; // 1,200 ticks at 60 Hz
    const std::wstring timingLog = test::tempFile(L"timing");

    Win32TelemetrySource source;
    PlaceholderWheel wheel;
    Win32EnginePlatform platform;
    TickStarts starts;
    FfbEngine engine;
    engine.start({.telemetry = &source, .clock = &qpcClock(), .wheel = &wheel,
                  .platform = &platform, .observer = &starts, .meetTicks = true});

    test::StandinChild standin;
    if (!standin.start({L"--scenario", L"straight", L"--loop", L"--start-delay", L"1.5",
                        L"--exit-after", std::to_wstring(kSeconds), L"--timing-log", timingLog})) {
        std::fprintf(stderr, "tick_latency_bench: cannot start the simulator stand-in\n");
        return 1;
    }
    const int exitCode = standin.waitExit(std::chrono::seconds(kSeconds + 60));
    engine.stop();
    if (exitCode != 0) {
        std::fprintf(stderr, "tick_latency_bench: stand-in failed (%d): %s\n", exitCode,
                     standin.err().c_str());
        return 1;
    }

    std::map<int32_t, int64_t> signalled;
    std::istringstream lines(test::readFile(timingLog));
    int32_t tick = 0;
    int64_t ns = 0;
    while (lines >> tick >> ns)
        signalled[tick] = ns;

    std::vector<double> delaysUs;
    for (const auto& [t, startNs] : starts.take()) {
        const auto it = signalled.find(t);
        if (it != signalled.end())
            delaysUs.push_back(static_cast<double>(startNs - it->second) / 1000.0);
    }
    if (delaysUs.size() < 2) {
        std::fprintf(stderr, "tick_latency_bench: no ticks matched\n");
        return 1;
    }
    std::sort(delaysUs.begin(), delaysUs.end());
    std::printf("SetEvent to engine TickStart over %zu ticks (%zu published): p50 %.1f us, "
                "p99 %.1f us, max %.1f us\n",
                delaysUs.size(), signalled.size(), bench::percentile(delaysUs, 0.5),
                bench::percentile(delaysUs, 0.99), delaysUs.back());
    std::printf("@figure event_to_tick_p99_us %.1f\n", bench::percentile(delaysUs, 0.99));
    return 0;
}
