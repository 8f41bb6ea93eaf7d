// The engine meeting the simulator's ticks, in virtual time: a simulator on a
// steady 60 Hz clock whose event wakes a waiter late, as Wine's did under
// load, and ticks that come early, late or not at all.
#include "engine/engine_loop.h"
#include "engine/ffb_engine.h"
#include "engine/tick_phase.h"
#include "tests/engine/engine_test_support.h"
#include "tests/support/simulated_block.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace gripline {
namespace {

using namespace gripline::test;

constexpr int64_t kPeriodNs = 16'666'667;

// Both the clock and the block: every move of time publishes the ticks due
// by then (tick k at k periods plus its offset, none for a skipped tick) and
// sets the event, which wakes a waiter `wakeNs` after the publish.
class SteadySimulator final : public Clock, public TelemetrySource {
  public:
    int64_t nowNs() override { return now_; }
    void sleepNs(int64_t ns) override { advance(now_ + std::max<int64_t>(ns, 0)); }
    void spinUntil(int64_t deadlineNs) override { advance(deadlineNs); }
    void waitUntil(int64_t deadlineNs) override { advance(deadlineNs); }

    bool attach() override { return sim.source.attach(); }
    void detach() override { sim.source.detach(); }
    const uint8_t* view() const override { return sim.source.view(); }
    size_t viewSize() const override { return sim.source.viewSize(); }
    Wait waitForData(int timeoutMs) override {
        if (!signalled_) {
            const int64_t limit = now_ + int64_t{timeoutMs} * kNsPerMs;
            const int64_t next = nextPublishNs();
            if (next > limit) {
                advance(limit);
                return Wait::TimedOut;
            }
            advance(next + wakeNs);
        }
        signalled_ = false;
        return Wait::Signalled;
    }

    int64_t publishNs(int32_t tick) const {
        const auto offset = offsetNs.find(tick);
        const int64_t shift = offset == offsetNs.end() || offset->second == kNever ? 0 : offset->second;
        return firstNs + tick * kPeriodNs + shift;
    }
    bool published(int32_t tick) const {
        const auto offset = offsetNs.find(tick);
        return tick <= lastTick && (offset == offsetNs.end() || offset->second != kNever);
    }

    static constexpr int64_t kNever = INT64_MAX;
    SimulatedBlock sim;
    int64_t firstNs = 1'000'000'000;
    int64_t wakeNs = 300'000;
    int32_t lastTick = 200;
    std::map<int32_t, int64_t> offsetNs; // kNever: not published

  private:
    int64_t nextPublishNs() const {
        for (int32_t t = next_; t <= lastTick; ++t)
            if (published(t))
                return publishNs(t);
        return INT64_MAX;
    }
    void advance(int64_t to) {
        while (next_ <= lastTick && publishNs(next_) <= to) {
            if (published(next_)) {
                now_ = std::max(now_, publishNs(next_));
                sim.publish(next_, {.torque = 5.0f + 4.0f * std::sin(0.3f * next_)});
                signalled_ = true;
            }
            ++next_;
        }
        now_ = std::max(now_, to);
    }

    int64_t now_ = 1'000'000'000;
    int32_t next_ = 0;
    bool signalled_ = false;
};

struct Drive {
    std::vector<int32_t> ticks;
    std::vector<int32_t> magnitudes;
    std::map<int32_t, int64_t> seenAfterPublishNs;
};

Drive drive(bool meetTicks, const std::map<int32_t, int64_t>& offsets = {}) {
    auto simulator = std::make_unique<SteadySimulator>();
    simulator->offsetNs = offsets;
    RecordingWheel wheel;
    RecordingObserver observer;
    auto engine = std::make_unique<FfbEngine>();
    EnginePorts ports{.telemetry = simulator.get(), .clock = simulator.get(), .wheel = &wheel,
                      .observer = &observer, .meetTicks = meetTicks};
    EngineLoop loop(*engine, ports);
    loop.begin();
    const int64_t endNs = simulator->publishNs(simulator->lastTick) + 100 * kNsPerMs;
    while (simulator->nowNs() < endNs)
        loop.pass();
    loop.end();
    Drive result{observer.ticks, magnitudesFrom(observer.samples, 0), {}};
    for (size_t i = 0; i < observer.ticks.size(); ++i)
        result.seenAfterPublishNs[observer.ticks[i]] =
            observer.tickStarts[i] - simulator->publishNs(observer.ticks[i]);
    return result;
}

TEST(TickMeeting, TheEngineMeetsEachTickWithTheSameForcesAsWhenWoken) {
    const Drive woken = drive(false);
    const Drive met = drive(true);
    EXPECT_EQ(met.ticks, woken.ticks);
    EXPECT_EQ(met.magnitudes, woken.magnitudes) << "order and values do not change";
    EXPECT_EQ(woken.seenAfterPublishNs.at(100), 300'000);
    for (int32_t tick = 20; tick <= 200; ++tick)
        ASSERT_LE(met.seenAfterPublishNs.at(tick), 2'000)
            << "tick " << tick << " is seen within the watch's step of its publish";
}

// A tick 60 µs late lands in the window; 3 ms late it is left to the event,
// and its samples end early enough for the next to be met;
// 2 ms early it is seen when the watch begins; a skipped one leaves a gap
// the event takes the next and the one after is met; a pause of half a second is learnt anew.
TEST(TickMeeting, EarlyLateSkippedAndPausedTicksAreAllTaken) {
    constexpr int64_t kNever = SteadySimulator::kNever;
    std::map<int32_t, int64_t> offsets{{50, 60'000},     {80, 3'000'000}, {110, -2'000'000},
                                       {140, kNever}};
    for (int32_t t = 170; t <= 200; ++t)
        offsets[t] = 500 * kNsPerMs; // the simulator paused before tick 170
    const Drive woken = drive(false, offsets);
    const Drive met = drive(true, offsets);
    EXPECT_EQ(met.ticks, woken.ticks);
    EXPECT_EQ(met.magnitudes, woken.magnitudes);
    EXPECT_EQ(std::count(met.ticks.begin(), met.ticks.end(), 140), 0);
    EXPECT_LE(met.seenAfterPublishNs.at(50), 2'000);
    EXPECT_EQ(met.seenAfterPublishNs.at(80), 300'000) << "the event takes a late tick";
    EXPECT_GT(woken.seenAfterPublishNs.at(81), 300'000) << "woken, the late tick's samples delay the next";
    EXPECT_LE(met.seenAfterPublishNs.at(81), 2'000) << "its samples made room for the next tick";
    EXPECT_GT(met.seenAfterPublishNs.at(110), 0) << "seen when the watch begins";
    EXPECT_LT(met.seenAfterPublishNs.at(110), 2'000'000);
    EXPECT_EQ(met.seenAfterPublishNs.at(141), 300'000) << "after a tick that never came, the event";
    EXPECT_LE(met.seenAfterPublishNs.at(142), 2'000);
    EXPECT_EQ(met.seenAfterPublishNs.at(170), 300'000) << "after a pause the event wakes";
    EXPECT_LE(met.seenAfterPublishNs.at(200), 2'000) << "and the rhythm is learnt again";
}

} // namespace
} // namespace gripline
