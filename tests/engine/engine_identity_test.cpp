// The engine with the real session scanner: the identity in its status comes
// from the simulator's session text, read only where the header says and
// only inside the mapped view.
#include "engine/engine_loop.h"
#include "engine/ffb_engine.h"
#include "telemetry/session_scanner.h"
#include "telemetry/telemetry_layout.h"
#include "tests/engine/engine_test_support.h"
#include "tests/support/simulated_block.h"
#include "tests/support/virtual_clock.h"

#include "common/file_bytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace gripline {
namespace {

using namespace gripline::test;

class EngineIdentityTest : public ::testing::Test {
  protected:
    EngineIdentityTest() {
        ports.telemetry = &sim.source;
        ports.clock = &clock;
        ports.wheel = &wheel;
        ports.scanner = &scanner;
        loop_ = std::make_unique<EngineLoop>(engine, ports);
        loop_->begin();
    }
    void tick(int32_t tickCount) {
        sim.publish(tickCount);
        loop_->pass();
    }
    void setHeader(size_t offset, int32_t value) {
        std::memcpy(sim.block().data() + offset, &value, sizeof value);
    }
    // The simulator announces a new text by raising sessionInfoUpdate.
    void announceNewText() {
        int32_t update = 0;
        std::memcpy(&update, sim.block().data() + irsdk::kSessionInfoUpdate, sizeof update);
        setHeader(irsdk::kSessionInfoUpdate, update + 1);
    }
    void expectIdentity(const wchar_t* car, const wchar_t* driver, int32_t userId) {
        const EngineStatus status = engine.readStatus();
        EXPECT_EQ(status.CarName, car);
        EXPECT_EQ(status.DriverName, driver);
        EXPECT_EQ(status.DriverUserId, userId);
        EXPECT_TRUE(status.IdentityConsistent);
    }

    SimulatedBlock sim;
    test::VirtualClock clock;
    RecordingWheel wheel;
    TextSessionScanner scanner;
    FfbEngine engine;
    EnginePorts ports;
    std::unique_ptr<EngineLoop> loop_;
};

TEST_F(EngineIdentityTest, StatusShowsTheCarAndDriverOfTheRealF4Session) {
    std::vector<uint8_t> text;
    std::string error;
    ASSERT_TRUE(readFileBytes(GRIPLINE_FIXTURES "/session_f4_tsukuba.yaml", text, error)) << error;
    sim.setSessionText(std::string(text.begin(), text.end()));
    tick(1);
    expectIdentity(L"formulair04", L"Test Dr\u00EFver", 700063);
    EXPECT_EQ(engine.readStatus().TrackName, L"tsukuba 2kfull");
    EXPECT_EQ(engine.readStatus().TrackDisplayName, L"Tsukuba Circuit 2k Full");
}

TEST_F(EngineIdentityTest, TextOutsideTheViewIsNeverReadAndGivesTheDefaults) {
    sim.setSessionText("DriverCarIdx: 0\nDrivers:\n- CarIdx: 0\n  CarPath: mx5 mx52016\n");
    tick(1);
    expectIdentity(L"mx5 mx52016", L"unknown", 0);

    const auto viewSize = static_cast<int32_t>(sim.block().size());
    const struct {
        int32_t offset, length;
    } outside[] = {{viewSize - 10, 100}, {112, 0x7FFFFFFF}, {-4096, 8192}, {viewSize, 1}};
    int32_t tickCount = 2;
    for (const auto& header : outside) {
        setHeader(irsdk::kSessionInfoOffset, header.offset);
        setHeader(irsdk::kSessionInfoLen, header.length);
        announceNewText();
        tick(tickCount++);
        SCOPED_TRACE(testing::Message() << "offset " << header.offset << " length " << header.length);
        expectIdentity(L"generic", L"unknown", 0);
    }

    // Back inside the view, the text is read again once it changes.
    sim.setSessionText("DriverCarIdx: 0\nDrivers:\n- CarIdx: 0\n  CarPath: dallarap217\n");
    setHeader(irsdk::kSessionInfoOffset, sim.image.sessionOffset());
    tick(tickCount++);
    expectIdentity(L"dallarap217", L"unknown", 0);
}

} // namespace
} // namespace gripline
