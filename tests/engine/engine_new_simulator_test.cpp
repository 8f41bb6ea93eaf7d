// A simulator started anew rewrites the block the engine holds, and may set
// its connection bit again before the engine ever sees it low. The engine
// must read the new simulator from its own places from the first tick on,
// and start over as on a new connection; a session-information counter that
// merely climbs over the same table must change nothing.
#include "engine/engine_loop.h"

#include "engine/ffb_engine.h"
#include "tests/engine/engine_test_support.h"
#include "tests/support/simulated_block.h"
#include "tests/support/virtual_clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <string>

namespace gripline {
namespace {

using namespace gripline::test;

// One engine over one simulated block, in virtual time. Most of an engine is
// its recorder's ring (about 700 KB): two rigs go on the heap, not on a
// Windows thread's stack.
struct EngineRig {
    explicit EngineRig(std::vector<TelemetryVarSpec> vars, size_t capacity = 0)
        : sim(std::move(vars), capacity) {
        ports = {.telemetry = &sim.source, .clock = &clock, .wheel = &wheel,
                 .handOff = &handOff, .observer = &observer};
        loop.emplace(engine, ports);
        loop->begin();
    }
    void tick(int32_t tickCount) {
        sim.publish(tickCount, valuesAt(tickCount));
        loop->pass();
    }
    // Varied values, the same for the same tick in every rig.
    static TickValues valuesAt(int32_t tickCount) {
        const float t = static_cast<float>(tickCount);
        return {.onTrack = true, .speed = 20.0f + 0.25f * t, .torque = 4.0f * std::sin(0.3f * t)};
    }
    std::vector<int32_t> magnitudesFrom(size_t first) const {
        return test::magnitudesFrom(observer.samples, first);
    }

    SimulatedBlock sim;
    VirtualClock clock;
    RecordingWheel wheel;
    RecordingHandOff handOff;
    RecordingObserver observer;
    FfbEngine engine;
    EnginePorts ports;
    std::optional<EngineLoop> loop;
};

std::vector<TelemetryVarSpec> reversed(std::vector<TelemetryVarSpec> vars) {
    std::reverse(vars.begin(), vars.end());
    return vars;
}

// Forty other variables ahead of the standard ones: every index and offset
// moves.
std::vector<TelemetryVarSpec> largeTable() {
    std::vector<TelemetryVarSpec> vars;
    for (int i = 0; i < 40; ++i)
        vars.push_back({"Other" + std::to_string(i), irsdk::kFloat, 3});
    for (TelemetryVarSpec& v : standardTelemetryVars())
        vars.push_back(v);
    return vars;
}

// Only the variables the program reads, in another order.
std::vector<TelemetryVarSpec> smallTable() {
    std::vector<TelemetryVarSpec> vars = standardTelemetryVars();
    vars.erase(vars.begin(), vars.begin() + 2); // SessionTime, SessionTick
    return reversed(vars);
}

size_t blockSize(const std::vector<TelemetryVarSpec>& vars) { return TelemetryImage(vars).size(); }

TEST(EngineNewSimulator, TheFirstTickAfterARewriteIsReadFromTheNewPlaces) {
    struct Case {
        const char* name;
        std::vector<TelemetryVarSpec> before, after;
        int32_t firstNewTick; // above the old ones, or back at 0
    };
    const std::vector<Case> cases = {
        {"large table to small", largeTable(), smallTable(), 100},
        {"small table to large", smallTable(), largeTable(), 100},
        {"same length, another order", standardTelemetryVars(),
         reversed(standardTelemetryVars()), 100},
        {"same table, ticks start again", standardTelemetryVars(), standardTelemetryVars(), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto liveRig = std::make_unique<EngineRig>(
            c.before, std::max(blockSize(c.before), blockSize(c.after)));
        EngineRig& live = *liveRig;
        for (int32_t t = 1; t <= 5; ++t)
            live.tick(t);
        ASSERT_TRUE(live.engine.readStatus().OnTrack);
        const size_t samplesBefore = live.observer.samples.size();
        const uint32_t quiescesBefore = live.wheel.quiesceCount.load();

        // Within one wait: the bit drops, the block is rewritten, the bit
        // rises and the new simulator publishes. The engine never sees it low.
        live.sim.setConnected(false);
        live.sim.rewrite(c.after);
        live.sim.setConnected(true);
        const auto freshRig = std::make_unique<EngineRig>(c.after);
        EngineRig& fresh = *freshRig;
        for (int32_t t = c.firstNewTick; t < c.firstNewTick + 6; ++t) {
            live.tick(t);
            fresh.tick(t);
        }

        EXPECT_EQ(live.magnitudesFrom(samplesBefore), fresh.magnitudesFrom(0))
            << "every sample after the change as a fresh engine computes it";
        EXPECT_EQ(live.observer.samples.size() - samplesBefore, 36u);
        EXPECT_TRUE(live.engine.readStatus().OnTrack);
        EXPECT_EQ(live.handOff.starts, 2) << "the new simulator's force feedback is handed off";
        EXPECT_GT(live.wheel.quiesceCount.load(), quiescesBefore)
            << "the wheel starts again from rest";
        EXPECT_EQ(live.engine.readStatus().OutputReportCount, 1u) << "the old stint is reported";
        EXPECT_EQ(live.wheel.opens, 1) << "the wheel itself stays open";
    }
}

TEST(EngineNewSimulator, ASessionCounterClimbingOverTheSameTableChangesNothing) {
    const auto climbingRig = std::make_unique<EngineRig>(standardTelemetryVars());
    const auto steadyRig = std::make_unique<EngineRig>(standardTelemetryVars());
    EngineRig& climbing = *climbingRig;
    EngineRig& steady = *steadyRig;
    for (int32_t t = 1; t <= 300; ++t) {
        if (t % 60 == 0) // results and flags, once a second
            climbing.sim.setSessionText("WeekendInfo:\n TrackName: spielberg " + std::to_string(t));
        climbing.tick(t);
        steady.tick(t);
    }
    ASSERT_EQ(steady.observer.samples.size(), 1800u);
    EXPECT_EQ(climbing.magnitudesFrom(0), steady.magnitudesFrom(0));
    EXPECT_EQ(climbing.handOff.starts, 1);
    EXPECT_EQ(climbing.wheel.quiesceCount.load(), steady.wheel.quiesceCount.load());
    EXPECT_EQ(climbing.engine.readStatus().OutputReportCount, 0u) << "one stint, still going";
}

} // namespace
} // namespace gripline
