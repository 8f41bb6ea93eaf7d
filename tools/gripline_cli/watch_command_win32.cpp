// `gripline watch`: runs the real engine thread against the simulator's live
// shared memory and prints every change of its published status, the way
// the window's status bar and session log will show them. With --wheel it
// drives the first force-feedback wheel DirectInput lists; otherwise a
// placeholder that moves nothing.
#include "common/hidden_window_win32.h"
#include "common/qpc_clock_win32.h"
#include "engine/dinput_wheel_win32.h"
#include "engine/engine_platform_win32.h"
#include "engine/ffb_output.h"
#include "engine/ffb_engine.h"
#include "engine/simulator_commands_win32.h"
#include "engine/simulator_handoff.h"
#include "telemetry/session_scanner.h"
#include "telemetry/telemetry_source_win32.h"
#include "telemetry/text_decoding.h"
#include "tools/gripline_cli/gripline_cli.h"
#include "tools/gripline_cli/tick_counter.h"

#include <chrono>
#include <cstdio>
#include <ostream>
#include <string>
#include <thread>

namespace gripline::cli {

namespace {

struct WatchOptions {
    double seconds = 60;
    bool untilDisconnect = false;
    bool wheel = false; // drive the first force-feedback wheel found
};

bool parseWatchOptions(Args args, WatchOptions& options, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (argumentIs(args[i], "--until-disconnect")) {
            options.untilDisconnect = true;
        } else if (argumentIs(args[i], "--wheel")) {
            options.wheel = true;
        } else if (argumentIs(args[i], "--seconds") && i + 1 < args.size()) {
            const std::string text = args[++i].string();
            char* end = nullptr;
            options.seconds = std::strtod(text.c_str(), &end);
            if (end == text.c_str() || *end != '\0' || !(options.seconds > 0)) {
                error = "--seconds needs a positive number, not \"" + text + "\"";
                return false;
            }
        } else {
            error = "watch: unexpected argument \"" + args[i].string() + "\"";
            return false;
        }
    }
    return true;
}

std::string narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

std::string describe(const EngineStatus& s) {
    std::string line = s.Connected ? "connected" : "not connected";
    line += s.OnTrack ? ", on track" : ", off track";
    // Names as UTF-8: the simulator's drivers are named in any script.
    line += "  car " + wideToUtf8(s.CarName) + "  driver " + wideToUtf8(s.DriverName);
    if (s.DriverUserId > 0)
        line += " (" + std::to_string(s.DriverUserId) + ")";
    return line;
}

void printReport(std::ostream& out, double at, const EngineStatus& s) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "%8.3f s  FFB output report: %u samples, %u non-zero, peak %d; clipping %.1f%%\n",
                  at, s.ReportSamples, s.ReportNonZero, s.ReportPeak,
                  static_cast<double>(s.ClipPercent));
    out << text;
}

} // namespace

int watchCommand(Args args, std::ostream& out, std::ostream& err) {
    WatchOptions options;
    std::string error;
    if (!parseWatchOptions(args, options, error))
        return fail(err, error);

    HiddenWindow window; // the wheel is acquired exclusively for a window of ours
    Win32TelemetrySource source;
    PlaceholderWheel placeholder;
    DirectInputWheel directInput;
    FfbOutput output(directInput, qpcClock());
    Win32EnginePlatform platform;
    TickCounter ticks;
    TextSessionScanner scanner;
    BroadcastSimulatorCommands commands;
    // As in a real run the simulator's own force feedback is muted while
    // connected and given back at the end.
    MaxForceHandOff handOff(commands);
    FfbEngine engine;
    EnginePorts ports{.telemetry = &source, .clock = &qpcClock(), .wheel = &placeholder,
                      .scanner = &scanner, .handOff = &handOff, .platform = &platform,
                      .observer = &ticks, .meetTicks = true};
    if (options.wheel) {
        const std::vector<FfbDeviceEntry> devices = enumerateDevices();
        const std::wstring message = deviceListMessage(devices);
        out << narrow(message) << std::endl;
        if (devices.empty())
            return fail(err, narrow(message));
        out << "wheel: " << narrow(devices.front().productName) << std::endl;
        ports.wheel = &output;
        ports.device = devices.front().instanceGuid;
        ports.window = window.get();
    }
    engine.start(ports);

    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::duration<double>(options.seconds);
    std::string shown;
    uint32_t reportsShown = 0;
    uint32_t errorsShown = 0;
    bool wasConnected = false;
    while (std::chrono::steady_clock::now() < deadline) {
        const EngineStatus status = engine.readStatus();
        const double at = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const std::string line = describe(status);
        if (line != shown) {
            char stamp[32];
            std::snprintf(stamp, sizeof stamp, "%8.3f s  ", at);
            out << stamp << line << std::endl;
            shown = line;
        }
        if (status.OutputErrorCount != errorsShown) {
            errorsShown = status.OutputErrorCount;
            char text[96];
            std::snprintf(text, sizeof text, "%8.3f s  DirectInput FFB error: 0x%08X (%s)\n", at,
                          static_cast<unsigned>(status.OutputLastError),
                          hresultName(status.OutputLastError));
            out << text;
        }
        if (status.OutputReportCount != reportsShown) {
            reportsShown = status.OutputReportCount;
            printReport(out, at, status);
        }
        if (options.untilDisconnect && wasConnected && !status.Connected)
            break;
        wasConnected = wasConnected || status.Connected;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    engine.stop();
    out << ticks.summary() << std::endl;
    return 0;
}

} // namespace gripline::cli
