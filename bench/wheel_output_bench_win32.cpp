// The output stage at work under Wine: the engine drives the virtual wheel
// while the stand-in plays a kerb-heavy drive. Prints how many updates per
// second reach the wheel once force is flowing, and how long a new requested
// force takes to reach the device (engine's exchange to the wheel's
// SetParameters carrying it; both timed on the same performance counter),
// and from the stand-in's publish of a tick to the update carrying the
// tick's first sample.
//
// With `--pid TOOL DESCRIPTOR` the same drive plays on the PID wheel through
// Wine's own dinput8 (installed in the current prefix first): the figures
// are then the output loops per second, one SetParameters call's time, the
// time from a new requested force to the Set Constant Force report the
// wheel's driver receives (its own performance-counter time), and from the
// stand-in's publish to the report carrying the tick's first sample.
//
//   wheel_output_bench [--pid TOOL DESCRIPTOR]
#include "bench/tick_to_wheel.h"
#include "common/hidden_window_win32.h"
#include "common/qpc_clock_win32.h"
#include "engine/dinput_wheel_win32.h"
#include "engine/engine_platform_win32.h"
#include "engine/ffb_engine.h"
#include "engine/ffb_output.h"
#include "telemetry/telemetry_source_win32.h"
#include "tests/support/pid_wheel_child_win32.h"
#include "tests/support/standin_child_win32.h"
#include "tests/support/watched_wheel_port_win32.h"
#include "tests/support/wheel_log.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

using namespace gripline;
using namespace std::chrono_literals;

namespace {

// From each change of the requested force to the first update carrying it.
std::vector<double> deliveryDelaysUs(const std::vector<bench::WrittenSample>& requested,
                                     const std::vector<test::WheelEvent>& sent, int64_t fromUs) {
    std::vector<double> delays;
    size_t w = 0;
    for (size_t i = 1; i < requested.size(); ++i) {
        const int64_t atUs = requested[i].sentNs / 1000;
        if (atUs < fromUs || requested[i].magnitude == requested[i - 1].magnitude)
            continue;
        while (w < sent.size() && sent[w].atUs < atUs)
            ++w;
        for (size_t k = w; k < sent.size() && sent[k].atUs < atUs + 20'000; ++k)
            if (sent[k].number() == requested[i].magnitude) {
                delays.push_back(static_cast<double>(sent[k].atUs - atUs));
                break;
            }
    }
    std::sort(delays.begin(), delays.end());
    return delays;
}

} // namespace

int main(int argc, char** argv) {
    const bool pid = argc == 4 && std::string(argv[1]) == "--pid";
    const std::wstring logPath = test::tempFile(L"wheelbench");
    const std::wstring timingLog = test::tempFile(L"wheeltiming");
    std::optional<test::PidWheelChild> pidWheel;
    if (pid) {
        const auto wide = [](const char* text) {
            return std::wstring(text, text + std::strlen(text));
        };
        pidWheel.emplace(wide(argv[2]), logPath);
        std::string error;
        if (!pidWheel->install(wide(argv[3]), L"OpenFFBoard", error)) {
            std::fprintf(stderr, "wheel_output_bench: the PID wheel did not install: %s\n",
                         error.c_str());
            return 1;
        }
    } else {
        SetEnvironmentVariableW(L"GRIPLINE_WHEEL_LOG", logPath.c_str());
    }
    std::vector<FfbDeviceEntry> devices;
    test::waitFor([&] { return !(devices = enumerateDevices()).empty(); }, 60s);
    if (devices.empty()) {
        std::fprintf(stderr, "wheel_output_bench: no wheel (run with WINEDLLOVERRIDES=dinput8=n,b, "
                             "or --pid)\n");
        return 1;
    }
    HiddenWindow window; // the wheel is acquired exclusively for a window of ours
    Win32TelemetrySource source;
    test::WatchedWheelPort port;
    FfbOutput output(port, qpcClock());
    Win32EnginePlatform platform;
    // 3 MB of samples: on the heap, not the stack.
    const auto written = std::make_unique<bench::WrittenSamples>();
    bench::WrittenSamples& drive = *written;
    FfbEngine engine;
    engine.start({.telemetry = &source,
                  .clock = &qpcClock(),
                  .wheel = &output,
                  .platform = &platform,
                  .observer = &drive,
                  .meetTicks = true, // as the program runs
                  .window = window.get(),
                  .device = devices.front().instanceGuid});

    test::StandinChild standin;
    if (!standin.start({L"--scenario", L"kerbs", L"--loop", L"--start-delay", L"1", L"--exit-after",
                        L"15", L"--timing-log", timingLog}) ||
        standin.waitExit(90s) != 0) {
        std::fprintf(stderr, "wheel_output_bench: the stand-in failed: %s\n",
                     standin.err().c_str());
        return 1;
    }
    engine.stop();

    // Steady running: from 4 s after output was enabled (past the ramp) to
    // the last tick.
    const int64_t fromUs = drive.firstTickNs.load() / 1000 + 4'000'000;
    const int64_t toUs = drive.lastTickNs.load() / 1000;
    const std::vector<test::WheelEvent> sent =
        test::magnitudes(pid ? pidWheel->events() : test::parseWheelLog(test::readFile(logPath)));
    const auto updates =
        std::count_if(port.updates.begin(), port.updates.end(), [&](const auto& u) {
            return u.startNs / 1000 >= fromUs && u.startNs / 1000 < toUs;
        });
    std::vector<double> calls;
    for (const auto& u : port.updates)
        calls.push_back(static_cast<double>(u.endNs - u.startNs) / 1000.0);
    std::sort(calls.begin(), calls.end());
    const std::vector<double> delays = deliveryDelaysUs(drive.samples(), sent, fromUs);
    std::vector<bench::WheelUpdate> received;
    for (const test::WheelEvent& e : sent)
        received.push_back({e.atUs, e.number()});
    const bench::TickToWheel ticks = bench::matchTicksToWheel(
        bench::parseTimingLog(test::readFile(timingLog)), drive.samples(), received, fromUs * 1000);
    if (toUs <= fromUs || delays.empty() || ticks.matched() < 2) {
        std::fprintf(stderr, "wheel_output_bench: no steady running to measure\n");
        return 1;
    }
    const double loops = static_cast<double>(updates) * 1e6 / static_cast<double>(toUs - fromUs);
    const char* wheel = pid ? "the PID wheel (Wine's dinput8)" : "the virtual wheel";
    const char* prefix = pid ? "pid_" : "";
    std::printf("%s: output loops while running: %.0f per second (target at least 1000)\n", wheel,
                loops);
    std::printf("%s: one SetParameters: p50 %.0f us, p99 %.0f us\n", wheel,
                bench::percentile(calls, 0.5), bench::percentile(calls, 0.99));
    std::printf("%s: requestedForce to the %s carrying it, over %zu changes: p50 %.0f us, "
                "p99 %.0f us\n",
                wheel, pid ? "Set Constant Force report" : "SetParameters", delays.size(),
                bench::percentile(delays, 0.5), bench::percentile(delays, 0.99));
    std::printf("@figure %soutput_loops_per_second %.0f\n", prefix, loops);
    std::printf("@figure %sset_parameters_p99_us %.0f\n", prefix, bench::percentile(calls, 0.99));
    std::printf("%s: simulator tick to the %s carrying its first sample, %zu of %zu ticks "
                "matched (%zu unchanged): p50 %.0f us, p99 %.0f us\n",
                wheel, pid ? "Set Constant Force report" : "SetParameters", ticks.matched(),
                ticks.published, ticks.unchanged, bench::percentile(ticks.delaysUs, 0.5),
                bench::percentile(ticks.delaysUs, 0.99));
    // Without --pid the same figure comes from sample_schedule_bench, per mode.
    if (pid)
        std::printf("@figure pid_tick_to_report_p99_us %.0f\n",
                    bench::percentile(ticks.delaysUs, 0.99));
    const char* delay = pid ? "force_to_report" : "force_to_device";
    std::printf("@figure %s%s_p50_us %.0f\n@figure %s%s_p99_us %.0f\n", prefix, delay,
                bench::percentile(delays, 0.5), prefix, delay, bench::percentile(delays, 0.99));
    return 0;
}
