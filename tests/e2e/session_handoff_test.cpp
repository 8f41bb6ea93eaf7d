// The real engine thread under Wine, with the real session scanner and the
// real broadcast of the simulator's remote commands, against the simulator
// stand-in in another process: the status shows the car and driver of the
// session text the stand-in publishes, and the stand-in logs every
// maximum-force command it receives.
#include "common/qpc_clock_win32.h"
#include "engine/engine_platform_win32.h"
#include "engine/ffb_engine.h"
#include "engine/simulator_commands_win32.h"
#include "engine/simulator_handoff.h"
#include "telemetry/session_scanner.h"
#include "telemetry/telemetry_source_win32.h"
#include "tests/support/standin_child_win32.h"
#include "tools/simulator_standin/broadcast_listener_win32.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace gripline {
namespace {

using namespace std::chrono_literals;
using test::readFile;
using test::StandinChild;
using test::tempFile;
using test::waitFor;
using test::windowsPath;

const std::wstring kF4Session = windowsPath(GRIPLINE_FIXTURES "/session_f4_tsukuba.yaml");

// Sent by the test after the engine has stopped. The engine's commands were
// sent before its thread was joined, so once the marker is in the log every
// command of the engine is there too.
constexpr uint32_t kMarkerWParam = 0xFFFF;
constexpr int32_t kMarkerLParam = 4242;
const std::string kMarkerLine = "wparam=65535 lparam=4242\n";

FfbSettings simucube(int32_t forceStrength) {
    FfbSettings settings;
    settings.SimucubeMode = 1;
    settings.ForceStrength = forceStrength;
    return settings;
}

class SessionAndHandOffUnderWine : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "broadcasts reach windows only with an X display (scripts/wine-session.sh)";
    }
    void TearDown() override {
        if (HWND window = FindWindowW(standin::kListenerWindowClass, nullptr))
            PostMessageW(window, WM_CLOSE, 0, 0);
        standin.waitExit(20s);
    }

    // The stand-in publishes the F4 session text; its window must exist
    // before the engine connects, or the first command would find no one.
    void startStandin(std::vector<std::wstring> extra = {}) {
        std::vector<std::wstring> args = {L"--scenario", L"straight", L"--loop",
                                          L"--session-text", kF4Session,
                                          L"--broadcast-log", log, L"--exit-after", L"120"};
        args.insert(args.end(), extra.begin(), extra.end());
        ASSERT_TRUE(standin.start(args));
        ASSERT_TRUE(waitFor([] { return FindWindowW(standin::kListenerWindowClass, nullptr); }, 30s))
            << "the stand-in's window never appeared; stderr: " << standin.err();
    }

    // One run of the engine thread: started, left to find the F4 identity
    // (connected or not, as the stand-in says), then stopped. Returns the
    // commands the stand-in logged during the run.
    std::string runEngine(const FfbSettings& settings, bool expectConnected) {
        Win32TelemetrySource source;
        PlaceholderWheel wheel;
        Win32EnginePlatform platform;
        TextSessionScanner scanner;
        MaxForceHandOff handOff(commands);
        FfbEngine engine;
        engine.storeSettings(settings);
        engine.start({.telemetry = &source, .clock = &qpcClock(), .wheel = &wheel,
                      .scanner = &scanner, .handOff = &handOff, .platform = &platform,
                      .meetTicks = true});
        const bool identified = waitFor(
            [&] {
                const EngineStatus s = engine.readStatus();
                return s.CarName == L"formulair04" && s.Connected == expectConnected;
            },
            30s);
        const EngineStatus status = engine.readStatus();
        engine.stop();
        EXPECT_TRUE(identified) << "the engine never showed the F4 car";
        EXPECT_EQ(status.CarName, L"formulair04");
        EXPECT_EQ(status.DriverName, L"Test Dr\u00EFver") << "byte 0xEF is \"ï\" in Windows-1252";
        EXPECT_EQ(status.DriverUserId, 700063);
        EXPECT_TRUE(status.IdentityConsistent);
        return takeLogUpToMarker();
    }

    std::string takeLogUpToMarker() {
        commands.send(kMarkerWParam, kMarkerLParam);
        std::string text;
        EXPECT_TRUE(waitFor(
            [&] {
                text = readFile(log).substr(logRead);
                return text.find(kMarkerLine) != std::string::npos;
            },
            30s))
            << "the marker never reached the stand-in's log";
        logRead += text.size();
        return text.substr(0, text.find(kMarkerLine));
    }

    const std::wstring log = tempFile(L"broadcast");
    size_t logRead = 0;
    StandinChild standin;
    BroadcastSimulatorCommands commands;
};

TEST_F(SessionAndHandOffUnderWine, EachRunMutesTheSimulatorAtConnectionAndRestoresItAtStop) {
    startStandin();
    EXPECT_EQ(runEngine(FfbSettings{}, true),
              "wparam=11 lparam=655360000\nwparam=11 lparam=2621440\n")
        << "10 000 N·m at connection, 40 N·m at stop";
    EXPECT_EQ(runEngine(simucube(50), true),
              "wparam=11 lparam=2621440\nwparam=11 lparam=2621440\n")
        << "Simucube mode at strength 50: our full scale, 40 N·m";
    EXPECT_EQ(runEngine(simucube(0), true),
              "wparam=11 lparam=131072000\nwparam=11 lparam=2621440\n")
        << "Simucube mode at strength 0: counted as 1, 2000 N·m";
}

TEST_F(SessionAndHandOffUnderWine, SimulatorNeverConnectedIsToldNothing) {
    startStandin({L"--status-clear"});
    EXPECT_EQ(runEngine(FfbSettings{}, false), "");
}

} // namespace
} // namespace gripline
