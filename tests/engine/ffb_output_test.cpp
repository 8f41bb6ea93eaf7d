#include "engine/ffb_output.h"

#include "tests/engine/fake_wheel_port.h"
#include "tests/support/virtual_clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace gripline {
namespace {

using test::FakeWheelPort;
using test::VirtualClock;

constexpr int64_t kMs = kNsPerMs;

class FfbOutputTest : public ::testing::Test {
  protected:
    FfbOutputTest() : port(clock), output(port, clock, OutputPacing::Manual) {}

    void openWheel() { ASSERT_TRUE(output.open(nullptr, DeviceGuid{})); }

    // Enables output and runs loops until virtual time reaches `untilNs`
    // after the enable.
    void enableAndRunFor(int64_t forNs) {
        output.outputEnabled.store(true);
        enabledAt = clock.now;
        runUntil(enabledAt + forNs);
    }
    void runUntil(int64_t atNs) {
        while (clock.now < atNs)
            output.loopOnce();
    }

    VirtualClock clock;
    FakeWheelPort port;
    FfbOutput output;
    int64_t enabledAt = 0;
};

TEST_F(FfbOutputTest, OpensInOrderAndReleasesWhatItGotWhenAStepFails) {
    port.withEvent = true;
    openWheel();
    std::vector<std::string> names;
    for (const auto& c : port.calls)
        names.push_back(c.name);
    EXPECT_EQ(names, (std::vector<std::string>{"releaseAll", "createDirectInput", "createDevice",
                                               "setJoystickDataFormat", "setExclusiveBackground",
                                               "disableAutoCenter", "setEventNotification",
                                               "acquire"}));
    EXPECT_FALSE(port.hasEffect()) << "the effect is created by the output thread on first use";

    for (const char* step : {"createDirectInput", "createDevice", "acquire"}) {
        port.calls.clear();
        port.failNext(step, kEFail);
        EXPECT_FALSE(output.open(nullptr, DeviceGuid{})) << step;
        EXPECT_EQ(port.calls.back().name, "releaseAll") << step;
        EXPECT_FALSE(port.hasDevice()) << step;
    }
}

TEST_F(FfbOutputTest, NothingForTheStartDelayThenARampReachingFullForceAtThreeSeconds) {
    openWheel();
    output.requestedForce.store(9000);
    enableAndRunFor(3500 * kMs);

    ASSERT_FALSE(port.magnitudes.empty());
    EXPECT_GE(port.magnitudes.front().atNs - enabledAt, 1200 * kMs) << "nothing before 1.2 s";
    int32_t previous = 0;
    bool reached = false;
    for (const auto& m : port.magnitudes) {
        if (m.value == 0 && !reached)
            continue; // the start sends a zero before starting the effect
        const int64_t sinceRampMs = (m.atNs - enabledAt - 1200 * kMs) / kMs;
        if (m.atNs - enabledAt < 3000 * kMs) {
            EXPECT_LE(m.value, sinceRampMs * 9000 / 1800) << "ahead of the ramp at " << sinceRampMs;
            EXPECT_LT(m.value, 9000);
        }
        EXPECT_LE(m.value - previous, 120) << "at " << sinceRampMs << " ms into the ramp";
        previous = m.value;
        reached = reached || m.value == 9000;
    }
    EXPECT_TRUE(reached);
    EXPECT_EQ(port.count("startEffect"), 1);
    EXPECT_TRUE(output.effectStarted());
}

TEST_F(FfbOutputTest, AfterTheRampAJumpToFullForceTakesNineLoops) {
    openWheel();
    enableAndRunFor(3100 * kMs);
    const size_t before = port.magnitudes.size();
    output.requestedForce.store(9996);
    for (int i = 0; i < 9; ++i)
        output.loopOnce();
    std::vector<int32_t> sent;
    for (size_t i = before; i < port.magnitudes.size(); ++i)
        sent.push_back(port.magnitudes[i].value);
    EXPECT_EQ(sent, (std::vector<int32_t>{1200, 2400, 3600, 4800, 6000, 7200, 8400, 9600, 9996}));
}

// The engine's write wakes the output thread: a new force goes out at the
// moment it is written, an unchanged one once per 1 ms period, and the slew
// goes on from there as before; with the device's event or without. With
// one, the new force goes out before the device's input is looked at.
TEST(FfbOutputWake, ANewForceGoesOutAtOnceAndAnUnchangedOneEveryMillisecond) {
    for (const bool withEvent : {false, true}) {
        SCOPED_TRACE(withEvent ? "with a device event" : "without a device event");
        VirtualClock clock;
        FakeWheelPort port(clock);
        port.withEvent = withEvent;
        FfbOutput output(port, clock, OutputPacing::Manual);
        ASSERT_TRUE(output.open(nullptr, DeviceGuid{}));
        output.requestForce(6000);
        output.outputEnabled.store(true);
        const int64_t enabledAt = clock.now;
        while (clock.now < enabledAt + 3100 * kMs)
            output.loopOnce();
        ASSERT_EQ(output.magnitude(), 6000);

        const size_t steadyFrom = port.magnitudes.size();
        const int64_t steadyAt = clock.now;
        while (clock.now < steadyAt + 10 * kMs)
            output.loopOnce();
        EXPECT_EQ(port.magnitudes.size() - steadyFrom, 10u) << "one update a millisecond";

        const int wakesBefore = port.wakes;
        output.dampingPercent.store(20); // the wheel's input is looked at (it stands still)
        int64_t writtenAt = 0;
        size_t callsAtWrite = 0;
        port.duringNextWait = [&] {
            writtenAt = clock.now;
            callsAtWrite = port.calls.size();
            output.requestForce(8400);
        };
        const size_t before = port.magnitudes.size();
        while (port.magnitudes.size() < before + 3)
            output.loopOnce();
        EXPECT_EQ(port.wakes, wakesBefore + 1);
        std::vector<std::pair<int64_t, int32_t>> sent;
        for (size_t i = before; i < port.magnitudes.size(); ++i)
            sent.emplace_back(port.magnitudes[i].atNs - writtenAt, port.magnitudes[i].value);
        const size_t first = withEvent ? 0 : 1; // without an event the loop sent before waiting
        EXPECT_EQ(std::vector(sent.begin() + first, sent.begin() + first + 2),
                  (std::vector<std::pair<int64_t, int32_t>>{{0, 7200}, {1 * kMs, 8400}}));
        if (withEvent) {
            std::vector<std::string> order;
            for (size_t i = callsAtWrite; i < port.calls.size() && order.size() < 2; ++i)
                if (port.calls[i].name == "setMagnitude" || port.calls[i].name == "takeInputReport")
                    order.push_back(port.calls[i].name);
            EXPECT_EQ(order, (std::vector<std::string>{"setMagnitude", "takeInputReport"}));
        }
    }
}

// While the engine watches for a tick, the loop sleeps only to the watch's
// start and then stays awake through it and the tick's computation; a
// watch more than a period away, or one already over, changes nothing.
TEST_F(FfbOutputTest, TheLoopStaysAwakeThroughTheEnginesTickWatch) {
    constexpr int64_t kUs = kNsPerUs;
    port.withEvent = true;
    openWheel();
    output.requestForce(2000);
    enableAndRunFor(3100 * kMs);
    struct Case {
        const char* name;
        int64_t startUs, endUs;     // of the watch, from now
        std::vector<int64_t> sendsUs; // the next two sends, from now
    };
    const int64_t computeUs = FfbOutput::kTickComputeNs / kUs;
    const std::vector<Case> cases = {
        {"a watch within the period", 300, 500, {500 + computeUs, 1500 + computeUs}},
        {"a watch begun already", -100, 100, {100 + computeUs, 1100 + computeUs}},
        {"a watch over already", -500, -400, {1000, 2000}},
        {"a watch beyond the period", 1500, 1700, {1000, 1700 + computeUs}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int64_t from = clock.now;
        output.announceTickWatch(from + c.startUs * kUs, from + c.endUs * kUs);
        const size_t before = port.magnitudes.size();
        while (port.magnitudes.size() < before + 2)
            output.loopOnce();
        std::vector<int64_t> sendsUs;
        for (size_t i = before; i < before + 2; ++i)
            sendsUs.push_back((port.magnitudes[i].atNs - from) / kUs);
        EXPECT_EQ(sendsUs, c.sendsUs);
        output.tickWatchStartNs.store(0);
        runUntil(clock.now + 5 * kMs);
    }
}

// The engine marks each tick's first force with the time it saw the tick;
// the stage counts the tick once, at the first successful send that read
// that force or a newer one, as the time just before the device call less
// the tick's. A tick replaced before the stage looked, or whose force was
// never sent (force off, the start delay), is not counted.
TEST_F(FfbOutputTest, ATicksFirstForceIsCountedOnceFromSeeingTheTickToItsSend) {
    constexpr int64_t kUs = kNsPerUs;
    openWheel();
    output.requestTickForce(3000, clock.now);
    enableAndRunFor(3100 * kMs);
    const AddedLatency& latency = output.addedLatency;
    EXPECT_EQ(latency.count(), 0u) << "a tick that waited out the start delay";

    port.duringNextWait = [&] { output.requestTickForce(4000, clock.now - 40 * kUs); };
    runUntil(clock.now + 10 * kMs);
    EXPECT_EQ(latency.count(), 1u) << "once, not at each resend";
    EXPECT_EQ(latency.percentileNs(99), 42 * kUs);

    output.requestTickForce(5000, clock.now - 300 * kUs);
    output.requestTickForce(5000, clock.now - 10 * kUs);
    runUntil(clock.now + 10 * kMs);
    EXPECT_EQ(latency.count(), 2u) << "the newer of two ticks the stage had not looked at";
    EXPECT_EQ(latency.percentileNs(50), 12 * kUs);

    port.failNext("setMagnitude", kEFail, 1);
    output.requestTickForce(6000, clock.now);
    runUntil(clock.now + 10 * kMs);
    EXPECT_EQ(latency.count(), 3u);
    EXPECT_GE(latency.percentileNs(99), 1 * kMs) << "counted at the send that succeeded";

    output.quiesce();
    output.requestTickForce(0, clock.now);
    runUntil(clock.now + 100 * kMs);
    enableAndRunFor(3100 * kMs);
    EXPECT_EQ(latency.count(), 3u) << "a tick seen while the force was off";
}

TEST_F(FfbOutputTest, DisablingStopsAtOnceAndReenablingRestartsTheDelay) {
    openWheel();
    output.requestedForce.store(8000);
    enableAndRunFor(4000 * kMs);
    ASSERT_EQ(output.magnitude(), 8000);

    output.outputEnabled.store(false);
    const size_t sentBefore = port.magnitudes.size();
    output.loopOnce();
    EXPECT_EQ(output.magnitude(), 0);
    EXPECT_EQ(port.magnitudes.back().value, 0) << "a zero goes to the wheel before the stop";
    EXPECT_EQ(port.calls.back().name, "stopEffect");
    EXPECT_EQ(output.requestedForce.load(), 0);
    EXPECT_FALSE(output.effectStarted());
    runUntil(clock.now + 500 * kMs);
    EXPECT_EQ(port.magnitudes.size(), sentBefore + 1) << "nothing sent while disabled";

    output.requestedForce.store(8000);
    enableAndRunFor(1199 * kMs);
    EXPECT_EQ(port.magnitudes.size(), sentBefore + 1) << "the start delay runs again";
    runUntil(enabledAt + 1300 * kMs);
    EXPECT_GT(port.magnitudes.size(), sentBefore + 1);
    EXPECT_LE(output.magnitude(), 120 * 100);
}

// The engine may disable and enable again between two looks of the output
// thread (a new simulator's first tick): the disable still counts.
TEST_F(FfbOutputTest, ADisableOverBeforeTheThreadLooksStillRestartsTheDelay) {
    openWheel();
    output.requestedForce.store(8000);
    enableAndRunFor(4000 * kMs);
    ASSERT_EQ(output.magnitude(), 8000);

    output.quiesce();
    output.requestedForce.store(8000);
    output.outputEnabled.store(true);
    const size_t sentBefore = port.magnitudes.size();
    const int64_t restartedAt = clock.now;
    output.loopOnce();
    EXPECT_EQ(port.magnitudes.back().value, 0) << "the force came off";
    EXPECT_FALSE(output.effectStarted());
    runUntil(restartedAt + 1199 * kMs);
    EXPECT_EQ(port.magnitudes.size(), sentBefore + 1) << "the start delay runs again";
}

TEST_F(FfbOutputTest, FailingEffectCreationIsRetriedEvery50msWithoutSending) {
    openWheel();
    port.failNext("createEffect", kEFail, 4);
    output.requestedForce.store(5000);
    enableAndRunFor(1200 * kMs + 199 * kMs);
    std::vector<int64_t> tries;
    for (const auto& c : port.calls)
        if (c.name == "createEffect")
            tries.push_back(c.atNs);
    ASSERT_EQ(tries.size(), 4u);
    for (size_t i = 1; i < tries.size(); ++i)
        EXPECT_EQ(tries[i] - tries[i - 1], 50 * kMs);
    EXPECT_TRUE(port.magnitudes.empty());
    EXPECT_EQ(output.errorCount.load(), 0u) << "creation failures are not recorded";
    runUntil(clock.now + 20 * kMs);
    EXPECT_FALSE(port.magnitudes.empty()) << "the fifth try succeeds";
}

TEST_F(FfbOutputTest, ARepeatedFailureCountsOnceASecondAndDifferentOnesEveryTime) {
    for (int ms = 0; ms < 2500; ++ms) {
        output.recordError(kDierrInputLost);
        clock.now += kMs;
    }
    EXPECT_EQ(output.errorCount.load(), 3u);
    EXPECT_EQ(output.lastError.load(), kDierrInputLost);

    for (int i = 0; i < 10; ++i) {
        output.recordError(i % 2 ? kDierrInputLost : kDierrNotAcquired);
        clock.now += kMs;
    }
    EXPECT_EQ(output.errorCount.load(), 13u);
    EXPECT_EQ(output.lastError.load(), kDierrInputLost);
}

TEST_F(FfbOutputTest, ReacquireIsThrottledTo250ms) {
    openWheel();
    const int acquires = port.count("acquire");
    output.reacquire();
    clock.now += 100 * kMs;
    output.reacquire();
    EXPECT_EQ(port.count("acquire"), acquires + 1);
    EXPECT_EQ(port.count("unacquire"), 1);
    clock.now += 150 * kMs;
    output.reacquire();
    EXPECT_EQ(port.count("acquire"), acquires + 2);
}

TEST_F(FfbOutputTest, FailedUpdateIsRecordedAndTheWheelReacquired) {
    openWheel();
    output.requestedForce.store(3000);
    enableAndRunFor(3500 * kMs);
    const int acquires = port.count("acquire");
    port.failNext("setMagnitude", kDierrInputLost);
    output.loopOnce();
    EXPECT_EQ(output.errorCount.load(), 1u);
    EXPECT_EQ(output.lastError.load(), kDierrInputLost);
    EXPECT_EQ(port.count("acquire"), acquires + 1);
    runUntil(clock.now + 100 * kMs);
    EXPECT_EQ(output.magnitude(), 3000) << "output recovers";
    EXPECT_TRUE(output.effectStarted());
    EXPECT_EQ(output.errorCount.load(), 1u);
}

// A wheel unplugged mid-drive fails every call, with results that change
// from call to call: one fault, counted once; the stage gives the wheel up
// (at once when Acquire says unplugged, else after a second of it) and then
// leaves the device alone. A short loss is no unplug.
TEST_F(FfbOutputTest, AnUnpluggedWheelIsCountedOnceAndGivenUp) {
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, HResult>> failures; // every call from now on
        bool gone;
        int64_t goneWithinMs;
    };
    const std::vector<Case> cases = {
        {"skipped updates, refused starts, Acquire finds it unplugged",
         {{"setMagnitude", kDiDownloadSkipped}, {"startEffect", kDierrNotExclusiveAcquired},
          {"acquire", kDierrUnplugged}},
         true, 10},
        {"input lost on every update while Acquire still works",
         {{"setMagnitude", kDierrInputLost}}, true, 1100},
        {"input lost once", {}, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeWheelPort wheelPort(clock);
        FfbOutput stage(wheelPort, clock, OutputPacing::Manual);
        ASSERT_TRUE(stage.open(nullptr, DeviceGuid{}));
        stage.requestedForce.store(3000);
        stage.outputEnabled.store(true);
        const auto runFor = [&](int64_t ns) {
            for (const int64_t until = clock.now + ns; clock.now < until;)
                stage.loopOnce();
        };
        runFor(3500 * kMs);
        wheelPort.failNext("setMagnitude", kDierrInputLost);
        for (const auto& [call, hr] : c.failures)
            wheelPort.failNext(call, hr, 1'000'000);
        const int64_t failingFrom = clock.now;
        while (!stage.wheelGone.load() && clock.now < failingFrom + 2000 * kMs)
            stage.loopOnce();
        EXPECT_EQ(stage.wheelGone.load(), c.gone);
        EXPECT_EQ(stage.errorCount.load(), 1u) << "one fault, one count";
        if (!c.gone)
            continue;
        EXPECT_LE(clock.now - failingFrom, c.goneWithinMs * kMs);
        const size_t calls = wheelPort.calls.size();
        runFor(500 * kMs);
        EXPECT_EQ(wheelPort.calls.size(), calls) << "the device is left alone";
        EXPECT_EQ(stage.errorCount.load(), 1u);
    }
}

// Found by fuzz_engine (tests/fuzz): after a failed update the reacquire
// sends a zero, and the next loop used to send the last output again at
// once: full force off and back on within two milliseconds, a jolt the slew
// limit is there to prevent. Then, with an effect that would not start for
// 28 loops, each loop sent its next step up and the start's zero in turn, the
// steps growing 1200 a loop from the zero before them. The force now climbs
// back 1200 per loop from every zero the wheel was sent.
TEST_F(FfbOutputTest, AfterAReacquireTheForceClimbsBackWithinTheSlewLimit) {
    openWheel();
    output.requestedForce.store(9000);
    enableAndRunFor(3500 * kMs);
    for (const int startFailures : {0, 28}) {
        port.failNext("setMagnitude", kDierrInputLost);
        if (startFailures > 0)
            port.failNext("startEffect", kEFail, startFailures);
        const size_t before = port.magnitudes.size();
        runUntil(clock.now + 200 * kMs);
        for (size_t i = before + 1; i < port.magnitudes.size(); ++i) {
            const int32_t step = port.magnitudes[i].value - port.magnitudes[i - 1].value;
            if (port.magnitudes[i].value != 0) {
                EXPECT_LE(std::abs(step), 1200) << "update " << i - before << ", " << startFailures
                                                << " failed starts";
            }
        }
        EXPECT_EQ(output.magnitude(), 9000) << "and it gets there";
        EXPECT_TRUE(output.effectStarted());
    }
}

TEST_F(FfbOutputTest, NoDampingReadsNoDeviceState) {
    port.withEvent = true;
    openWheel();
    output.requestedForce.store(1000);
    enableAndRunFor(4000 * kMs);
    EXPECT_EQ(port.count("readAxisX"), 0);
    EXPECT_EQ(port.count("takeInputReport"), 0) << "nor looks at the device's input";
    EXPECT_EQ(output.readDamping(true), 0);
    EXPECT_EQ(port.count("readAxisX"), 0);
}

// The wheel's buttons for the window's bindings: read only while watched,
// whether or not output runs; each press counted once, however short, a
// held button never again, one held at the first read not at all.
TEST_F(FfbOutputTest, WatchedButtonsAreLatchedOncePerPressForTheWindow) {
    openWheel();
    port.buttons = 1u << 7; // held as the wheel opens
    runUntil(clock.now + 100 * kMs);
    EXPECT_EQ(port.count("readButtons"), 0) << "unwatched: no reads";
    output.watchButtons.store(true);
    runUntil(clock.now + 100 * kMs);
    EXPECT_GE(port.count("readButtons"), 5);
    auto counts = [&] {
        std::vector<uint32_t> c;
        for (const auto& n : output.buttonPresses)
            c.push_back(n.load());
        return c;
    };
    EXPECT_EQ(counts(), std::vector<uint32_t>(32, 0u));

    for (int i = 0; i < 2; ++i) { // twice, each shorter than a window's poll
        port.buttons |= 1u << 4;
        runUntil(clock.now + 20 * kMs);
        port.buttons &= ~(1u << 4);
        runUntil(clock.now + 20 * kMs);
    }
    port.buttons |= 1u; // and another held on while driving
    output.outputEnabled.store(true);
    runUntil(clock.now + 500 * kMs);
    std::vector<uint32_t> expected(32, 0u);
    expected[4] = 2;
    expected[0] = 1;
    EXPECT_EQ(counts(), expected);
    EXPECT_EQ(output.buttonPresses[7].load(), 0u) << "held at the first read";
}

// The wheel turning at a steady 125 raw units per ms: every filter stage
// settles on 0.125 units/µs.
int32_t settledDamping(FfbOutput& output, FakeWheelPort& port, VirtualClock& clock) {
    int32_t damping = 0;
    for (int i = 0; i < 20; ++i) {
        clock.now += kMs;
        port.axisX += 125;
        damping = output.readDamping(true);
    }
    return damping;
}

TEST_F(FfbOutputTest, DampingFollowsTheWheelsSpeedAndIsStiffAtTheEndStop) {
    port.withEvent = true;
    openWheel();
    output.dampingPercent.store(50);
    EXPECT_NEAR(settledDamping(output, port, clock), 40000 * 0.125, 2); // gain 50 × 800
    EXPECT_EQ(output.readDamping(false), output.dampingForce()) << "no new input: kept";

    output.endStopActive.store(true);
    output.dampingPercent.store(0);
    EXPECT_NEAR(settledDamping(output, port, clock), 150000 * 0.125, 3);

    port.failNext("readAxisX", kDierrInputLost);
    EXPECT_EQ(output.readDamping(true), 0) << "a failed read gives no damping";
}

TEST_F(FfbOutputTest, ForcePlusDampingIsClampedToFullScaleBeforeTheSlew) {
    port.withEvent = true;
    openWheel();
    output.requestedForce.store(9996);
    output.dampingPercent.store(50);
    output.outputEnabled.store(true);
    enabledAt = clock.now;
    int32_t most = 0;
    while (clock.now < enabledAt + 4000 * kMs) {
        port.axisX += 125; // damping of about 5000 on top
        output.loopOnce();
        most = std::max(most, output.magnitude());
    }
    EXPECT_EQ(most, 10000);

    output.requestedForce.store(-9996);
    for (int i = 0; i < 200; ++i) {
        port.axisX -= 125;
        output.loopOnce();
    }
    EXPECT_EQ(output.magnitude(), -10000);
    for (const auto& m : port.magnitudes)
        ASSERT_LE(std::abs(m.value), 10000);
}

TEST_F(FfbOutputTest, AnAbsurdWheelSpeedCannotOverflowTheDamping) {
    port.withEvent = true;
    openWheel();
    output.endStopActive.store(true);
    clock.now += kMs;
    output.readDamping(true);
    clock.now += 1000; // 1 µs later the axis has jumped end to end
    port.axisX = 2'000'000'000;
    const int32_t damping = output.readDamping(true);
    EXPECT_EQ(damping, 20000);

    clock.now += 1000; // and back across the whole 32-bit range
    port.axisX = -2'000'000'000;
    EXPECT_EQ(output.readDamping(true), -20000) << "a jump back pushes the other way";
}

TEST(FfbOutputThread, RunsOnItsOwnThreadUntilClosed) {
    VirtualClock unused;
    test::FakeWheelPort port(unused);
    // Real time: the output thread sleeps 5 ms per idle loop.
    FfbOutput output(port, steadyClock());
    ASSERT_TRUE(output.open(nullptr, DeviceGuid{}));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    output.close();
    EXPECT_EQ(port.calls.back().name, "releaseAll");
    EXPECT_EQ(output.requestedForce.load(), 0);
}

} // namespace
} // namespace gripline
