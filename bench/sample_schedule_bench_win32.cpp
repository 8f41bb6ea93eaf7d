// How late each output sample reaches requestedForce against its place on
// the schedule (TickStart + i × 2760 µs, or × 1380 µs in the interpolated
// mode), with the real engine thread under the real scheduler, and how much
// of a processor that thread takes in each mode, sleeping until shortly
// before each sample. Then, in the same run, the interpolated mode with the
// engine spinning through the whole tick instead (the busy-wait schedule,
// kept here only as the baseline). The stand-in loops its kerbs drive for a
// minute per run. Run under Wine by scripts/bench.sh.
#include "common/qpc_clock_win32.h"
#include "engine/engine_platform_win32.h"
#include "engine/ffb_engine.h"
#include "engine/tick_samples.h"
#include "telemetry/telemetry_source_win32.h"
#include "tests/support/standin_child_win32.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace gripline;
using namespace std::chrono_literals;

namespace {

constexpr int kSeconds = 60;

int64_t threadCpuNs(HANDLE thread) {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(thread, &created, &exited, &kernel, &user))
        return -1;
    auto ns = [](FILETIME t) {
        return static_cast<int64_t>((uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime) * 100;
    };
    return ns(kernel) + ns(user);
}

// Lateness of every sample into fixed storage; on the first tick it takes a
// handle to the engine thread and notes its CPU time.
class Lateness final : public EngineObserver {
  public:
    explicit Lateness(int64_t spacingNs) : spacingNs_(spacingNs) {}
    ~Lateness() override {
        if (thread_)
            CloseHandle(thread_);
    }
    void onNewTick(const TelemetrySnapshot&, int64_t tickStartNs) override {
        tickStartNs_ = tickStartNs;
        ticks_.fetch_add(1, std::memory_order_relaxed);
        if (!thread_.load()) {
            HANDLE h = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, GetCurrentThreadId());
            startCpuNs_ = threadCpuNs(h);
            startNs_ = tickStartNs;
            thread_.store(h);
        }
    }
    void onSample(int index, int64_t sentNs, int32_t) override {
        const uint32_t i = count_.load(std::memory_order_relaxed);
        if (i < late_.size()) {
            late_[i] = sentNs - (tickStartNs_ + index * spacingNs_);
            count_.store(i + 1, std::memory_order_release);
        }
    }
    std::vector<int64_t> take() const {
        return {late_.begin(), late_.begin() + count_.load(std::memory_order_acquire)};
    }
    uint32_t ticks() const { return ticks_.load(); }
    // Share of one processor since the first tick.
    double cpuShare() const {
        HANDLE h = thread_.load();
        if (!h)
            return -1;
        const int64_t cpu = threadCpuNs(h) - startCpuNs_;
        return static_cast<double>(cpu) / static_cast<double>(qpcClock().nowNs() - startNs_);
    }

  private:
    int64_t spacingNs_;
    int64_t tickStartNs_ = 0;
    std::atomic<HANDLE> thread_{nullptr};
    int64_t startCpuNs_ = 0;
    int64_t startNs_ = 0;
    std::array<int64_t, 1 << 17> late_{};
    std::atomic<uint32_t> count_{0};
    std::atomic<uint32_t> ticks_{0};
};

// The engine's clock with every deadline spun for, as the engine did before
// it learnt to sleep: the baseline of the same run.
class BusyWaitClock final : public Clock {
  public:
    int64_t nowNs() override { return qpcClock().nowNs(); }
    void sleepNs(int64_t ns) override { qpcClock().sleepNs(ns); }
    void spinUntil(int64_t deadlineNs) override { qpcClock().spinUntil(deadlineNs); }
    void waitUntil(int64_t deadlineNs) override { qpcClock().spinUntil(deadlineNs); }
};

double percentileUs(const std::vector<int64_t>& sorted, double p) {
    return static_cast<double>(
               sorted[static_cast<size_t>(p * static_cast<double>(sorted.size() - 1))]) /
           1000.0;
}

bool runMode(int32_t mode, Clock& clock, const char* figurePrefix) {
    Win32TelemetrySource source;
    PlaceholderWheel wheel;
    Win32EnginePlatform platform;
    // 1 MB of samples: on the heap, not the stack.
    auto owned =
        std::make_unique<Lateness>(mode == 1 ? kInterpolatedSpacingNs : kTelemetrySpacingNs);
    Lateness& lateness = *owned;
    FfbEngine engine;
    FfbSettings settings;
    settings.Mode = mode;
    engine.storeSettings(settings);
    engine.start({.telemetry = &source,
                  .clock = &clock,
                  .wheel = &wheel,
                  .platform = &platform,
                  .observer = &lateness});

    test::StandinChild standin;
    if (!standin.start({L"--scenario", L"kerbs", L"--loop", L"--start-delay", L"1.5",
                        L"--exit-after", std::to_wstring(kSeconds)})) {
        std::fprintf(stderr, "sample_schedule_bench: cannot start the simulator stand-in\n");
        return false;
    }
    const int exitCode = standin.waitExit(std::chrono::seconds(kSeconds + 60));
    const double cpu = lateness.cpuShare();
    const std::wstring timing = engine.readStatus().SampleTiming;
    engine.stop();
    std::vector<int64_t> late = lateness.take();
    if (exitCode != 0 || late.size() < 2) {
        std::fprintf(stderr, "sample_schedule_bench: stand-in failed (%d) or no samples: %s\n",
                     exitCode, standin.err().c_str());
        return false;
    }
    std::sort(late.begin(), late.end());
    const double p99 = percentileUs(late, 0.99);
    const double max = static_cast<double>(late.back()) / 1000.0;
    std::printf("mode %d (%s, %s): %zu samples of %u ticks (%d published) over %d s, lateness "
                "p50 %.1f us, p99 %.1f us, max %.1f us; engine thread CPU %.1f%% of one core\n",
                mode, mode == 1 ? "interpolated, 1380 us" : "telemetry, 2760 us",
                &clock == &qpcClock() ? "sleeping" : "busy-wait baseline", late.size(),
                lateness.ticks(), kSeconds * 60, kSeconds, percentileUs(late, 0.5), p99, max,
                cpu * 100.0);
    if (&clock == &qpcClock())
        std::printf("  %s\n", std::string(timing.begin(), timing.end()).c_str()); // ASCII
    std::printf("@figure %slateness_p99_us %.1f\n@figure %slateness_max_us %.1f\n"
                "@figure %scpu_percent %.1f\n",
                figurePrefix, p99, figurePrefix, max, figurePrefix, cpu * 100.0);
    return true;
}

} // namespace

int main() {
    BusyWaitClock busyWait;
    return runMode(0, qpcClock(), "mode0_") && runMode(1, qpcClock(), "mode1_") &&
                   runMode(1, busyWait, "busywait_mode1_")
               ? 0
               : 1;
}
