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
        ports.meetTicks = true;
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

    // After the ramp every update carries one of the engine's requests made
    // before it, never one older than a request already carried (the newest
    // wins), or is a step of at most 1200 slewing towards the newest. Which
    // request an update meets depends on how the two threads were scheduled,
    // so the check follows the order of requests, not their age in ms.
    const std::vector<DriveLog::Sample> requested = drive.samples();
    size_t matched = 0, checked = 0, r = 0, carried = 0;
    int32_t previousUpdate = 0;
    for (const test::WheelEvent& m : sent) {
        const bool judged =
            m.atUs - enabledUs >= 3'500'000 && m.atUs <= us(drive.lastTickNs.load());
        if (judged && !requested.empty()) {
            while (r + 1 < requested.size() && us(requested[r + 1].sentNs) <= m.atUs)
                ++r;
            ++checked;
            bool found = false;
            for (size_t k = r + 1; k-- > carried && !found;)
                if (m.number() == requested[k].magnitude) {
                    carried = k;
                    found = true;
                }
            const bool slewing = std::abs(m.number() - previousUpdate) == FfbOutput::kSlewLimit;
            matched += found || slewing;
        }
        previousUpdate = m.number();
    }
    ASSERT_GT(checked, 0u) << "no update after the ramp";
    EXPECT_GE(matched * 100, checked * 95) << matched << " of " << checked << " followed the request";
}

TEST_F(WheelOutputUnderWine, AnInputLostFailureIsCountedOnceAndTheWheelReacquired) {
    // The 1500th update after the device opens fails as an unplugged wheel
    // would. However slowly a busy machine reaches it, the drive goes on
    // until forces flow again after it.
    SetEnvironmentVariableW(L"GRIPLINE_WHEEL_FAIL", L"SetParameters:0x8007001E:1:1500");
    startEngine();
    StandinChild standin;
    ASSERT_TRUE(standin.start({L"--scenario", L"left-corner", L"--loop", L"--start-delay", L"1",
                               L"--exit-after", L"600"}));
    ASSERT_TRUE(waitFor([&] { return engine.readStatus().OutputErrorCount > 0; }, 120s));
    const EngineStatus status = engine.readStatus();
    EXPECT_EQ(status.OutputErrorCount, 1u);
    EXPECT_EQ(static_cast<uint32_t>(status.OutputLastError), 0x8007001Eu);

    // What followed the failure: re-acquired, started again, forces sent.
    struct AfterFailure {
        bool failed = false, reacquired = false, startedAgain = false;
        int magnitudes = 0;
    };
    auto afterFailure = [&] {
        AfterFailure a;
        for (const test::WheelEvent& e : wheelLog()) {
            if (!a.failed) {
                a.failed = e.name == "fail";
                continue;
            }
            a.reacquired = a.reacquired || e.name == "acquire";
            a.startedAgain = a.startedAgain || (a.reacquired && e.name == "start");
            a.magnitudes += a.reacquired && e.name == "magnitude" && e.number() != 0;
        }
        return a;
    };
    EXPECT_TRUE(waitFor([&] { return afterFailure().magnitudes > 100; }, 120s));
    standin.kill();
    engine.stop();
    EXPECT_EQ(engine.readStatus().OutputErrorCount, 1u) << "one failure, counted once";

    const AfterFailure after = afterFailure();
    ASSERT_TRUE(after.failed) << "the scripted failure never happened";
    EXPECT_TRUE(after.reacquired);
    EXPECT_TRUE(after.startedAgain) << "the effect is started again after re-acquiring";
    EXPECT_GT(after.magnitudes, 100) << "forces flow again";
}

TEST_F(WheelOutputUnderWine, AKilledSimulatorLeavesNoForceOnTheWheel) {
    startEngine();
    StandinChild standin;
    ASSERT_TRUE(standin.start({L"--scenario", L"left-corner", L"--loop", L"--start-delay", L"1"}));
    // Into the drive, with force on the wheel (after the start delay).
    auto forceOn = [&] {
        for (const test::WheelEvent& m : test::magnitudes(wheelLog()))
            if (m.number() != 0)
                return true;
        return false;
    };
    ASSERT_TRUE(waitFor(forceOn, 60s)) << "the drive put no force on the wheel";
    standin.kill(); // no clean shutdown: the status bit stays set

    // The engine sees no new tick and takes the force off by itself (250 ms
    // after the last tick; how long it took on this machine is printed).
    int64_t zeroAfterUs = -1;
    auto forceTakenOff = [&] {
        const int64_t lastTickUs = us(drive.lastTickNs.load());
        for (const test::WheelEvent& m : test::magnitudes(wheelLog()))
            if (m.atUs > lastTickUs && m.number() == 0) {
                zeroAfterUs = m.atUs - lastTickUs;
                return true;
            }
        return false;
    };
    EXPECT_TRUE(waitFor(forceTakenOff, 60s)) << "the force was never taken off";
    engine.stop();
    std::printf("force off %lld ms after the last tick\n",
                static_cast<long long>(zeroAfterUs / 1000));
}

} // namespace
} // namespace gripline
