// What the simulator is told about its own force feedback: the values, and
// when the engine sends them.
#include "engine/simulator_handoff.h"

#include "engine/engine_loop.h"
#include "engine/ffb_engine.h"
#include "tests/engine/engine_test_support.h"
#include "tests/support/simulated_block.h"
#include "tests/support/virtual_clock.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace gripline {
namespace {

using namespace gripline::test;

struct Command {
    uint32_t wParam;
    int32_t lParam;
    bool operator==(const Command&) const = default;
};

void PrintTo(const Command& c, std::ostream* os) {
    *os << "wparam=" << c.wParam << " lparam=" << c.lParam;
}

class RecordingCommands final : public SimulatorCommands {
  public:
    void send(uint32_t wParam, int32_t lParam) override { sent.push_back({wParam, lParam}); }
    std::vector<Command> sent;
};

constexpr Command kSuppress{11, 655'360'000}; // 10 000 N·m
constexpr Command kRestore{11, 2'621'440};    // 40 N·m

FfbSettings simucube(int32_t forceStrength) {
    FfbSettings settings;
    settings.SimucubeMode = 1;
    settings.ForceStrength = forceStrength;
    return settings;
}

TEST(MaxForceHandOff, ConnectionValueSuppressesOrMatchesOurFullScale) {
    RecordingCommands commands;
    MaxForceHandOff handOff(commands);
    FfbSettings plain;
    plain.ForceStrength = 0;
    handOff.connectionStarted(plain);  // whatever the strength
    handOff.connectionStarted(simucube(50));  // 40 N·m
    handOff.connectionStarted(simucube(0));   // counts as 1: 2000 N·m
    handOff.connectionStarted(simucube(-5));  // the same
    handOff.connectionStarted(simucube(3));   // 666.67 N·m, truncated in 16.16
    handOff.connectionStarted(simucube(100)); // 20 N·m
    handOff.connectionEnded();
    EXPECT_EQ(commands.sent, (std::vector<Command>{kSuppress, {11, 2'621'440}, {11, 131'072'000},
                                                   {11, 131'072'000}, {11, 43'690'666},
                                                   {11, 1'310'720}, kRestore}));
}

TEST(MaxForceHandOff, FixedPointConversionTruncatesAndStaysDefined) {
    EXPECT_EQ(maxForceLParam(40.0), 2'621'440);
    EXPECT_EQ(maxForceLParam(-1.0), -65'536);
    EXPECT_EQ(maxForceLParam(1.0 / 65536 * 1.9), 1);
    EXPECT_EQ(maxForceLParam(1e9), 2'147'483'647);
    EXPECT_EQ(maxForceLParam(-1e9), -2'147'483'647 - 1);
    EXPECT_EQ(maxForceLParam(std::numeric_limits<double>::quiet_NaN()), 0);
}

// The engine loop over a simulated block, with the real hand-off.
class EngineHandOffTest : public ::testing::Test {
  protected:
    EngineHandOffTest() {
        ports.telemetry = &sim.source;
        ports.clock = &clock;
        ports.wheel = &wheel;
        ports.handOff = &handOff;
    }
    EngineLoop& loop() {
        if (!loop_) {
            loop_ = std::make_unique<EngineLoop>(engine, ports);
            loop_->begin();
        }
        return *loop_;
    }
    void tick(int32_t tickCount) {
        sim.publish(tickCount);
        loop().pass();
    }

    SimulatedBlock sim;
    test::VirtualClock clock;
    RecordingWheel wheel;
    RecordingCommands commands;
    MaxForceHandOff handOff{commands};
    FfbEngine engine;
    EnginePorts ports;
    std::unique_ptr<EngineLoop> loop_;
};

TEST_F(EngineHandOffTest, SuppressedOnceAtConnectionAndRestoredAtTheEnd) {
    tick(1);
    tick(2);
    engine.storeSettings(simucube(50)); // too late: taken at connection only
    tick(3);
    EXPECT_EQ(commands.sent, std::vector<Command>{kSuppress});
    loop().end();
    EXPECT_EQ(commands.sent, (std::vector<Command>{kSuppress, kRestore}));
}

TEST_F(EngineHandOffTest, SimulatorThatNeverConnectedIsToldNothing) {
    sim.setConnected(false);
    tick(1);
    tick(2);
    loop().end();
    EXPECT_TRUE(commands.sent.empty());
}

TEST_F(EngineHandOffTest, SimulatorGoneIsRestoredAndHandedOffAgainWhenItReturns) {
    tick(1);
    sim.source.nextWait = TelemetrySource::Wait::Failed;
    loop().pass();
    EXPECT_EQ(commands.sent, (std::vector<Command>{kSuppress, kRestore}));

    // The next connection takes the settings of that moment.
    engine.storeSettings(simucube(50));
    sim.source.nextWait = TelemetrySource::Wait::Signalled;
    tick(2);
    loop().end();
    EXPECT_EQ(commands.sent,
              (std::vector<Command>{kSuppress, kRestore, {11, 2'621'440}, kRestore}));
}

TEST_F(EngineHandOffTest, SimulatorRestartedBehindOurOpenViewIsHandedOffAgain) {
    tick(1);
    sim.setConnected(false); // the simulator closes; our view keeps the block
    tick(2);
    engine.storeSettings(simucube(50));
    sim.setConnected(true); // and a new run of it writes there again
    tick(3);
    tick(4);
    EXPECT_EQ(commands.sent, (std::vector<Command>{kSuppress, {11, 2'621'440}}));
}

} // namespace
} // namespace gripline
