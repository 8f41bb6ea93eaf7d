// `gripline inspect` through the tool's dispatcher, on the real fixtures and
// on damaged copies of them. The expected values were read from the fixtures
// with tests/data/irsdk_dump.py, a reader written from the published layout.
#include "common/file_bytes.h"
#include "tools/gripline_cli/gripline_cli.h"
#include "tools/gripline_cli/snapshot_json.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kFixtures = GRIPLINE_FIXTURES;
const fs::path kImage = kFixtures / "irsdk_live_w13_monza.bin";
const fs::path kIbt = kFixtures / "w13_spielberg_390ticks.ibt";

struct Result {
    int code;
    std::string out;
    std::string err;
};

Result gripline(std::vector<fs::path> args) {
    std::ostringstream out, err;
    const int code = gripline::cli::runGripline(args, out, err);
    return {code, out.str(), err.str()};
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

std::vector<uint8_t> fixtureBytes(const fs::path& file) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(gripline::readFileBytes(file, bytes, error)) << error;
    return bytes;
}

// A scratch folder of the test's own, removed afterwards.
class InspectFiles : public ::testing::Test {
  protected:

    fs::path write(const fs::path& name, const std::vector<uint8_t>& bytes) {
        const fs::path file = dir_ / name;
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return file;
    }

    // Expects the one-line "gripline: ..." failure with nothing on stdout.
    static void expectFailure(const Result& run, const std::string& mentions) {
        EXPECT_EQ(run.code, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("gripline: ", 0), 0u) << run.err;
        EXPECT_EQ(lines(run.err).size(), 1u) << run.err;
        EXPECT_EQ(run.err.back(), '\n');
        EXPECT_NE(run.err.find(mentions), std::string::npos) << run.err;
    }

    gripline::test::ScratchFolder scratch_{"gripline_inspect"};
    const fs::path dir_ = scratch_.path();
};

TEST(GriplineInspect, ImagePrintsTheNewestBufferOnly) {
    const Result run = gripline({"inspect", kImage});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.err, "");
    ASSERT_EQ(lines(run.out).size(), 1u);
    const std::string& line = run.out;
    // Buffer ticks are 2004, 2005, 2003: buffer 1 is the newest.
    EXPECT_EQ(line.rfind("{\"Valid\":true,\"IsOnTrack\":false,\"TickCount\":2005,\"Speed\":0,", 0),
              0u);
    // A small value keeps its two-digit exponent on every platform.
    EXPECT_NE(line.find("\"SteeringWheelTorque\":4.71220483e-05,"), std::string::npos);
    EXPECT_NE(line.find("\"SteeringWheelAngleMax\":7.33037663,"), std::string::npos);
    EXPECT_NE(line.find("\"CFshockDefl\":0.110481314,"), std::string::npos);
    EXPECT_NE(line.find("\"LFshockDeflSt\":[0,0,0,0,0,0],"), std::string::npos);
    EXPECT_NE(line.find("\"TorqueSt\":[4.71220483e-05,4.71220483e-05,4.71220483e-05,"
                        "4.71220483e-05,4.71220483e-05,4.71220483e-05],"),
              std::string::npos);
    // No left/right front-shock sub-samples in this car, the centre one has six.
    EXPECT_NE(line.find(",\"TorqueStCount\":6,\"ShockStCount\":0,\"CFshockStCount\":6,"
                        "\"IsReplayPlaying\":true,\"WeatherDeclaredWet\":false,\"TrackWetness\":1}\n"),
              std::string::npos);
}

TEST(GriplineInspect, IbtPrintsEveryStoredLineWithItsIndexAsTick) {
    const Result run = gripline({"inspect", kIbt});
    ASSERT_EQ(run.code, 0) << run.err;
    const std::vector<std::string> all = lines(run.out);
    ASSERT_EQ(all.size(), 390u);
    for (size_t i = 0; i < all.size(); ++i) {
        const std::string tick = ",\"TickCount\":" + std::to_string(i) + ",";
        ASSERT_NE(all[i].find(tick), std::string::npos) << "line " << i;
        ASSERT_NE(all[i].find(",\"TorqueStCount\":6,\"ShockStCount\":0,\"CFshockStCount\":0,"
                              "\"IsReplayPlaying\":false,\"WeatherDeclaredWet\":false,"
                              "\"TrackWetness\":1}"),
                  std::string::npos)
            << "line " << i;
    }
    const std::string& first = all.front();
    EXPECT_EQ(first.rfind("{\"Valid\":true,\"IsOnTrack\":true,\"TickCount\":0,"
                          "\"Speed\":0.0475470386,\"SteeringWheelTorque\":176.22139,"
                          "\"SteeringWheelAngle\":-3.80459857,",
                          0),
              0u);
    EXPECT_NE(first.find("\"TorqueSt\":[237.792938,284.477783,255.107834,227.559891,"
                         "222.166565,176.22139],"),
              std::string::npos);
    EXPECT_NE(all.back().find("\"YawRate\":-2.05278757e-05,"), std::string::npos);
}

TEST_F(InspectFiles, IbtIsRecognisedWithoutRegardToCaseAndUnderAnyName) {
    const fs::path copy = write(fs::path(u8"Spielberg ü 測試.IBT"), fixtureBytes(kIbt));
    const Result upper = gripline({"inspect", copy});
    ASSERT_EQ(upper.code, 0) << upper.err;
    EXPECT_EQ(upper.out, gripline({"inspect", kIbt}).out);
}

TEST_F(InspectFiles, DamagedOrMissingFilesFailWithOneLine) {
    expectFailure(gripline({"inspect", dir_ / "missing.ibt"}), "missing.ibt");
    expectFailure(gripline({"inspect", dir_ / "missing.bin"}), "missing.bin");
    expectFailure(gripline({"inspect", dir_}), "directory");

    std::vector<uint8_t> ibt = fixtureBytes(kIbt);
    ibt.resize(2000);
    expectFailure(gripline({"inspect", write("cut.ibt", ibt)}), "cut.ibt");
    ibt.resize(50);
    expectFailure(gripline({"inspect", write("tiny.ibt", ibt)}), "tiny.ibt");
    expectFailure(gripline({"inspect", write("tiny.bin", ibt)}), "tiny.bin");

    // A file cut inside its last line: every other line is whole, still refused.
    ibt = fixtureBytes(kIbt);
    ibt.pop_back();
    expectFailure(gripline({"inspect", write("short.ibt", ibt)}), "truncated");
}

TEST_F(InspectFiles, ImageWhoseNewestLineCannotBeReadFails) {
    const std::vector<uint8_t> image = fixtureBytes(kImage);
    const auto patched = [&](size_t offset, int32_t value) {
        std::vector<uint8_t> bytes = image;
        std::memcpy(bytes.data() + offset, &value, sizeof value);
        return bytes;
    };
    const int32_t size = static_cast<int32_t>(image.size());
    // Offset of buffer 1 (the newest): past the end, negative, one byte too far.
    expectFailure(gripline({"inspect", write("far.bin", patched(48 + 16 + 4, size))}), "far.bin");
    expectFailure(gripline({"inspect", write("neg.bin", patched(48 + 16 + 4, -8))}), "line");
    expectFailure(gripline({"inspect", write("edge.bin", patched(48 + 16 + 4, size - 8153))}),
                  "line");
    // Line length, buffer count, variable table.
    expectFailure(gripline({"inspect", write("len.bin", patched(36, size + 1))}), "line");
    expectFailure(gripline({"inspect", write("nobuf.bin", patched(32, 0))}), "buffer count");
    expectFailure(gripline({"inspect", write("vars.bin", patched(24, 1 << 20))}),
                  "variable headers");
    // An image cut right after its header: the table and the lines are gone.
    expectFailure(gripline({"inspect", write("cut.bin", {image.begin(), image.begin() + 112})}),
                  "cut.bin");

    // The line that ends exactly at the end of the file is still read.
    const Result edge = gripline({"inspect", write("fits.bin", patched(48 + 16 + 4, size - 8154))});
    EXPECT_EQ(edge.code, 0) << edge.err;
}

TEST(GriplineCommandLine, UsageGoesToStderrForNoOrUnknownCommand) {
    for (const std::vector<fs::path>& args : {std::vector<fs::path>{}, {"nonsense", kImage}}) {
        const Result run = gripline(args);
        EXPECT_EQ(run.code, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("usage: gripline COMMAND"), std::string::npos);
        EXPECT_NE(run.err.find("gripline inspect FILE"), std::string::npos);
        EXPECT_NE(run.err.find("null"), std::string::npos); // how non-finite values read
    }
    const Result help = gripline({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("usage: gripline COMMAND"), std::string::npos);

    const Result noFile = gripline({"inspect"});
    EXPECT_EQ(noFile.code, 1);
    EXPECT_EQ(noFile.err, "gripline: usage: gripline inspect FILE\n");
    EXPECT_EQ(gripline({"inspect", kImage, kIbt}).code, 1);
}

TEST(SnapshotJson, KeysInFieldOrderAndNonFiniteAsNull) {
    gripline::TelemetrySnapshot s;
    s.Valid = true;
    s.TickCount = -3;
    s.Speed = std::numeric_limits<float>::quiet_NaN();
    s.YawRate = -std::numeric_limits<float>::infinity();
    s.TorqueSt[5] = std::numeric_limits<float>::infinity();
    s.LatAccel = -0.0f;
    s.TorqueStCount = 6;
    EXPECT_EQ(gripline::snapshotJson(s),
              "{\"Valid\":true,\"IsOnTrack\":false,\"TickCount\":-3,\"Speed\":null,"
              "\"SteeringWheelTorque\":0,\"SteeringWheelAngle\":0,\"SteeringWheelAngleMax\":0,"
              "\"VelocityX\":0,\"VelocityY\":0,\"LongAccel\":0,\"LatAccel\":-0,\"YawRate\":null,"
              "\"BrakeABSactive\":false,\"LFshockDefl\":0,\"RFshockDefl\":0,\"CFshockDefl\":0,"
              "\"LFshockDeflSt\":[0,0,0,0,0,0],\"RFshockDeflSt\":[0,0,0,0,0,0],"
              "\"CFshockDeflSt\":[0,0,0,0,0,0],\"TorqueSt\":[0,0,0,0,0,null],"
              "\"TorqueStCount\":6,\"ShockStCount\":0,\"CFshockStCount\":0,"
              "\"IsReplayPlaying\":false,\"WeatherDeclaredWet\":false,\"TrackWetness\":0}");
}

TEST(SnapshotJson, FloatsReadBackToTheSameFloat32) {
    const float values[] = {0.1f,   1.0f / 3.0f, -176.22139f, 16777217.0f, 3.4028235e38f, FLT_MIN,
                            1e-45f, FLT_EPSILON, 7.33037663f, 123456.789f, -2.5e-7f,      1e10f};
    for (const float v : values) {
        std::string text;
        gripline::appendJsonNumber(text, v);
        const float back = std::strtof(text.c_str(), nullptr);
        uint32_t a = 0, b = 0;
        std::memcpy(&a, &v, 4);
        std::memcpy(&b, &back, 4);
        EXPECT_EQ(a, b) << text;
    }
    std::string text;
    gripline::appendJsonNumber(text, 1e10f);
    EXPECT_EQ(text, "1e+10"); // C99 spelling, also in the Windows build
}

} // namespace
