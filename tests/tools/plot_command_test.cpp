// `gripline plot`: the picture of a drive, and the wheel log placed on the
// recording's clock.
#include "tools/gripline_cli/force_plot.h"
#include "tools/gripline_cli/gripline_cli.h"
#include "tools/gripline_cli/wheel_force_log.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <regex>
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

// Damaged copies of a drive, as a user may hand them over: each gives a
// picture (with gaps where values are missing) or one "gripline: " line,
// and the picture's size follows the number of samples, whatever the times
// and values claim. The Analyzer's load (the same reader and analysis as
// `gripline analyze`) answers them too.
struct Damage {
    const char* name;
    std::function<void(RecordingHeader&, std::vector<RecordingSample>&)> apply;
    size_t keepBytes = std::numeric_limits<size_t>::max(); // the file cut there
};

void everyFloat(RecordingHeader& h, std::vector<RecordingSample>& drive, float value) {
    for (float* f : {&h.YawRateMultiplier, &h.LateralAccelDivisor, &h.ResistanceGain,
                     &h.SteerMarginBias, &h.WheelbaseMaxTorqueNm, &h.YawSteerGain})
        *f = value;
    for (RecordingSample& s : drive)
        for (size_t at = offsetof(RecordingSample, Speed); at < offsetof(RecordingSample, Clipped); at += 4)
            std::memcpy(reinterpret_cast<char*>(&s) + at, &value, sizeof value);
}

const std::vector<Damage>& damages() {
    using H = RecordingHeader;
    using D = std::vector<RecordingSample>;
    constexpr float kInf = std::numeric_limits<float>::infinity();
    static const std::vector<Damage> table = {
        {"every float NaN", [](H& h, D& d) { everyFloat(h, d, std::nanf("")); }},
        {"every float +inf", [](H& h, D& d) { everyFloat(h, d, kInf); }},
        {"every float -inf", [](H& h, D& d) { everyFloat(h, d, -kInf); }},
        {"every float 3e38", [](H& h, D& d) { everyFloat(h, d, 3e38f); }},
        {"every float -3e38", [](H& h, D& d) { everyFloat(h, d, -3e38f); }},
        {"every other force NaN", [](H&, D& d) { for (size_t i = 0; i < d.size(); i += 2) d[i].FinalForce = std::nanf(""); }},
        {"last time's top bit flipped", [](H&, D& d) { d.back().TimeUs ^= 1ULL << 61; }},
        {"first time after the last", [](H&, D& d) { d.front().TimeUs = 1ULL << 63; }},
        {"every time the largest", [](H&, D& d) { for (auto& s : d) s.TimeUs = ~0ULL; }},
        {"times backwards", [](H&, D& d) { for (size_t i = 0; i < d.size(); ++i) d[i].TimeUs = (d.size() - i) * 16'667; }},
        {"extreme header words", [](H& h, D&) {
             h.ForceStrength = std::numeric_limits<int32_t>::min();
             h.CarForceBalance = h.Bumps = h.AbsVibration = std::numeric_limits<int32_t>::max();
             h.StartTimeMs = ~0ULL;
             h.HeaderSize = h.TickRateHz = ~0U;
         }},
        {"cut inside a sample", [](H&, D&) {}, kRecordingHeaderSize + 100 * kRecordingSampleSize + 40},
        {"cut inside the header", [](H&, D&) {}, 200},
        {"version beyond ours", [](H& h, D&) { h.Version = ~0U; }},
    };
    return table;
}

TEST_F(PlotCommand, DamagedRecordingsGiveAPictureWithGapsOrOneLineAndNoMore) {
    const fs::path svg = dir_ / "damaged.svg";
    // A wheel log from the ends of time as well: it is matched onto the
    // recording's clock in bounded steps, without overflow.
    const fs::path log = dir_ / "wheel.log";
    std::ofstream(log) << "-9223372036854775808 magnitude 100\n0 magnitude 2000\n"
                          "9223372036854775807 magnitude -300\n";
    const std::regex hugeCoordinate(R"([-\d]{6,}\.\d,|,[-\d]{6,}\.\d)");
    for (const Damage& damage : damages()) {
        SCOPED_TRACE(damage.name);
        RecordingHeader header = makeRecordingHeader();
        std::vector<RecordingSample> drive = weave(600);
        damage.apply(header, drive);
        std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
        bytes.append(reinterpret_cast<const char*>(drive.data()), drive.size() * sizeof drive[0]);
        std::ofstream(recording_, std::ios::binary | std::ios::trunc)
            .write(bytes.data(), static_cast<std::streamsize>(std::min(bytes.size(), damage.keepBytes)));

        std::string out, err;
        fs::remove(svg);
        const int code = run({recording_, "-o", svg}, out, err);
        if (code != 0) {
            EXPECT_EQ(code, 1);
            EXPECT_EQ(err.rfind("gripline: ", 0), 0u) << err;
            EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
            EXPECT_FALSE(fs::exists(svg));
        } else {
            std::ifstream in(svg, std::ios::binary);
            const std::string picture((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            EXPECT_LT(picture.size(), 100'000u) << "600 samples make a small picture";
            EXPECT_EQ(picture.find("nan"), std::string::npos);
            EXPECT_EQ(picture.find("inf"), std::string::npos);
            EXPECT_FALSE(std::regex_search(picture, hugeCoordinate)) << "every point inside the canvas";
        }
        EXPECT_EQ(run({recording_, "--wheel-log", log, "-o", svg}, out, err), code) << err;
        std::vector<fs::path> analyze = {"analyze", recording_};
        std::ostringstream report, analyzeErr;
        EXPECT_EQ(cli::runGripline(analyze, report, analyzeErr), code) << analyzeErr.str();
    }
}

} // namespace
