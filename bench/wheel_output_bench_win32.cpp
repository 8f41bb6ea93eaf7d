// The output stage at work under Wine: the engine drives the virtual wheel
// while the stand-in plays a kerb-heavy drive. Prints how many updates per
// second reach the wheel once force is flowing, and how long a new requested
// force takes to reach the device (engine's exchange to the wheel's
// SetParameters carrying it; both timed on the same performance counter).
#include "common/hidden_window_win32.h"
#include "common/qpc_clock_win32.h"
#include "engine/dinput_wheel_win32.h"
#include "engine/engine_platform_win32.h"
#include "engine/ffb_engine.h"
#include "engine/ffb_output.h"
#include "telemetry/telemetry_source_win32.h"
#include "tests/support/drive_log.h"
#include "tests/support/standin_child_win32.h"
#include "tests/support/wheel_log.h"

#include <algorithm>
#include <cstdio>

using namespace gripline;
using namespace std::chrono_literals;

namespace {

double percentile(const std::vector<double>& sorted, double p) {
    const size_t i = static_cast<size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[std::min(i, sorted.size() - 1)];
}

// From each change of the requested force to the first update carrying it.
std::vector<double> deliveryDelaysUs(const std::vector<test::DriveLog::Sample>& requested,
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

int main() {
    const std::wstring logPath = test::tempFile(L"wheelbench");
    SetEnvironmentVariableW(L"GRIPLINE_WHEEL_LOG", logPath.c_str());
    const std::vector<FfbDeviceEntry> devices = enumerateDevices();
    if (devices.empty()) {
        std::fprintf(stderr, "wheel_output_bench: no wheel (run with WINEDLLOVERRIDES=dinput8=n,b)\n");
        return 1;
    }
    HiddenWindow window; // the wheel is acquired exclusively for a window of ours
    Win32TelemetrySource source;
    DirectInputWheel port;
    FfbOutput output(port, qpcClock());
    Win32EnginePlatform platform;
    test::DriveLog drive;
    FfbEngine engine;
    engine.start({.telemetry = &source, .clock = &qpcClock(), .wheel = &output,
                  .platform = &platform, .observer = &drive, .window = window.get(),
                  .device = devices.front().instanceGuid});

    test::StandinChild standin;
    if (!standin.start({L"--scenario", L"kerbs", L"--loop", L"--start-delay", L"1",
                        L"--exit-after", L"15"}) ||
        standin.waitExit(90s) != 0) {
        std::fprintf(stderr, "wheel_output_bench: the stand-in failed: %s\n", standin.err().c_str());
        return 1;
    }
    engine.stop();

    // Steady running: from 4 s after output was enabled (past the ramp) to
    // the last tick.
    const int64_t fromUs = drive.firstTickNs.load() / 1000 + 4'000'000;
    const int64_t toUs = drive.lastTickNs.load() / 1000;
    const std::vector<test::WheelEvent> sent = test::magnitudes(test::parseWheelLog(test::readFile(logPath)));
    const auto updates = std::count_if(sent.begin(), sent.end(), [&](const test::WheelEvent& e) {
        return e.atUs >= fromUs && e.atUs < toUs;
    });
    const std::vector<double> delays = deliveryDelaysUs(drive.samples(), sent, fromUs);
    if (toUs <= fromUs || delays.empty()) {
        std::fprintf(stderr, "wheel_output_bench: no steady running to measure\n");
        return 1;
    }
    const double loops = static_cast<double>(updates) * 1e6 / static_cast<double>(toUs - fromUs);
    std::printf("output loops while running: %.0f per second (target at least 1000)\n", loops);
    std::printf("requestedForce to the SetParameters carrying it, over %zu changes: p50 %.0f us, "
                "p99 %.0f us\n",
                delays.size(), percentile(delays, 0.5), percentile(delays, 0.99));
    std::printf("@figure output_loops_per_second %.0f\n@figure force_to_device_p50_us %.0f\n"
                "@figure force_to_device_p99_us %.0f\n",
                loops, percentile(delays, 0.5), percentile(delays, 0.99));
    return 0;
}
