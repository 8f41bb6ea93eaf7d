#include "telemetry/telemetry_reader.h"

#include "common/file_bytes.h"
#include "telemetry/buffer_telemetry_source.h"
#include "telemetry/telemetry_image.h"
#include "telemetry/telemetry_layout.h"
#include "tests/support/simulated_block.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace gripline {
namespace {

using test::SimulatedBlock;

void storeInt32(std::span<uint8_t> bytes, size_t offset, int32_t value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

std::vector<TelemetryVarSpec> varsWith(std::vector<TelemetryVarSpec> vars) { return vars; }

TelemetryVarSpec floatArray(const char* name, int32_t count) { return {name, irsdk::kFloat, count}; }

TEST(TelemetryReader, ReadsTheNewestBufferOfTheRealSimulatorImage) {
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(readFileBytes(GRIPLINE_FIXTURES "/irsdk_live_w13_monza.bin", bytes, error)) << error;
    BufferTelemetrySource source(std::move(bytes));
    TelemetryReader reader(source);
    ASSERT_TRUE(reader.open());
    EXPECT_TRUE(reader.simulatorConnected());
    EXPECT_EQ(reader.findVar("LFshockDefl_ST"), -1);
    EXPECT_EQ(reader.findVar("CFshockDefl_ST"), 308);

    TelemetrySnapshot s;
    ASSERT_TRUE(reader.readLatest(s));
    EXPECT_TRUE(s.Valid);
    EXPECT_EQ(s.TickCount, 2005); // buffer 1 holds the newest line
    EXPECT_EQ(s.TorqueStCount, 6);
    EXPECT_EQ(s.ShockStCount, 0);
    EXPECT_EQ(s.LFshockDefl, 0.0f);
    EXPECT_EQ(s.CFshockStCount, 6);
    EXPECT_EQ(s.CFshockDefl, s.CFshockDeflSt[5]);

    const auto text = reader.sessionText();
    ASSERT_FALSE(text.empty());
    const std::string_view session(reinterpret_cast<const char*>(text.data()), text.size());
    EXPECT_NE(session.find("CarPath: mercedesw13"), std::string_view::npos);
}

TEST(TelemetryReader, FillsEveryVariableFromTheLine) {
    SimulatedBlock sim;
    std::vector<uint8_t> line = sim.image.newLine();
    const float lf[6] = {0.01f, 0.02f, 0.03f, 0.04f, 0.05f, 0.06f};
    const float rf[6] = {0.11f, 0.12f, 0.13f, 0.14f, 0.15f, 0.16f};
    sim.image.setBool(line, "IsOnTrack", true);
    sim.image.setBool(line, "BrakeABSactive", true);
    sim.image.setFloat(line, "Speed", 41.5f);
    sim.image.setFloat(line, "SteeringWheelAngle", -0.25f);
    sim.image.setFloat(line, "SteeringWheelAngleMax", 7.85f);
    sim.image.setFloat(line, "VelocityX", 41.0f);
    sim.image.setFloat(line, "VelocityY", -1.5f);
    sim.image.setFloat(line, "LongAccel", -9.0f);
    sim.image.setFloat(line, "LatAccel", 12.0f);
    sim.image.setFloat(line, "YawRate", 0.4f);
    sim.image.setArray(line, "LFshockDefl_ST", lf);
    sim.image.setArray(line, "RFshockDefl_ST", rf);
    sim.image.publishLine(sim.block(), line, 77);

    TelemetryReader reader(sim.source);
    ASSERT_TRUE(reader.open());
    TelemetrySnapshot s;
    ASSERT_TRUE(reader.readLatest(s));
    EXPECT_EQ(s.TickCount, 77);
    EXPECT_TRUE(s.IsOnTrack);
    EXPECT_TRUE(s.BrakeABSactive);
    EXPECT_EQ(s.Speed, 41.5f);
    EXPECT_EQ(s.SteeringWheelAngle, -0.25f);
    EXPECT_EQ(s.SteeringWheelAngleMax, 7.85f);
    EXPECT_EQ(s.VelocityX, 41.0f);
    EXPECT_EQ(s.VelocityY, -1.5f);
    EXPECT_EQ(s.LongAccel, -9.0f);
    EXPECT_EQ(s.LatAccel, 12.0f);
    EXPECT_EQ(s.YawRate, 0.4f);
    EXPECT_EQ(s.ShockStCount, 6);
    EXPECT_EQ(s.LFshockDefl, 0.06f);
    EXPECT_EQ(s.RFshockDefl, 0.16f);
    EXPECT_EQ(s.CFshockStCount, 6);
}

TEST(TelemetryReader, SubSampleArraysFollowTheirDeclaredCounts) {
    // No torque array at all: the single torque value stands in for it.
    {
        SimulatedBlock sim(varsWith({{"IsOnTrack", irsdk::kBool, 1},
                                     {"SteeringWheelTorque", irsdk::kFloat, 1}}));
        sim.publish(1, {.torque = 3.5f});
        TelemetryReader reader(sim.source);
        ASSERT_TRUE(reader.open());
        TelemetrySnapshot s;
        ASSERT_TRUE(reader.readLatest(s));
        EXPECT_EQ(s.TorqueStCount, 1);
        EXPECT_EQ(s.TorqueSt[0], 3.5f);
        EXPECT_EQ(s.CFshockStCount, 0) << "no centre-front variable";
        EXPECT_EQ(s.CFshockDefl, 0.0f);
    }
    // Arrays longer than six give their first six; left 6 and right 3
    // give three shock sub-samples, the newest at index 2 of each.
    {
        SimulatedBlock sim(varsWith({floatArray("SteeringWheelTorque_ST", 9),
                                     floatArray("LFshockDefl_ST", 6),
                                     floatArray("RFshockDefl_ST", 3)}));
        std::vector<uint8_t> line = sim.image.newLine();
        for (int i = 0; i < 9; ++i)
            sim.image.setFloat(line, "SteeringWheelTorque_ST", float(i + 1), i);
        for (int i = 0; i < 6; ++i)
            sim.image.setFloat(line, "LFshockDefl_ST", 0.01f * (i + 1), i);
        for (int i = 0; i < 3; ++i)
            sim.image.setFloat(line, "RFshockDefl_ST", 0.1f * (i + 1), i);
        sim.image.publishLine(sim.block(), line, 5);
        TelemetryReader reader(sim.source);
        ASSERT_TRUE(reader.open());
        TelemetrySnapshot s;
        ASSERT_TRUE(reader.readLatest(s));
        EXPECT_EQ(s.TorqueStCount, 6);
        EXPECT_EQ(s.TorqueSt[5], 6.0f);
        EXPECT_EQ(s.ShockStCount, 3);
        EXPECT_EQ(s.LFshockDefl, 0.03f);
        EXPECT_EQ(s.RFshockDefl, 0.3f);
    }
}

// A header that declares a type or count the snapshot's read does not fit
// (flags are read as one byte, everything else as 4-byte floats) gives no
// value: a stale index into a rewritten table never reads a wrong kind.
TEST(TelemetryReader, VariablesOfAnotherTypeOrNoElementsAreAbsent) {
    struct Case {
        TelemetryVarSpec declared;
        std::function<bool(const TelemetrySnapshot&)> absent;
    };
    const std::vector<Case> cases = {
        {{"IsOnTrack", irsdk::kInt, 1}, [](const auto& s) { return !s.IsOnTrack; }},
        {{"BrakeABSactive", irsdk::kFloat, 1}, [](const auto& s) { return !s.BrakeABSactive; }},
        {{"Speed", irsdk::kDouble, 1}, [](const auto& s) { return s.Speed == 0.0f; }},
        {{"Speed", irsdk::kBitField, 1}, [](const auto& s) { return s.Speed == 0.0f; }},
        {{"Speed", irsdk::kFloat, 0}, [](const auto& s) { return s.Speed == 0.0f; }},
        {{"SteeringWheelTorque_ST", irsdk::kInt, 6},
         [](const auto& s) { return s.TorqueStCount == 1 && s.TorqueSt[0] == 2.0f; }},
        {{"LFshockDefl_ST", irsdk::kDouble, 6}, [](const auto& s) { return s.ShockStCount == 0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.declared.name + " of type " + std::to_string(c.declared.type) +
                     ", count " + std::to_string(c.declared.count));
        // The variable under test is followed by others, so its offset
        // always lies inside the line with bytes written at it.
        SimulatedBlock sim(varsWith({c.declared, {"SteeringWheelTorque", irsdk::kFloat, 1},
                                     floatArray("RFshockDefl_ST", 6), floatArray("Filler", 12)}));
        std::vector<uint8_t> line = sim.image.newLine();
        std::fill(line.begin(), line.end(), uint8_t{0x41}); // every byte non-zero
        sim.image.setFloat(line, "SteeringWheelTorque", 2.0f);
        sim.image.publishLine(sim.block(), line, 1);
        TelemetryReader reader(sim.source);
        ASSERT_TRUE(reader.open());
        TelemetrySnapshot s;
        ASSERT_TRUE(reader.readLatest(s));
        EXPECT_TRUE(c.absent(s));
    }
}

TEST(TelemetryReader, PicksTheGreatestTickAndTheEarlierBufferOnATie) {
    SimulatedBlock sim;
    sim.publish(10, {.speed = 10});
    sim.publish(12, {.speed = 12});
    sim.publish(11, {.speed = 11});
    TelemetryReader reader(sim.source);
    ASSERT_TRUE(reader.open());
    TelemetrySnapshot s;
    ASSERT_TRUE(reader.readLatest(s));
    EXPECT_EQ(s.TickCount, 12);
    EXPECT_EQ(s.Speed, 12.0f);

    sim.publish(12, {.speed = 99}); // buffer 0 now ties buffer 1
    ASSERT_TRUE(reader.readLatest(s));
    EXPECT_EQ(s.Speed, 99.0f) << "on equal tick counts the lower-numbered buffer is read";
}

TEST(TelemetryReader, RefusesBlocksWithoutBuffersOrLines) {
    for (const auto& [field, value] : {std::pair{irsdk::kNumBuf, 0}, std::pair{irsdk::kNumBuf, -3},
                                       std::pair{irsdk::kBufLen, 0}, std::pair{irsdk::kBufLen, -8}}) {
        SimulatedBlock sim;
        sim.publish(1);
        storeInt32(sim.block(), field, value);
        TelemetryReader reader(sim.source);
        ASSERT_TRUE(reader.open());
        TelemetrySnapshot s;
        EXPECT_FALSE(reader.readLatest(s)) << "field " << field << " = " << value;
        EXPECT_FALSE(s.Valid);
    }
}

TEST(TelemetryReader, OpenWhileAttachedKeepsTheAttachment) {
    SimulatedBlock sim;
    TelemetryReader reader(sim.source);
    ASSERT_TRUE(reader.open());
    ASSERT_TRUE(reader.open());
    EXPECT_EQ(sim.source.attachCount, 1);
    reader.close();
    EXPECT_FALSE(reader.isOpen());
    EXPECT_EQ(reader.varIndex(TelemetryVar::Speed), -1);
    EXPECT_EQ(reader.findVar("Speed"), -1);
}

TEST(TelemetryReader, LineBufferKeepsItsAllocationAcrossReadsAndDetach) {
    SimulatedBlock sim;
    sim.publish(1);
    TelemetryReader reader(sim.source);
    ASSERT_TRUE(reader.open());
    TelemetrySnapshot s;
    ASSERT_TRUE(reader.readLatest(s));
    const size_t capacity = reader.lineCapacity();
    EXPECT_GE(capacity, static_cast<size_t>(sim.image.lineLength()));
    reader.close();
    ASSERT_TRUE(reader.open());
    sim.publish(2);
    ASSERT_TRUE(reader.readLatest(s));
    EXPECT_EQ(reader.lineCapacity(), capacity);
}

// A source whose copy is interrupted by the simulator rewriting buffers.
class TearingSource : public BufferTelemetrySource {
  public:
    using BufferTelemetrySource::BufferTelemetrySource;
    void copyFromView(size_t offset, size_t n, uint8_t* dst) override {
        BufferTelemetrySource::copyFromView(offset, n, dst);
        if (tearsLeft > 0) {
            --tearsLeft;
            rewrite();
        }
    }
    int tearsLeft = 0;
    std::function<void()> rewrite;
};

TEST(TelemetryReader, RetriesOnceWhenTheLineIsRewrittenDuringTheCopy) {
    SimulatedBlock sim;
    TearingSource source;
    source.bytes() = sim.source.bytes();
    TelemetryImage image = sim.image;
    int32_t tick = 100;
    std::vector<uint8_t> line = image.newLine();
    image.publishLine(source.bytes(), line, tick);
    // The simulator publishes three new lines into the rotation, so the
    // buffer being copied is overwritten with a newer tick.
    source.rewrite = [&] {
        for (int i = 0; i < 3; ++i)
            image.publishLine(source.bytes(), line, ++tick);
    };
    TelemetryReader reader(source);
    ASSERT_TRUE(reader.open());

    TelemetrySnapshot s;
    source.tearsLeft = 1;
    ASSERT_TRUE(reader.readLatest(s));
    EXPECT_EQ(s.TickCount, 103) << "the second attempt reads the new newest line";

    source.tearsLeft = 2;
    const TelemetrySnapshot before = s;
    EXPECT_FALSE(reader.readLatest(s)) << "two torn copies in a row fail the read";
    EXPECT_EQ(s.TickCount, before.TickCount) << "a failed read leaves the snapshot alone";
}

// A damaged or foreign mapping must never make the reader look outside it.
TEST(TelemetryReader, NeverReadsOutsideADamagedView) {
    TelemetrySnapshot s;
    {
        BufferTelemetrySource tiny(std::vector<uint8_t>(64, 0));
        TelemetryReader reader(tiny);
        EXPECT_FALSE(reader.open()) << "a view smaller than the header is refused";
    }
    {
        SimulatedBlock sim;
        sim.publish(1);
        storeInt32(sim.block(), irsdk::kVarBuf + irsdk::kVarBufOffset,
                   static_cast<int32_t>(sim.block().size()) - 4);
        TelemetryReader reader(sim.source);
        ASSERT_TRUE(reader.open());
        EXPECT_FALSE(reader.readLatest(s)) << "a line that runs past the view fails the read";
    }
    {
        SimulatedBlock sim;
        sim.publish(1);
        storeInt32(sim.block(), irsdk::kBufLen, 1 << 30);
        TelemetryReader reader(sim.source);
        ASSERT_TRUE(reader.open());
        EXPECT_FALSE(reader.readLatest(s));
    }
    {
        SimulatedBlock sim;
        sim.publish(1, {.speed = 20});
        // Move Speed's value past the end of the line: it reads as absent.
        const int32_t speed = sim.image.offsetOf("Speed");
        ASSERT_GE(speed, 0);
        TelemetryReader probe(sim.source);
        ASSERT_TRUE(probe.open());
        const int32_t index = probe.findVar("Speed");
        probe.close();
        storeInt32(sim.block(), sim.image.varHeaderOffset() + 144 * index + irsdk::kVarOffset,
                   sim.image.lineLength() - 2);
        TelemetryReader reader(sim.source);
        ASSERT_TRUE(reader.open());
        ASSERT_TRUE(reader.readLatest(s));
        EXPECT_EQ(s.Speed, 0.0f);
        EXPECT_TRUE(s.IsOnTrack) << "the other variables still read";
    }
    {
        SimulatedBlock sim;
        sim.publish(1);
        storeInt32(sim.block(), irsdk::kNumVars, 1 << 28);
        storeInt32(sim.block(), irsdk::kSessionInfoLen, 1 << 30);
        TelemetryReader reader(sim.source);
        ASSERT_TRUE(reader.open());
        EXPECT_EQ(reader.findVar("NotThere"), -1);
        EXPECT_TRUE(reader.sessionText().empty());
        EXPECT_TRUE(reader.readLatest(s));
    }
    {
        SimulatedBlock sim;
        sim.publish(1);
        storeInt32(sim.block(), irsdk::kVarHeaderOffset, -144);
        TelemetryReader reader(sim.source);
        ASSERT_TRUE(reader.open());
        EXPECT_EQ(reader.varIndex(TelemetryVar::Speed), -1);
        ASSERT_TRUE(reader.readLatest(s));
        EXPECT_FALSE(s.IsOnTrack);
        EXPECT_EQ(s.TorqueStCount, 1);
    }
}

} // namespace
} // namespace gripline
