// The real engine and output thread drive the virtual wheel (our own
// dinput8.dll, loaded by Wine from this program's folder through the
// WINEDLLOVERRIDES the test registers) while the simulator stand-in plays a
// drive in another process. The wheel's log shows what reached the device.
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

#include <gtest/gtest.h>

#include <cstdlib>

namespace gripline {
namespace {

using namespace std::chrono_literals;
using test::DriveLog;
using test::StandinChild;
using test::waitFor;

class WheelOutputUnderWine : public ::testing::Test {
  protected:
    void SetUp() override {
        logPath = test::tempFile(L"wheel");
        SetEnvironmentVariableW(L"GRIPLINE_WHEEL_LOG", logPath.c_str());
    }
    void TearDown() override {
        engine.stop();
        SetEnvironmentVariableW(L"GRIPLINE_WHEEL_FAIL", nullptr);
    }

    void startEngine() {
        const std::vector<FfbDeviceEntry> devices = enumerateDevices();
        ASSERT_EQ(devices.size(), 1u) << "the virtual wheel is not loaded";
        ports.telemetry = &source;
        ports.clock = &qpcClock();
        ports.wheel = &output;
        ports.platform = &platform;
        ports.observer = &drive;
        ports.device = devices.front().instanceGuid;
        ports.window = window.get();
        engine.start(ports);
    }
    std::vector<test::WheelEvent> wheelLog() const {
        return test::parseWheelLog(test::readFile(logPath));
    }
    static int64_t us(int64_t ns) { return ns / 1000; }

    std::wstring logPath;
    HiddenWindow window; // the wheel is acquired exclusively for a window of ours
    Win32TelemetrySource source;
    DirectInputWheel port;
    FfbOutput output{port, qpcClock()};
    Win32EnginePlatform platform;
    DriveLog drive;
    FfbEngine engine;
    EnginePorts ports;
};

TEST_F(WheelOutputUnderWine, NothingFor1200msThenTheRampThenTheRequestedForce) {
    startEngine();
    StandinChild standin;
    ASSERT_TRUE(standin.start({L"--scenario", L"left-corner", L"--loop", L"--start-delay", L"1",
                               L"--exit-after", L"6"}));
    ASSERT_EQ(standin.waitExit(60s), 0);
    engine.stop();

    const int64_t enabledUs = us(drive.firstTickNs.load());
    ASSERT_NE(enabledUs, 0) << "the engine never read a tick";
    const std::vector<test::WheelEvent> sent = test::magnitudes(wheelLog());
    ASSERT_FALSE(sent.empty());
    EXPECT_GE(sent.front().atUs - enabledUs, 1'200'000) << "a force before the start delay ended";

    int32_t previous = 0;
    bool nonZero = false;
    for (const test::WheelEvent& m : sent) {
        if (m.atUs - enabledUs > 2'990'000)
            break;
        if (m.number() != 0 || nonZero) { // the start sends one zero first
            EXPECT_LE(std::abs(m.number() - previous), 120) << "ramp step at " << m.atUs - enabledUs;
        }
        nonZero = nonZero || m.number() != 0;
        previous = m.number();
    }
    EXPECT_TRUE(nonZero) << "the ramp never moved";

    // After the ramp every update carries one of the engine's recent
    // requests: the newest, or one from the last 3 ms when the two threads
    // crossed or a large step was still being slewed.
    const std::vector<DriveLog::Sample> requested = drive.samples();
    size_t matched = 0, checked = 0, r = 0;
    for (const test::WheelEvent& m : sent) {
        if (m.atUs - enabledUs < 3'500'000 || m.atUs > us(drive.lastTickNs.load()))
            continue;
        while (r + 1 < requested.size() && us(requested[r + 1].sentNs) <= m.atUs)
            ++r;
        ++checked;
        for (size_t k = r + 1; k-- > 0;) {
            if (m.number() == requested[k].magnitude) {
                ++matched;
                break;
            }
            if (us(requested[k].sentNs) < m.atUs - 3000)
                break;
        }
    }
    ASSERT_GT(checked, 500u);
    EXPECT_GE(matched * 100, checked * 95) << matched << " of " << checked << " followed the request";
}

TEST_F(WheelOutputUnderWine, AnInputLostFailureIsCountedOnceAndTheWheelReacquired) {
    // The 1500th update after the device opens fails as an unplugged wheel would.
    SetEnvironmentVariableW(L"GRIPLINE_WHEEL_FAIL", L"SetParameters:0x8007001E:1:1500");
    startEngine();
    StandinChild standin;
    ASSERT_TRUE(standin.start({L"--scenario", L"left-corner", L"--loop", L"--start-delay", L"1",
                               L"--exit-after", L"7"}));
    ASSERT_TRUE(waitFor([&] { return engine.readStatus().OutputErrorCount > 0; }, 30s));
    const EngineStatus status = engine.readStatus();
    EXPECT_EQ(status.OutputErrorCount, 1u);
    EXPECT_EQ(static_cast<uint32_t>(status.OutputLastError), 0x8007001Eu);
    ASSERT_EQ(standin.waitExit(60s), 0);
    engine.stop();
    EXPECT_EQ(engine.readStatus().OutputErrorCount, 1u) << "one failure, counted once";

    const std::vector<test::WheelEvent> events = wheelLog();
    size_t failAt = events.size();
    for (size_t i = 0; i < events.size(); ++i)
        if (events[i].name == "fail") {
            failAt = i;
            break;
        }
    ASSERT_LT(failAt, events.size()) << "the scripted failure never happened";
    bool reacquired = false, startedAgain = false;
    int magnitudesAfter = 0;
    for (size_t i = failAt + 1; i < events.size(); ++i) {
        reacquired = reacquired || events[i].name == "acquire";
        startedAgain = startedAgain || (reacquired && events[i].name == "start");
        magnitudesAfter += reacquired && events[i].name == "magnitude" && events[i].number() != 0;
    }
    EXPECT_TRUE(reacquired);
    EXPECT_TRUE(startedAgain) << "the effect is started again after re-acquiring";
    EXPECT_GT(magnitudesAfter, 100) << "forces flow again";
}

TEST_F(WheelOutputUnderWine, AKilledSimulatorLeavesNoForceOnTheWheel) {
    startEngine();
    StandinChild standin;
    ASSERT_TRUE(standin.start({L"--scenario", L"left-corner", L"--loop", L"--start-delay", L"1"}));
    // Well into the drive, past the ramp, with force on the wheel.
    ASSERT_TRUE(waitFor([&] { return drive.firstTickNs.load() != 0; }, 30s));
    std::this_thread::sleep_for(4s);
    standin.kill(); // no clean shutdown: the status bit stays set
    std::this_thread::sleep_for(1s);
    engine.stop();

    const int64_t lastTickUs = us(drive.lastTickNs.load());
    bool forceBefore = false;
    int64_t zeroAfterUs = -1;
    for (const test::WheelEvent& m : test::magnitudes(wheelLog())) {
        if (m.atUs <= lastTickUs) {
            forceBefore = forceBefore || m.number() != 0;
        } else if (m.number() == 0) {
            zeroAfterUs = m.atUs - lastTickUs;
            break;
        }
    }
    EXPECT_TRUE(forceBefore) << "the drive put force on the wheel";
    ASSERT_GE(zeroAfterUs, 0) << "the force was never taken off";
    std::printf("force off %lld ms after the last tick\n", static_cast<long long>(zeroAfterUs / 1000));
    EXPECT_LE(zeroAfterUs, 300'000);
}

} // namespace
} // namespace gripline
