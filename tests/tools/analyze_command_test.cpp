// `gripline analyze` through the tool's dispatcher: the report's bytes, the
// advice as JSON, and the reader's refusals as errors.
#include "analyzer/analysis_report.h"
#include "settings/wide_text.h"
#include "tools/gripline_cli/gripline_cli.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace gripline;

struct Result {
    int code;
    std::string out;
    std::string err;
};

Result analyze(std::vector<fs::path> args) {
    args.insert(args.begin(), "analyze");
    std::ostringstream out, err;
    const int code = cli::runGripline(args, out, err);
    return {code, out.str(), err.str()};
}

RecordingHeader header() {
    RecordingHeader h = makeRecordingHeader();
    setRecordingText(h.CarName, "formulair04");
    setRecordingText(h.DriverName, "Test Dr\xC3\xAFver");
    setRecordingText(h.ProfileName, "Sprint \"wet\"");
    h.ForceStrength = 50;
    h.Bumps = 30;
    h.BumpImpacts = 30;
    h.SuspensionDetailPriority = 40;
    h.CarForceBalance = 90;
    h.YawRateMultiplier = 44.0f;
    h.LateralAccelDivisor = 110.0f;
    h.ResistanceGain = 1.0f;
    h.SteerMarginBias = 0.0349f;
    h.WheelbaseMaxTorqueNm = 12.5f;
    h.AbsVibration = 0;
    h.YawSteerGain = 0.1f;
    return h;
}

std::vector<RecordingSample> samples() {
    std::vector<RecordingSample> drive(600);
    for (size_t i = 0; i < drive.size(); ++i) {
        RecordingSample& s = drive[i];
        const float x = static_cast<float>(i);
        s.TimeUs = i * 16667;
        s.TickCount = static_cast<int32_t>(1000 + i);
        s.Speed = 20.0f + x * 0.05f;
        s.FinalForce = (i % 2 ? -1.0f : 1.0f) * x * 0.05f;
        s.BaseForce = x * 0.03f;
        s.SuspensionDetailForce = x * 0.004f;
        s.FullScaleNm = 40.0f;
        s.CrashFactor = 1.0f;
        s.AbsActive = i % 100 == 7;
    }
    return drive;
}

class AnalyzeCommand : public ::testing::Test {
  protected:

    fs::path write(const std::string& name, const RecordingHeader& h,
                   const std::vector<RecordingSample>& drive, size_t extraBytes = 0) {
        const fs::path path = dir_ / name;
        std::ofstream file(path, std::ios::binary);
        file.write(reinterpret_cast<const char*>(&h), sizeof h);
        file.write(reinterpret_cast<const char*>(drive.data()),
                   static_cast<std::streamsize>(drive.size() * sizeof(RecordingSample)));
        file << std::string(extraBytes, '\x55');
        return path;
    }
    gripline::test::ScratchFolder scratch_{"gripline_analyze"};
    const fs::path dir_ = scratch_.path();
};

TEST_F(AnalyzeCommand, PrintsTheReportAsTheAnalyzerShowsIt) {
    const std::vector<RecordingSample> drive = samples();
    const Result r = analyze({write("drive.kvtrec", header(), drive, 50)});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, wideToUtf8(analyzeRecording(header(), drive).Report));
    EXPECT_EQ(r.out.rfind("SESSION\r\nCar: formulair04\r\nDriver: Test Dr\xC3\xAFver\r\n"
                          "Profile: Sprint \"wet\"\r\nDuration: 0.17 min | Samples: 600\r\n",
                          0),
              0u)
        << r.out;
    EXPECT_NE(r.out.find("\r\nConfigured wheelbase maximum: 12.50 physical Nm\r\n"), std::string::npos);
    size_t bareLineFeeds = 0;
    for (size_t i = 0; i < r.out.size(); ++i)
        bareLineFeeds += r.out[i] == '\n' && (i == 0 || r.out[i - 1] != '\r');
    EXPECT_EQ(bareLineFeeds, 0u);
    EXPECT_EQ(r.out.substr(r.out.size() - 12), "important.\r\n");
}

TEST_F(AnalyzeCommand, AdviceIsOneJsonObject) {
    const Result r = analyze({write("drive.kvtrec", header(), samples()), "--advice"});
    EXPECT_EQ(r.code, 0) << r.err;
    // Suspension detail P95 and P99 2.276 and 2.372 of 40 N·m: road texture
    // 30 × sqrt(0.08 / 0.0569) = 35.6, impact texture 30 × sqrt(0.12 / 0.0593)
    // = 42.7; force strength and balance are in their useful ranges.
    EXPECT_EQ(r.out, "{\"ProfileName\": \"Sprint \\\"wet\\\"\", \"CarName\": \"formulair04\", "
                     "\"ForceStrength\": 50, \"CarForceBalance\": 90, \"Bumps\": 36, "
                     "\"BumpImpacts\": 43, \"SuspensionDetailPriority\": 40, \"AbsVibration\": 15, "
                     "\"HasCoefficientAdvice\": false, \"YawRateMultiplier\": 44, "
                     "\"YawSteerGain\": 0.100000001, \"LateralAccelDivisor\": 110, "
                     "\"ResistanceGain\": 1, \"SteerMarginBias\": 0.0348999985}\n");
}

TEST_F(AnalyzeCommand, ARefusedRecordingIsTheReadersMessage) {
    const Result empty = analyze({write("empty.kvtrec", header(), {}, 87)});
    EXPECT_EQ(empty.code, 1);
    EXPECT_EQ(empty.out, "");
    EXPECT_EQ(empty.err, "gripline: The recording contains no telemetry samples.\n");

    RecordingHeader future = header();
    future.Version = 3;
    EXPECT_EQ(analyze({write("v3.kvtrec", future, samples())}).err,
              "gripline: The recording format is not supported by this Analyzer version.\n");
    EXPECT_EQ(analyze({dir_ / "missing.kvtrec"}).err, "gripline: Could not open recording.\n");
}

TEST_F(AnalyzeCommand, WrongArgumentsAreUsage) {
    const fs::path file = write("drive.kvtrec", header(), samples());
    for (const std::vector<fs::path>& args :
         {std::vector<fs::path>{}, {file, "--adviec"}, {file, "--advice", "x"}}) {
        const Result r = analyze(args);
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "gripline: usage: gripline analyze FILE.kvtrec [--advice]\n");
    }
}

} // namespace

namespace {

// The whole chain on the recorded fixture: the engine's recording of a
// replayed drive, analysed as the Analyzer would.
TEST(AnalyzeCommandChain, AnalysesTheRecordingOfAReplayedDrive) {
    const fs::path recording = fs::temp_directory_path() / "gripline_analyze_chain.kvtrec";
    std::ostringstream out, err;
    const std::vector<fs::path> replay{"replay", GRIPLINE_FIXTURES "/w13_spielberg_390ticks.ibt",
                                       "--record", recording};
    ASSERT_EQ(cli::runGripline(replay, out, err), 0) << err.str();

    const Result report = analyze({recording});
    fs::remove(recording);
    ASSERT_EQ(report.code, 0) << report.err;
    EXPECT_EQ(report.out.rfind("SESSION\r\nCar: mercedesw13\r\nDriver: Driver 0\r\n", 0), 0u)
        << report.out;
    // 390 lines less the 48 past the steering lock, which send the end stop only.
    EXPECT_NE(report.out.find("Samples: 342\r\n"), std::string::npos) << report.out;
}

} // namespace
