// The engine at work under Wine with its real output thread on the virtual
// wheel, a minute per run while the stand-in loops its kerbs drive:
//  - how late each output sample reaches requestedForce against its place
//    on the schedule (TickStart + i × 2760 µs, or × 1380 µs interpolated);
//  - from the stand-in's publish of each tick (its timing log, taken just
//    before SetEvent) to the wheel's SetParameters carrying the tick's first
//    sample (the wheel's own log), both on the same performance counter;
//  - the processor share of the engine thread and of the whole process
//    (output thread and DirectInput's threads included) while driving.
// Each mode runs sleeping until shortly before each sample and meeting each
// tick, as the program does; then, in the same run, the interpolated mode
// with the engine waiting on the event and spinning through the whole tick
// (the busy-wait schedule, kept here only as the baseline). Before them, how
// late the machine itself wakes a sleeping thread. Run under Wine
// with WINEDLLOVERRIDES=dinput8=n,b by scripts/bench.sh.
#include "bench/tick_to_wheel.h"
#include "common/hidden_window_win32.h"
#include "common/qpc_clock_win32.h"
#include "engine/dinput_wheel_win32.h"
#include "engine/engine_platform_win32.h"
#include "engine/ffb_engine.h"
#include "engine/ffb_output.h"
#include "engine/forwarding_wheel_port.h"
#include "engine/tick_samples.h"
#include "telemetry/telemetry_source_win32.h"
#include "tests/support/standin_child_win32.h"
#include "tests/support/wheel_log.h"

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace gripline;
using namespace std::chrono_literals;

namespace {

constexpr int kSeconds = 60;
// Past the output stage's start delay and fade-in, which shape the force
// on its way to the wheel for the first 3 s.
constexpr int64_t kRampedAfterNs = 4'000'000'000;

int64_t filetimeNs(FILETIME t) {
    return static_cast<int64_t>((uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime) * 100;
}

int64_t threadCpuNs(HANDLE thread) {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(thread, &created, &exited, &kernel, &user))
        return -1;
    return filetimeNs(kernel) + filetimeNs(user);
}

// Every thread of this process, the one hosting the engine.
int64_t processCpuNs() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return -1;
    return filetimeNs(kernel) + filetimeNs(user);
}

// The processor time of each thread of this process so far, by thread id.
std::map<DWORD, int64_t> threadCpuById() {
    std::map<DWORD, int64_t> cpu;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return cpu;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != GetCurrentProcessId())
            continue;
        if (HANDLE h = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID)) {
            cpu[entry.th32ThreadID] = threadCpuNs(h);
            CloseHandle(h);
        }
    }
    CloseHandle(snapshot);
    return cpu;
}

// The output thread's id, noted as it starts.
class OutputThreadNote final : public ForwardingWheelPort {
  public:
    using ForwardingWheelPort::ForwardingWheelPort;
    void enterOutputThread() override {
        id.store(GetCurrentThreadId());
        ForwardingWheelPort::enterOutputThread();
    }
    std::atomic<DWORD> id{0};
};

// Where the process's time went while driving: each thread's share of one
// processor, the engine's and the output stage's by name.
void printThreadShares(const std::map<DWORD, int64_t>& before, DWORD engine, DWORD output,
                       int64_t wallNs) {
    std::string line = "  threads (share of one core while driving):";
    for (const auto& [id, ns] : threadCpuById()) {
        const auto start = before.find(id);
        const int64_t used = ns - (start == before.end() ? 0 : start->second);
        const char* name = id == engine ? "engine" : id == output ? "output" :
                           id == GetCurrentThreadId() ? "bench" : "other";
        char part[64];
        std::snprintf(part, sizeof part, " %s %.1f%%", name,
                      100.0 * static_cast<double>(used) / static_cast<double>(wallNs));
        line += part;
    }
    std::printf("%s\n", line.c_str());
}

// Lateness of every sample into fixed storage, beside the samples written;
// on the first tick it takes a handle to the engine thread and notes its
// CPU time.
class Lateness final : public bench::WrittenSamples {
  public:
    explicit Lateness(int64_t spacingNs) : spacingNs_(spacingNs) {}
    ~Lateness() override {
        if (thread_)
            CloseHandle(thread_);
    }
    void onNewTick(const TelemetrySnapshot& s, int64_t tickStartNs) override {
        WrittenSamples::onNewTick(s, tickStartNs);
        scheduleStartNs_ = tickStartNs; // an end-stop tick has no schedule of its own
        ticks_.fetch_add(1, std::memory_order_relaxed);
        if (!thread_.load()) {
            HANDLE h = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, GetCurrentThreadId());
            startCpuNs_ = threadCpuNs(h);
            startNs_ = tickStartNs;
            thread_.store(h);
        }
    }
    void onSampleSchedule(int64_t startNs) override { scheduleStartNs_ = startNs; }
    void onSample(int index, int64_t sentNs, int32_t magnitude) override {
        WrittenSamples::onSample(index, sentNs, magnitude);
        const uint32_t i = count_.load(std::memory_order_relaxed);
        if (i < late_.size()) {
            late_[i] = sentNs - (scheduleStartNs_ + index * spacingNs_);
            count_.store(i + 1, std::memory_order_release);
        }
    }
    // Sorted, in µs.
    std::vector<double> latenessUs() const {
        std::vector<double> us;
        for (uint32_t i = 0; i < count_.load(std::memory_order_acquire); ++i)
            us.push_back(static_cast<double>(late_[i]) / 1000.0);
        std::sort(us.begin(), us.end());
        return us;
    }
    uint32_t ticks() const { return ticks_.load(); }
    DWORD threadId() const {
        HANDLE h = thread_.load();
        return h ? GetThreadId(h) : 0;
    }
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
    int64_t scheduleStartNs_ = 0;
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

struct Run {
    int32_t mode;
    Clock* clock;
    bool meetTicks;
    const char* name;         // for the printed lines
    const char* figurePrefix; // of the @figure names
};

std::vector<bench::WheelUpdate> wheelUpdates(const std::wstring& wheelLog) {
    std::vector<bench::WheelUpdate> updates;
    for (const test::WheelEvent& e :
         test::magnitudes(test::parseWheelLog(test::readFile(wheelLog))))
        updates.push_back({e.atUs, e.number()});
    return updates;
}

void printLateness(const Run& run, const Lateness& lateness, const std::vector<double>& late,
                   double engineCpu) {
    std::printf("mode %d (%s, %s): %zu samples of %u ticks (%d published) over %d s, lateness "
                "p50 %.1f us, p99 %.1f us, p99.9 %.1f us, max %.1f us; engine thread CPU %.1f%% "
                "of one core\n",
                run.mode, run.mode == 1 ? "interpolated, 1380 us" : "telemetry, 2760 us", run.name,
                late.size(), lateness.ticks(), kSeconds * 60, kSeconds,
                bench::percentile(late, 0.5), bench::percentile(late, 0.99),
                bench::percentile(late, 0.999), late.back(), engineCpu * 100.0);
    std::printf("@figure %slateness_p99_us %.1f\n@figure %slateness_p999_us %.1f\n"
                "@figure %slateness_max_us %.1f\n@figure %scpu_percent %.1f\n",
                run.figurePrefix, bench::percentile(late, 0.99), run.figurePrefix,
                bench::percentile(late, 0.999), run.figurePrefix, late.back(), run.figurePrefix,
                engineCpu * 100.0);
}

void printTickToWheel(const Run& run, const bench::TickToWheel& t, double processCpu) {
    const std::vector<double>& d = t.delaysUs;
    std::printf("  tick to wheel (publish to the SetParameters carrying the tick's first sample): "
                "%zu of %zu ticks published past the ramp matched (%zu unchanged, %zu at a "
                "slew-limited step), p50 %.1f us, "
                "p99 %.1f us, p99.9 %.1f us, max %.1f us; process CPU %.1f%% of one core\n",
                t.matched(), t.published, t.unchanged, t.slewed, bench::percentile(d, 0.5),
                bench::percentile(d, 0.99), bench::percentile(d, 0.999), d.back(),
                processCpu * 100.0);
    const std::vector<double>& w = t.toWriteUs;
    const std::vector<double>& seen = t.toSeenUs;
    std::printf("    of which publish to the engine's write of that sample: p50 %.1f us, p90 %.1f us, "
                "p99 %.1f us; to the engine seeing the tick: p50 %.1f us, p90 %.1f us, p99 %.1f us\n",
                bench::percentile(w, 0.5), bench::percentile(w, 0.9), bench::percentile(w, 0.99),
                bench::percentile(seen, 0.5), bench::percentile(seen, 0.9),
                bench::percentile(seen, 0.99));
    std::printf("    ticks over %.0f us: %zu, of which %zu came while the engine still wrote the "
                "tick before's samples, %zu were published over %.0f us late by the simulator "
                "too (the machine stalled it)\n",
                bench::kLateUs, t.late, t.lateEngineBehind, t.lateSimulatorLate, bench::kLateUs);
    const std::vector<double>& c = t.computeUs;
    std::printf("    the tick's computation (seen to write): p50 %.1f us, p90 %.1f us, p99 %.1f us\n",
                bench::percentile(c, 0.5), bench::percentile(c, 0.9), bench::percentile(c, 0.99));
    std::printf("@figure %stick_to_wheel_p50_us %.1f\n@figure %stick_to_wheel_p99_us %.1f\n"
                "@figure %stick_to_wheel_p999_us %.1f\n@figure %sprocess_cpu_percent %.1f\n",
                run.figurePrefix, bench::percentile(d, 0.5), run.figurePrefix,
                bench::percentile(d, 0.99), run.figurePrefix, bench::percentile(d, 0.999),
                run.figurePrefix, processCpu * 100.0);
}

// How late this machine wakes a thread from a 1 ms sleep (NtDelayExecution,
// the engine's sleep under Wine), for 10 s before the runs: the floor under
// every sleeping figure below, whatever the engine does.
void printMachineWakeUps() {
    using NtDelayExecutionFn = long(__stdcall*)(unsigned char, const LARGE_INTEGER*);
    const auto delay = reinterpret_cast<NtDelayExecutionFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtDelayExecution")));
    if (!delay)
        return;
    constexpr int kSleeps = 10'000;
    std::vector<double> lateUs;
    lateUs.reserve(kSleeps);
    const LARGE_INTEGER oneMs{.QuadPart = -10'000}; // relative, 100 ns units
    for (int i = 0; i < kSleeps; ++i) {
        const int64_t start = qpcClock().nowNs();
        delay(FALSE, &oneMs);
        lateUs.push_back(static_cast<double>(qpcClock().nowNs() - start - kNsPerMs) / 1000.0);
    }
    std::sort(lateUs.begin(), lateUs.end());
    const auto overMs = std::count_if(lateUs.begin(), lateUs.end(), [](double us) { return us > 1000; });
    std::printf("machine: a 1 ms sleep wakes late by p50 %.1f us, p99 %.1f us, p99.9 %.1f us, max "
                "%.1f us; %td of %d over 1 ms late\n",
                bench::percentile(lateUs, 0.5), bench::percentile(lateUs, 0.99),
                bench::percentile(lateUs, 0.999), lateUs.back(), overMs, kSleeps);
}

bool runMode(const Run& run) {
    // A log of its own per run: the virtual wheel starts a new session when
    // the variable changes.
    const std::wstring wheelLog = test::tempFile(L"schedwheel");
    const std::wstring timingLog = test::tempFile(L"schedtiming");
    SetEnvironmentVariableW(L"GRIPLINE_WHEEL_LOG", wheelLog.c_str());
    std::vector<FfbDeviceEntry> devices;
    test::waitFor([&] { return !(devices = enumerateDevices()).empty(); }, 60s);
    if (devices.empty()) {
        std::fprintf(stderr,
                     "sample_schedule_bench: no wheel (run with WINEDLLOVERRIDES=dinput8=n,b)\n");
        return false;
    }
    HiddenWindow window; // the wheel is acquired exclusively for a window of ours
    Win32TelemetrySource source;
    DirectInputWheel wheel;
    OutputThreadNote port(wheel);
    FfbOutput output(port, qpcClock());
    Win32EnginePlatform platform;
    // 4 MB of samples: on the heap, not the stack.
    auto owned =
        std::make_unique<Lateness>(run.mode == 1 ? kInterpolatedSpacingNs : kTelemetrySpacingNs);
    Lateness& lateness = *owned;
    FfbEngine engine;
    FfbSettings settings;
    settings.Mode = run.mode;
    engine.storeSettings(settings);
    engine.start({.telemetry = &source,
                  .clock = run.clock,
                  .wheel = &output,
                  .platform = &platform,
                  .observer = &lateness,
                  .meetTicks = run.meetTicks,
                  .window = window.get(),
                  .device = devices.front().instanceGuid});

    test::StandinChild standin;
    if (!standin.start({L"--scenario", L"kerbs", L"--loop", L"--start-delay", L"1.5",
                        L"--exit-after", std::to_wstring(kSeconds), L"--timing-log", timingLog})) {
        std::fprintf(stderr, "sample_schedule_bench: cannot start the simulator stand-in\n");
        return false;
    }
    // Driving: from the first tick read to the stand-in's exit.
    test::waitFor([&] { return lateness.ticks() > 0; }, 60s);
    const int64_t cpuStartNs = processCpuNs();
    const auto threadsStartNs = threadCpuById();
    const int64_t wallStartNs = qpcClock().nowNs();
    const int exitCode = standin.waitExit(std::chrono::seconds(kSeconds + 60));
    const int64_t wallNs = qpcClock().nowNs() - wallStartNs;
    const double processCpu =
        static_cast<double>(processCpuNs() - cpuStartNs) / static_cast<double>(wallNs);
    printThreadShares(threadsStartNs, lateness.threadId(), port.id.load(), wallNs);
    const double engineCpu = lateness.cpuShare();
    const std::wstring timing = engine.readStatus().SampleTiming;
    engine.stop();
    const std::vector<double> late = lateness.latenessUs();
    const bench::TickToWheel tickToWheel = bench::matchTicksToWheel(
        bench::parseTimingLog(test::readFile(timingLog)), lateness.samples(),
        wheelUpdates(wheelLog), lateness.firstTickNs.load() + kRampedAfterNs);
    DeleteFileW(wheelLog.c_str());
    DeleteFileW(timingLog.c_str());
    if (exitCode != 0 || late.size() < 2 || tickToWheel.matched() < 2) {
        std::fprintf(stderr,
                     "sample_schedule_bench: stand-in failed (%d), or no samples (%zu) or no "
                     "tick reached the wheel (%zu): %s\n",
                     exitCode, late.size(), tickToWheel.matched(), standin.err().c_str());
        return false;
    }
    printLateness(run, lateness, late, engineCpu);
    if (run.clock == &qpcClock())
        std::printf("  %s\n", std::string(timing.begin(), timing.end()).c_str()); // ASCII
    printTickToWheel(run, tickToWheel, processCpu);
    return true;
}

} // namespace

int main() {
    BusyWaitClock busyWait;
    const Run runs[] = {
        {0, &qpcClock(), true, "sleeping, meeting ticks", "mode0_"},
        {1, &qpcClock(), true, "sleeping, meeting ticks", "mode1_"},
        {1, &busyWait, false, "busy-wait baseline", "busywait_mode1_"},
    };
    printMachineWakeUps();
    for (const Run& run : runs)
        if (!runMode(run))
            return 1;
    return 0;
}
