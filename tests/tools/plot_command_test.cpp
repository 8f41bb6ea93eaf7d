// `gripline plot`: the picture of a drive, and the wheel log placed on the
// recording's clock.
#include "tools/gripline_cli/force_plot.h"
#include "tools/gripline_cli/gripline_cli.h"
#include "tools/gripline_cli/wheel_force_log.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using namespace gripline;

// A drive of `count` ticks: a slow weave between ±60 % of full scale, with
// clipping at ticks 100..109, ABS at 200..229 and crash protection at 300..
std::vector<RecordingSample> weave(size_t count) {
    std::vector<RecordingSample> drive(count);
    for (size_t i = 0; i < count; ++i) {
        RecordingSample& s = drive[i];
        s.TimeUs = i * 16'667;
        s.TickCount = static_cast<int32_t>(i);
        s.FullScaleNm = 40.0f;
        s.FinalForce = 24.0f * std::sin(static_cast<float>(i) * 0.05f);
        s.SteeringWheelTorque = 0.8f * s.FinalForce;
        s.CrashFactor = i >= 300 && i < 320 ? 0.2f : 1.0f;
        s.Clipped = i >= 100 && i < 110;
        s.AbsActive = i >= 200 && i < 230;
    }
    return drive;
}

size_t occurrences(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST(ForcePlot, MarksEachRunOfClippingAbsAndCrashOnce) {
    const RecordingHeader header = makeRecordingHeader();
    const std::vector<RecordingSample> drive = weave(600);
    const std::string svg = forcePlotSvg({&header, &drive, std::nullopt});
    EXPECT_EQ(svg.rfind("<svg ", 0), 0u);
    EXPECT_EQ(occurrences(svg, "fill=\"#eb5757\"/>"), 1u + 1u) << "legend and one clipping run";
    EXPECT_EQ(occurrences(svg, "fill=\"#f2994a\"/>"), 1u);
    EXPECT_EQ(occurrences(svg, "fill=\"#bb6bd9\"/>"), 1u);
    EXPECT_NE(svg.find("600 ticks over 10.0 s; clipping 1.7 %, ABS 5.0 %, crash protection 3.3 %"),
              std::string::npos);
    EXPECT_EQ(occurrences(svg, "<polyline"), 2u) << "simulator and Gripline, no wheel";
}

TEST(ForcePlot, AnHourStaysASmallPictureWithItsPeaks) {
    const RecordingHeader header = makeRecordingHeader();
    std::vector<RecordingSample> drive = weave(216'000);
    drive[100'000].FinalForce = 60.0f; // one spike to 150 %: drawn at the top edge
    const std::string svg = forcePlotSvg({&header, &drive, std::nullopt});
    EXPECT_LT(svg.size(), 200'000u);
    EXPECT_NE(svg.find(",70.0 "), std::string::npos) << "the spike reaches the plot's top";
}

TEST(WheelForceLog, TheRecordingIsFoundOnTheWheelsClock) {
    const std::vector<RecordingSample> drive = weave(900);
    // The wheel saw the same forces 2 ms apart from 40 s before Record to
    // long after it, on a clock that started at boot.
    constexpr int64_t kRecordAtUs = 123'456'789;
    std::ostringstream log;
    log << "5 create\n7 acquire\n";
    for (int64_t t = kRecordAtUs - 40'000'000; t < kRecordAtUs + 30'000'000; t += 2000) {
        const double seconds = static_cast<double>(t - kRecordAtUs) / 1e6;
        const double ticks = seconds * 1e6 / 16'667;
        const double magnitude = ticks >= 0 && ticks < 900 ? 6000 * std::sin(std::floor(ticks) * 0.05) : 0;
        log << t << " magnitude " << static_cast<int>(magnitude) << "\r\n";
    }
    std::vector<WheelForcePoint> wheel;
    std::string error;
    ASSERT_TRUE(parseWheelForceLog(log.str(), wheel, error)) << error;
    EXPECT_EQ(wheel.size(), 35'000u);
    const int64_t offset = alignRecordingToWheel(drive, wheel);
    EXPECT_NEAR(static_cast<double>(offset), kRecordAtUs, 2000.0);

    EXPECT_FALSE(parseWheelForceLog("12 magnitude\n", wheel, error));
    EXPECT_EQ(error, "wheel log line 1: not \"<us> magnitude <value>\"");
    EXPECT_FALSE(parseWheelForceLog("1 create\nx magnitude 4\n", wheel, error));
    EXPECT_EQ(error, "wheel log line 2: not \"<us> magnitude <value>\"");
}

class PlotCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        const RecordingHeader header = makeRecordingHeader();
        const std::vector<RecordingSample> drive = weave(600);
        std::ofstream out(recording_, std::ios::binary);
        out.write(reinterpret_cast<const char*>(&header), sizeof header);
        out.write(reinterpret_cast<const char*>(drive.data()),
                  static_cast<std::streamsize>(drive.size() * sizeof(RecordingSample)));
    }

    int run(std::vector<fs::path> args, std::string& out, std::string& err) {
        args.insert(args.begin(), "plot");
        std::ostringstream o, e;
        const int code = cli::runGripline(args, o, e);
        out = o.str();
        err = e.str();
        return code;
    }

    gripline::test::ScratchFolder scratch_{"gripline_plot"};
    const fs::path dir_ = scratch_.path();
    const fs::path recording_ = dir_ / "drive.kvtrec";
};

TEST_F(PlotCommand, WritesThePictureOrSaysWhyNot) {
    std::string out, err;
    const fs::path svg = dir_ / "drive.svg";
    ASSERT_EQ(run({recording_, "-o", svg}, out, err), 0) << err;
    EXPECT_EQ(out, svg.string() + ": 600 ticks\n");
    EXPECT_TRUE(fs::file_size(svg) > 1000);

    const fs::path log = dir_ / "wheel.log";
    std::ofstream(log) << "100 magnitude 0\n200 magnitude 12x\n";
    EXPECT_EQ(run({recording_, "--wheel-log", log, "-o", svg}, out, err), 1);
    EXPECT_EQ(err, "gripline: wheel log line 2: not \"<us> magnitude <value>\"\n");

    EXPECT_EQ(run({recording_}, out, err), 1);
    EXPECT_EQ(err, "gripline: usage: gripline plot RECORDING [--wheel-log LOG] -o OUT.svg\n");
    EXPECT_EQ(run({dir_ / "none.kvtrec", "-o", svg}, out, err), 1);
    EXPECT_EQ(err, "gripline: " + (dir_ / "none.kvtrec").string() + ": Could not open recording.\n");

    const fs::path nowhere = dir_ / "no" / "dir" / "x.svg";
    EXPECT_EQ(run({recording_, "-o", nowhere}, out, err), 1);
    EXPECT_FALSE(fs::exists(nowhere.parent_path()));
}

} // namespace
