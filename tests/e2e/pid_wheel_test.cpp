// Gripline against a DirectInput we did not write: Wine's own dinput8, its
// HID class driver and HID PID force feedback, driving the PID wheel (a HID
// minidriver of ours that describes itself as a real wheel does and logs
// every report it receives). Runs in a Wine prefix of its own, so the other
// tests never see this wheel.
//
// The device boundary first: every magnitude the program's own device code
// sends, and the Wheel test's swing, reach the wheel value for value on
// each descriptor. Then the real window: the wheel listed by its product
// name, a drive with the start delay, fade-in and slew limits kept, the
// force off when the simulator goes, nothing left playing after Stop and
// after closing, and the wheel's buttons bound and used.
#include "common/hidden_window_win32.h"
#include "common/qpc_clock_win32.h"
#include "engine/dinput_wheel_win32.h"
#include "engine/ffb_device_list.h"
#include "engine/wheel_test.h"
#include "tests/e2e/program_folder_win32.h"
#include "tests/support/gui_driver_win32.h"
#include "tests/support/pid_wheel_child_win32.h"
#include "tests/support/standin_child_win32.h"
#include "tests/support/watched_wheel_port_win32.h"
#include "ui/buttons_dialog_win32.h"
#include "ui/control_ids.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

namespace gripline {
namespace {

using namespace std::chrono_literals;
using test::waitFor;
using test::WheelEvent;

constexpr auto kLimit = 60s; // a device start or a cold Wine start on a busy machine
constexpr const wchar_t* kProduct = L"OpenFFBoard";
constexpr const wchar_t* kStandinWindowClass = L"GriplineSimulatorStandin";
const std::wstring kDescriptors = test::windowsPath(GRIPLINE_PID_DESCRIPTORS);
const std::wstring kOpenFfboard = kDescriptors + L"\\openffboard_wheel.hid";
const std::wstring kTwoAxis = kDescriptors + L"\\two_axis_host_pool.hid";

std::string narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

test::PidWheelChild& wheel() {
    static test::PidWheelChild child(test::windowsPath(GRIPLINE_PID_WHEEL_TOOL));
    return child;
}

std::vector<WheelEvent> eventsSince(int64_t atUs) {
    std::vector<WheelEvent> out;
    for (const WheelEvent& e : wheel().events())
        if (e.atUs >= atUs)
            out.push_back(e);
    return out;
}

std::vector<int32_t> magnitudeValues(const std::vector<WheelEvent>& events) {
    std::vector<int32_t> out;
    for (const WheelEvent& e : test::magnitudes(events))
        out.push_back(e.number());
    return out;
}

// What the wheel receives of a sequence of updates after the effect is
// created: the creation's own magnitude 0, then each change (DirectInput
// sends no report for an unchanged value).
std::vector<int32_t> changesOf(const std::vector<int32_t>& sent) {
    std::vector<int32_t> out{0};
    for (int32_t v : sent)
        if (v != out.back())
            out.push_back(v);
    return out;
}

int64_t nowUs() {
    return qpcClock().nowNs() / 1000;
}

// DirectInput ties the wheel to a window of this thread, and a call of
// Wine's dinput8 may wait for that window to answer a message: the calls run
// on a thread of their own while this one answers its window, as in the
// program (the engine's threads call DirectInput, the window thread pumps).
// One run beside two busy processes hung for minutes in a wheel's release
// when this thread made the calls itself.
void whilePumpingMessages(const std::function<void()>& work) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
    });
    while (!done) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    worker.join();
}

// Installs the wheel with `descriptor` as `product` and waits until Wine's
// DirectInput lists it; its instance.
std::optional<DeviceGuid> installAndFind(const std::wstring& descriptor,
                                         const std::wstring& product) {
    std::string error;
    EXPECT_TRUE(wheel().install(descriptor, product, error)) << error;
    std::optional<DeviceGuid> found;
    waitFor(
        [&] {
            for (const FfbDeviceEntry& d : enumerateDevices())
                if (d.productName == product)
                    found = d.instanceGuid;
            return found.has_value();
        },
        kLimit);
    EXPECT_TRUE(found) << "Wine's dinput8 never listed " << narrow(product);
    return found;
}

// Every value of full scale in steps that touch both ends and zero, sent
// through the program's device code after the effect is created and
// started, as the output stage does.
TEST(PidWheelDevice, EveryMagnitudeArrivesWholeOnEachDescriptor) {
    struct Case {
        std::wstring descriptor, product;
        bool exact; // the field is fine enough for every DirectInput value
    };
    // A third wheel that is in no file of the repository: the two-axis one
    // with a coarse 8-bit force, written here and given at install time.
    const std::wstring coarse = test::tempFile(L"coarse_wheel") + L".hid";
    {
        std::string text = test::readFile(kTwoAxis);
        const std::string from = "16 f0 d8 //     Logical Minimum -10000\n    26 10 27 //     "
                                 "Logical Maximum 10000\n    75 10";
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos);
        text.replace(at, from.size(), "15 81\n 25 7f\n 75 08");
        std::ofstream(std::filesystem::path(coarse), std::ios::binary) << text;
    }
    const Case cases[] = {{kOpenFfboard, kProduct, true},
                          {kTwoAxis, L"Gripline Two-Axis Wheel", true},
                          {coarse, L"Gripline Coarse Wheel", false}};
    HiddenWindow window;
    for (const Case& c : cases) {
        SCOPED_TRACE(narrow(c.product));
        const auto device = installAndFind(c.descriptor, c.product);
        ASSERT_TRUE(device);
        const int64_t from = nowUs();
        std::vector<int32_t> sent;
        for (int32_t v = -10000; v <= 10000; v += 137)
            sent.push_back(v);
        sent.push_back(10000);
        sent.push_back(0);
        whilePumpingMessages([&] {
            DirectInputWheel port;
            ASSERT_TRUE(port.createDeviceEvent());
            ASSERT_EQ(port.createDirectInput(), kHrOk);
            ASSERT_EQ(port.createDevice(*device), kHrOk);
            ASSERT_EQ(port.setJoystickDataFormat(), kHrOk);
            ASSERT_EQ(port.setExclusiveBackground(window.get()), kHrOk);
            port.disableAutoCenter();
            ASSERT_EQ(port.setEventNotification(), kHrOk);
            ASSERT_EQ(port.acquire(), kHrOk);
            ASSERT_EQ(port.createEffect(), kHrOk);
            ASSERT_EQ(port.setMagnitude(0), kHrOk);
            ASSERT_EQ(port.startEffect(), kHrOk);
            for (int32_t v : sent)
                ASSERT_EQ(port.setMagnitude(v), kHrOk) << v;
            port.stopEffect();
            port.releaseAll();
        });

        std::vector<WheelEvent> events;
        ASSERT_TRUE(waitFor(
            [&] {
                events = eventsSince(from);
                return std::any_of(events.begin(), events.end(),
                                   [](const WheelEvent& e) { return e.name == "stop"; });
            },
            kLimit));
        const std::vector<int32_t> received = magnitudeValues(events);
        const std::vector<int32_t> expected = changesOf(sent);
        if (c.exact) {
            EXPECT_EQ(received, expected);
        } else {
            ASSERT_EQ(received.size(), expected.size());
            for (size_t i = 0; i < received.size(); ++i)
                EXPECT_NEAR(received[i], expected[i], 10000 / 127 + 1) << i;
        }
        const auto first = [&](const char* name) {
            return std::find_if(events.begin(), events.end(),
                                [&](const WheelEvent& e) { return e.name == name; }) -
                   events.begin();
        };
        EXPECT_LT(first("reset"), first("effect")) << "acquiring resets the device first";
        EXPECT_LT(first("effect"), first("start"));
        EXPECT_LT(first("start"), first("stop"));
        for (const WheelEvent& e : events) {
            if (e.name == "effectgain") {
                EXPECT_EQ(e.value, "10000") << "the effect plays at its full gain";
            }
            if (e.name == "duration") {
                EXPECT_EQ(e.value, "infinite");
            }
        }
    }
}

// The Wheel test's swing through the real stack, value for value.
TEST(PidWheelDevice, TheWheelTestSwingReachesTheWheelValueForValue) {
    const auto device = installAndFind(kOpenFfboard, kProduct);
    ASSERT_TRUE(device);
    HiddenWindow window;
    const int64_t from = nowUs();
    test::WatchedWheelPort port;
    WheelTestResult result;
    whilePumpingMessages([&] { result = WheelTest::run(port, qpcClock(), window.get(), *device); });
    ASSERT_TRUE(result.opened);
    EXPECT_EQ(result.firstError, 0);
    std::vector<int32_t> sent;
    for (const auto& u : port.updates)
        sent.push_back(u.magnitude);
    ASSERT_FALSE(sent.empty());
    std::vector<int32_t> received;
    ASSERT_TRUE(waitFor(
        [&] {
            received = magnitudeValues(eventsSince(from));
            return received.size() >= changesOf(sent).size();
        },
        kLimit));
    EXPECT_EQ(received, changesOf(sent));
    EXPECT_NEAR(*std::min_element(received.begin(), received.end()), -WheelTest::kPeak, 15);
    EXPECT_NEAR(*std::max_element(received.begin(), received.end()), WheelTest::kPeak, 15);
}

// The real window with the real stack.
class PidWheelWindow : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::string error;
        ASSERT_TRUE(wheel().install(kOpenFfboard, kProduct, error)) << error;
    }
    void SetUp() override {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "the window needs an X display (scripts/wine-session.sh)";
        ASSERT_TRUE(waitFor([] { return !enumerateDevices().empty(); }, kLimit));
    }
    void TearDown() override {
        if (window && IsWindow(window))
            PostMessageW(window, WM_CLOSE, 0, 0);
        program.waitExit(30s);
        closeStandin();
    }

    void startStandin() {
        ASSERT_TRUE(standin.start({L"--scenario", L"left-corner", L"--loop", L"--timing-log",
                                   timingLog, L"--exit-after", L"280"}));
        ASSERT_TRUE(waitFor([] { return FindWindowW(kStandinWindowClass, nullptr); }, 30s))
            << "the stand-in's window never appeared; stderr: " << standin.err();
    }
    void closeStandin() {
        if (HWND w = FindWindowW(kStandinWindowClass, nullptr))
            PostMessageW(w, WM_CLOSE, 0, 0);
        standin.waitExit(30s);
    }
    // The stand-in's last tick on the performance counter, µs.
    int64_t lastTickUs() const {
        std::istringstream lines(test::readFile(timingLog));
        int64_t tick = 0, ns = 0, last = 0;
        while (lines >> tick >> ns)
            last = ns / 1000;
        return last;
    }
    void startProgram() {
        ASSERT_TRUE(program.start(folder.exe()));
        window = test::waitForTopWindow(L"TorvixCommercialWindow", program.id(), kLimit);
        ASSERT_NE(window, nullptr) << "no Gripline window appeared";
    }
    HWND item(int id) const { return GetDlgItem(window, id); }
    std::wstring logText() const {
        return test::windowText(test::childAt(window, {48, 718, 48 + 1500, 718 + 56}));
    }
    bool waitForLine(const std::wstring& line) const {
        return waitFor([&] { return test::countLines(logText(), line) > 0; }, kLimit);
    }
    void screenshot(const char* name) const {
        RECT r;
        GetWindowRect(window, &r);
        EXPECT_TRUE(
            test::screenshot(r, test::windowsPath(std::string(GRIPLINE_ARTIFACTS "/") + name)));
    }

    test::ProgramFolder folder;
    test::ProgramProcess program;
    test::StandinChild standin;
    HWND window = nullptr;
    const std::wstring timingLog = test::tempFile(L"pid_ticks") + L".txt";
};

// Nothing plays once `fromUs` is past: the last start is followed by a
// stop, a Block Free or a reset, and the last magnitude is 0 or stopped.
::testing::AssertionResult nothingLeftPlaying(const std::vector<WheelEvent>& events) {
    bool playing = false;
    for (const WheelEvent& e : events) {
        if (e.name == "start")
            playing = true;
        else if (e.name == "stop" || e.name == "stopall" || e.name == "reset" ||
                 (e.name == "release" && e.value == "effect") || e.name == "unplugged")
            playing = false;
    }
    if (playing)
        return ::testing::AssertionFailure() << "an effect is left playing";
    return ::testing::AssertionSuccess();
}

TEST_F(PidWheelWindow, ADriveKeepsTheRampAndSlewLimitsAndLeavesNothingPlaying) {
    startStandin();
    const int64_t from = nowUs();
    startProgram();
    ASSERT_TRUE(waitForLine(L"Force feedback devices found.")) << narrow(logText());
    EXPECT_EQ(test::windowText(item(kDeviceCombo)), kProduct);

    test::click(item(kStartButton));
    ASSERT_TRUE(waitForLine(L"FFB engine started.")) << narrow(logText());
    // Force for three seconds: past the start delay and the fade-in.
    ASSERT_TRUE(waitFor(
        [&] {
            const auto sent = test::magnitudes(eventsSince(from));
            return !sent.empty() && sent.back().atUs - sent.front().atUs > 3'000'000;
        },
        kLimit));
    screenshot("pid_wheel_on_track.png");

    std::vector<WheelEvent> events = eventsSince(from);
    size_t resets = 0, gains = 0, effects = 0, starts = 0;
    int64_t acquiredUs = 0, startedUs = 0;
    for (const WheelEvent& e : events) {
        resets += e.name == "reset";
        gains += e.name == "gain";
        effects += e.name == "effect";
        starts += e.name == "start";
        if (e.name == "reset" && !acquiredUs)
            acquiredUs = e.atUs;
        if (e.name == "start" && !startedUs)
            startedUs = e.atUs;
    }
    EXPECT_GE(resets, 1u);
    EXPECT_GE(gains, 1u);
    EXPECT_EQ(effects, 1u) << "one effect, created once";
    EXPECT_EQ(starts, 1u) << "started once, never restarted by an update";
    EXPECT_GE(startedUs - acquiredUs, 1'200'000) << "nothing before the start delay";
    const auto sent = test::magnitudes(events);
    int32_t last = 0;
    for (const WheelEvent& m : sent) {
        const int32_t limit = m.atUs < startedUs + 1'800'000 ? 120 : 1200;
        EXPECT_LE(std::abs(m.number() - last), limit)
            << "at " << (m.atUs - startedUs) / 1000 << " ms";
        last = m.number();
    }

    // The simulator goes: the force comes off, and stays off.
    closeStandin();
    int64_t offUs = 0;
    ASSERT_TRUE(waitFor(
        [&] {
            for (const WheelEvent& e : eventsSince(lastTickUs()))
                if ((e.name == "magnitude" && e.number() == 0) || e.name == "stop") {
                    offUs = e.atUs;
                    return true;
                }
            return false;
        },
        kLimit));
    std::printf("force off %lld ms after the simulator's last tick\n",
                static_cast<long long>((offUs - lastTickUs()) / 1000));
    EXPECT_LT(offUs - lastTickUs(), 1'000'000)
        << "the engine takes it off 250 ms after the last tick";
    std::this_thread::sleep_for(500ms);
    for (const WheelEvent& m : test::magnitudes(eventsSince(offUs)))
        EXPECT_EQ(m.number(), 0) << "force while the simulator is away";

    const int64_t stopUs = nowUs();
    test::click(item(kStopButton));
    ASSERT_TRUE(waitForLine(L"FFB engine stopped."));
    EXPECT_TRUE(waitFor([&] { return nothingLeftPlaying(eventsSince(from)); }, kLimit));
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.waitExit(60s), 0);
    window = nullptr;
    EXPECT_TRUE(nothingLeftPlaying(eventsSince(from)));
    size_t stops = 0;
    for (const WheelEvent& e : eventsSince(stopUs)) {
        EXPECT_NE(e.name, "start") << "nothing starts after Stop";
        stops += e.name == "stop";
    }
    // The effect was stopped when the simulator went; releasing it makes
    // Wine's dinput8 send one more Stop with its Block Free, nothing else.
    EXPECT_LE(stops, 1u) << "a wheel should get no string of Stops";
    EXPECT_TRUE(
        wheel().writeWheelLog(test::windowsPath(GRIPLINE_ARTIFACTS "/pid_wheel_events.log")));
}

// The Test button plays its swing on the PID wheel; a button of the wheel,
// read from its input reports, is bound in the Buttons dialog and then
// raises Force strength while driving.
TEST_F(PidWheelWindow, TheWheelTestAndABoundButtonWorkThroughTheRealStack) {
    startProgram();
    ASSERT_TRUE(waitForLine(L"Force feedback devices found."));
    const int64_t from = nowUs();
    test::click(item(kWheelTestButton));
    ASSERT_TRUE(waitFor(
        [&] { return logText().find(L"Wheel test: DirectInput accepted") != std::wstring::npos; },
        kLimit))
        << narrow(logText());
    EXPECT_NE(logText().find(L"updates, no errors."), std::wstring::npos) << narrow(logText());
    // The driver's log trails what it was sent: the swing is all there once
    // its effect, started, has been let go.
    ASSERT_TRUE(waitFor(
        [&] {
            const std::vector<WheelEvent> events = eventsSince(from);
            const bool started = std::any_of(events.begin(), events.end(),
                                             [](const WheelEvent& e) { return e.name == "start"; });
            return started && nothingLeftPlaying(events);
        },
        kLimit));
    const std::vector<int32_t> swing = magnitudeValues(eventsSince(from));
    ASSERT_FALSE(swing.empty());
    // The output thread samples the swing about once a millisecond: its
    // peaks within a few units of full swing.
    EXPECT_NEAR(*std::min_element(swing.begin(), swing.end()), -WheelTest::kPeak, 15);
    EXPECT_NEAR(*std::max_element(swing.begin(), swing.end()), WheelTest::kPeak, 15);

    test::click(item(kButtonsButton));
    HWND dialog = nullptr;
    ASSERT_TRUE(
        waitFor([&] { return (dialog = FindWindowW(kButtonsDialogClass, nullptr)); }, kLimit));
    test::click(GetDlgItem(dialog, kBindButtonBase + 1)); // Force strength +
    // Held for two seconds: the driver drops a press whose time has passed
    // before it reads it, and a loaded machine starves it that long.
    wheel().press(5, 300, 2000);
    const std::wstring bound = std::wstring(kProduct) + L", Button 5";
    ASSERT_TRUE(
        waitFor([&] { return test::windowText(GetDlgItem(dialog, kBindingTextBase + 1)) == bound; },
                kLimit))
        << narrow(test::windowText(GetDlgItem(dialog, kBindingTextBase + 1)));
    test::click(GetDlgItem(dialog, kCloseButtonsDialog));

    startStandin();
    const int64_t driveFrom = nowUs();
    test::click(item(kStartButton));
    ASSERT_TRUE(waitFor(
        [&] {
            const std::vector<int32_t> forces = magnitudeValues(eventsSince(driveFrom));
            return std::any_of(forces.begin(), forces.end(), [](int32_t f) { return f != 0; });
        },
        kLimit));
    wheel().press(5, 200, 2000); // held: acts once
    ASSERT_TRUE(waitForLine(L"Force strength 55% (button).")) << narrow(logText());
    screenshot("pid_wheel_button.png");
}

} // namespace
} // namespace gripline
