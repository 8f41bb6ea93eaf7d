// `gripline replay` through the tool's dispatcher on the recorded fixture:
// 390 lines of a car crawling out of full lock, 48 of them past the lock.
#include "common/file_bytes.h"
#include "engine/wheel_magnitude.h"
#include "recording/recording_file.h"
#include "telemetry/ibt_file.h"
#include "telemetry/telemetry_layout.h"
#include "telemetry/telemetry_variables.h"
#include "tools/gripline_cli/gripline_cli.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kIbt = fs::path(GRIPLINE_FIXTURES) / "w13_spielberg_390ticks.ibt";
constexpr int kLines = 390;
constexpr int kPastLock = 48; // lines 0..47: the wheel beyond its lock

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

std::string readText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Magnitudes by tick, in sample order; checks each row's sample index.
std::map<int, std::vector<int>> rowsByTick(const std::string& csv) {
    std::istringstream in(csv);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "tick,sample,magnitude");
    std::map<int, std::vector<int>> ticks;
    int tick = 0, sample = 0, magnitude = 0;
    char comma = 0;
    while (in >> tick >> comma >> sample >> comma >> magnitude) {
        EXPECT_EQ(sample, static_cast<int>(ticks[tick].size())) << "tick " << tick;
        ticks[tick].push_back(magnitude);
    }
    return ticks;
}

class GriplineReplay : public ::testing::Test {
  protected:

    // The replay's JSON line, and its CSV rows in `csv`.
    std::string replay(std::vector<fs::path> options, std::string& csv) {
        const fs::path out = dir_ / "samples.csv";
        std::vector<fs::path> args{"replay", file_, "--samples", out};
        args.insert(args.end(), options.begin(), options.end());
        const Result run = gripline(args);
        EXPECT_EQ(run.code, 0) << run.err;
        EXPECT_EQ(run.err, "");
        csv = readText(out);
        return run.out;
    }

    static std::string totals(uint64_t samples, uint64_t nonZero, int peak, uint64_t clipped = 0) {
        return "{\"ClipTotal\":" + std::to_string(samples) +
               ",\"ClipCount\":" + std::to_string(clipped) +
               ",\"OutSamples\":" + std::to_string(samples) +
               ",\"OutNonZero\":" + std::to_string(nonZero) +
               ",\"OutPeak\":" + std::to_string(peak) + ",";
    }

    // The JSON line up to its counted P99, which `totals` leaves out.
    static std::string head(const std::string& json) {
        return json.substr(0, json.find("\"CountedP99Nm\""));
    }

    gripline::test::ScratchFolder scratch_{"gripline_replay"};
    const fs::path dir_ = scratch_.path();
    fs::path file_ = kIbt;
};

TEST_F(GriplineReplay, CountsFollowTheSampleScheduleInBothModes) {
    for (int mode : {0, 1}) {
        std::string csv;
        const std::string json = replay({"--mode", std::to_string(mode)}, csv);
        const int perTick = mode == 1 ? 12 : 6;
        const auto ticks = rowsByTick(csv);
        ASSERT_EQ(ticks.size(), static_cast<size_t>(kLines)) << "mode " << mode;
        for (const auto& [tick, magnitudes] : ticks)
            ASSERT_EQ(magnitudes.size(), tick < kPastLock ? 1u : static_cast<size_t>(perTick))
                << "mode " << mode << " tick " << tick;
        // The end-stop writes are not counted: 342 ticks of samples.
        EXPECT_NE(json.find("\"OutSamples\":" + std::to_string((kLines - kPastLock) * perTick)),
                  std::string::npos)
            << json;
        EXPECT_NE(json.find("\"ClipTotal\":" + std::to_string((kLines - kPastLock) * perTick)),
                  std::string::npos)
            << json;
    }
}

TEST_F(GriplineReplay, SameFileSameResult) {
    std::string first, second;
    const std::string a = replay({"--mode", "1", "--set", "MinForce=4"}, first);
    const std::string b = replay({"--mode", "1", "--set", "MinForce=4"}, second);
    EXPECT_EQ(a, b);
    EXPECT_EQ(first, second);
}

// Without ABS the interpolated mode sends each sub-sample's value too, half
// a sub-sample later, with a midpoint before it.
TEST_F(GriplineReplay, InterpolatedModeCarriesTheTelemetryModesSamples) {
    std::string telemetryCsv, interpolatedCsv;
    replay({"--mode", "0"}, telemetryCsv);
    replay({"--mode", "1"}, interpolatedCsv);
    const auto telemetry = rowsByTick(telemetryCsv);
    const auto interpolated = rowsByTick(interpolatedCsv);
    ASSERT_EQ(telemetry.size(), interpolated.size());
    for (const auto& [tick, t] : telemetry) {
        const std::vector<int>& i = interpolated.at(tick);
        if (tick < kPastLock) {
            EXPECT_EQ(i, t) << "the end stop is the same in both modes, tick " << tick;
            continue;
        }
        for (int s = 0; s < 5; ++s)
            EXPECT_EQ(i[2 * s + 1], t[s]) << "tick " << tick << " sub-sample " << s;
        EXPECT_EQ(i[11], t[5]) << "tick " << tick;
    }
}

TEST_F(GriplineReplay, SettingsAndCoefficientsReachTheEngine) {
    std::string csv;
    EXPECT_EQ(head(replay({"--set", "ForceStrength=0"}, csv)), totals(2052, 0, 0));
    // The car never reaches 2 m/s: at full force it is four times as strong.
    const std::string quarter = replay({}, csv);
    const std::string full = replay({"--set", "ReduceForceWhenParked=0"}, csv);
    EXPECT_NE(quarter.find("\"OutPeak\":887,"), std::string::npos) << quarter;
    EXPECT_NE(full.find("\"OutPeak\":35"), std::string::npos) << full;
    // At a crawl the grip model has nothing to say, whatever the car.
    EXPECT_EQ(replay({"--coefficients", "23.5,0.45,68,1.55,-0.02"}, csv), quarter);
}

// A settings file as the program keeps it: the active profile "Heavy" has
// car-specific settings on and its own entry for the recorded car.
TEST_F(GriplineReplay, SettingsFileGivesTheProfileAndTheCarsEntry) {
    const fs::path ini = dir_ / "Torvix_profiles.ini";
    std::ofstream(ini, std::ios::binary) << "[Profiles]\r\nCount=2\r\nSelected=1\r\n"
                                            "[Profile0]\r\nName=Default\r\nForceStrength=50\r\n"
                                            "ReduceForceWhenParked=0\r\n"
                                            "[Profile1]\r\nName=Heavy\r\nForceStrength=90\r\n"
                                            "UseCarSpecificSettings=1\r\n"
                                            "ReduceForceWhenParked=0\r\n"
                                            "[CarProfile1_mercedesw13]\r\nExists=1\r\n"
                                            "Car=mercedesw13\r\nForceStrength=25\r\n"
                                            "ReduceForceWhenParked=0\r\n";
    std::string csv, expected;
    const auto same = [&](std::vector<fs::path> settings, std::vector<fs::path> plain) {
        EXPECT_EQ(replay(settings, csv), replay(plain, expected));
        EXPECT_EQ(csv, expected);
    };
    // The car's entry of the active profile, for the session's car or the
    // one named.
    same({"--settings", ini}, {"--set", "ForceStrength=25", "--set", "ReduceForceWhenParked=0"});
    same({"--settings", ini, "--car", "MercedesW13"},
         {"--set", "ForceStrength=25", "--set", "ReduceForceWhenParked=0"});
    same({"--settings", ini, "--car", "dallarap217"},
         {"--set", "ForceStrength=90", "--set", "ReduceForceWhenParked=0"});
    // Another profile by name, without regard to case; single changes win
    // wherever they stand.
    same({"--set", "ForceStrength=70", "--settings", ini, "--profile", "DEFAULT"},
         {"--set", "ForceStrength=70", "--set", "ReduceForceWhenParked=0"});

    EXPECT_EQ(gripline({"replay", kIbt, "--settings", ini, "--profile", "Nobody"}).err,
              "gripline: no driver profile named \"Nobody\"\n");
    EXPECT_EQ(gripline({"replay", kIbt, "--car", "x"}).err,
              "gripline: --profile and --car need --settings\n");
}

// The recording the engine writes over the replay: one sample per tick with
// samples (none for the ticks past the lock), simulated times from line 0,
// the telemetry as read and forces that are the ones sent to the wheel.
TEST_F(GriplineReplay, RecordWritesTheEnginesRecordingOfTheDrive) {
    const fs::path recording = dir_ / "r.kvtrec";
    std::string csv;
    replay({"--record", recording, "--set", "ReduceForceWhenParked=0", "--set", "Bumps=33",
            "--set", "WheelbaseMaxTorqueTenths=125"},
           csv);
    const auto sent = rowsByTick(csv);

    gripline::RecordingHeader header;
    std::vector<gripline::RecordingSample> samples;
    std::string error;
    ASSERT_TRUE(gripline::loadRecording(recording, header, samples, error)) << error;
    EXPECT_EQ(gripline::recordingText(header.CarName), "mercedesw13");
    EXPECT_EQ(gripline::recordingText(header.DriverName), "Driver 0");
    EXPECT_EQ(gripline::recordingText(header.ProfileName), "");
    EXPECT_EQ(uint64_t{header.StartTimeMs}, 0u);
    EXPECT_EQ(header.ForceStrength, 50);
    EXPECT_EQ(header.Bumps, 33);
    EXPECT_EQ(header.WheelbaseMaxTorqueNm, 12.5f);
    EXPECT_EQ(header.YawRateMultiplier, 44.0f);
    EXPECT_EQ(header.LateralAccelDivisor, 110.0f);

    gripline::IbtFile ibt;
    ASSERT_TRUE(ibt.load(kIbt, error)) << error;
    const auto vars = gripline::resolveVariables(ibt.image());
    ASSERT_EQ(samples.size(), static_cast<size_t>(kLines - kPastLock));
    for (size_t i = 0; i < samples.size(); ++i) {
        const gripline::RecordingSample& r = samples[i];
        const int32_t line = kPastLock + static_cast<int32_t>(i);
        ASSERT_EQ(r.TickCount, line);
        ASSERT_EQ(r.TimeUs, static_cast<uint64_t>(line) * 16'666'667u / 1000u);
        gripline::TelemetrySnapshot read{};
        gripline::decodeLine(ibt.image(), vars, ibt.line(line), line, read);
        ASSERT_EQ(r.Speed, read.Speed);
        ASSERT_EQ(r.SteeringWheelTorque, read.SteeringWheelTorque);
        ASSERT_EQ(r.FullScaleNm, 40.0f);
        ASSERT_EQ(r.CrashFactor, 1.0f);
        // The representative sub-sample's force went out as one of the
        // tick's samples.
        const std::vector<int>& magnitudes = sent.at(line);
        const int expected = gripline::forceToMagnitude(r.FinalForce, 50);
        ASSERT_NE(std::find(magnitudes.begin(), magnitudes.end(), expected), magnitudes.end())
            << "line " << line << " force " << r.FinalForce;
    }

    // With a profile named, the header carries it.
    const fs::path ini = dir_ / "Torvix_profiles.ini";
    std::ofstream(ini, std::ios::binary) << "[Profiles]\r\nCount=1\r\n[Profile0]\r\nName=Quick\r\n";
    replay({"--settings", ini, "--profile", "quick", "--record", recording}, csv);
    ASSERT_TRUE(gripline::loadRecording(recording, header, samples, error)) << error;
    EXPECT_EQ(gripline::recordingText(header.ProfileName), "quick");

    const Result unwritable =
        gripline({"replay", kIbt, "--record", dir_ / "no" / "such" / "folder.kvtrec"});
    EXPECT_EQ(unwritable.code, 1);
}

// Lines 100..109 taken off the track: two stints, ten ticks without samples.
TEST_F(GriplineReplay, OffTrackLinesSendNothingAndStintsAreSummed) {
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(gripline::readFileBytes(kIbt, bytes, error)) << error;
    gripline::IbtFile ibt;
    ASSERT_TRUE(ibt.parse(bytes, error)) << error;
    const int32_t var = gripline::findVariable(bytes, "IsOnTrack");
    ASSERT_GE(var, 0);
    const int64_t varOffset = gripline::loadInt32(
        bytes, static_cast<size_t>(gripline::loadInt32(bytes, gripline::irsdk::kVarHeaderOffset)) +
                   static_cast<size_t>(var) * gripline::irsdk::kVarHeaderSize +
                   gripline::irsdk::kVarOffset);
    for (int32_t n = 100; n < 110; ++n) {
        const auto at = static_cast<size_t>(ibt.line(n).data() - ibt.image().data() + varOffset);
        bytes[at] = 0;
    }
    file_ = dir_ / "off_track.ibt";
    std::ofstream(file_, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));

    for (int mode : {0, 1}) {
        std::string csv;
        const std::string json = replay({"--mode", std::to_string(mode)}, csv);
        const int perTick = mode == 1 ? 12 : 6;
        EXPECT_NE(
            json.find("\"OutSamples\":" + std::to_string((kLines - kPastLock - 10) * perTick)),
            std::string::npos)
            << json;
        const auto ticks = rowsByTick(csv);
        EXPECT_EQ(ticks.count(100), 0u);
        EXPECT_EQ(ticks.count(109), 0u);
        ASSERT_EQ(ticks.at(110).size(), static_cast<size_t>(perTick));
    }
}

TEST_F(GriplineReplay, BadArgumentsAreOneLineErrors) {
    const fs::path csv = dir_ / "x.csv";
    const std::vector<std::vector<fs::path>> cases = {
        {"replay"},
        {"replay", kIbt, "--set", "Nonsense=1"},
        {"replay", kIbt, "--set", "Damping=ten"},
        {"replay", kIbt, "--set", "Damping=5x"},
        {"replay", kIbt, "--set", "Damping"},
        {"replay", kIbt, "--set", "SimucubeMode=2"},
        {"replay", kIbt, "--mode", "2"},
        {"replay", kIbt, "--mode"},
        {"replay", kIbt, "--coefficients", "44,0,110,1"},
        {"replay", kIbt, "--coefficients", "44,0,110,1,0,0"},
        {"replay", kIbt, "--coefficients", "44,0,110,1,inf"},
        {"replay", kIbt, "--coefficients", "44,0,,1,0"},
        {"replay", kIbt, "--frobnicate"},
        {"replay", kIbt, kIbt},
        {"replay", dir_ / "missing.ibt"},
        {"replay", dir_},
        {"replay", GRIPLINE_FIXTURES "/irsdk_live_w13_monza.bin"},
        {"replay", kIbt, "--samples", dir_ / "no" / "such" / "folder.csv"},
        {"replay", kIbt, "--settings", dir_ / "missing.ini"},
        {"replay", kIbt, "--settings"},
    };
    for (const auto& args : cases) {
        const Result run = gripline(args);
        std::string shown;
        for (const auto& a : args)
            shown += a.string() + " ";
        EXPECT_EQ(run.code, 1) << shown;
        EXPECT_EQ(run.out, "") << shown;
        EXPECT_EQ(run.err.rfind("gripline: ", 0), 0u) << shown << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << shown << run.err;
    }
}


// Auto strength over the crawl played twenty times: the strength it settles
// on, replayed fixed, puts the counted forces' P99 at the target. The crawl
// never reaches 2 m/s, so its ticks count only with --count-parked, and its
// forces are weak: 80 % would take more than the slider's 100, so the pair
// is shown at 60 %, and 80 % stops at 100.
namespace auto_strength {

double jsonNumber(const std::string& out, const std::string& key) {
    const size_t at = out.find("\"" + key + "\":");
    return at == std::string::npos ? -1 : std::stod(out.substr(at + key.size() + 3));
}

TEST(GriplineReplayAutoStrength, SettlesWhereTheFixedStrengthPutsTheP99AtTheTarget) {
    const Result automatic = gripline({"replay", kIbt, "--auto-strength", "60", "--loop", "20",
                                       "--count-parked"});
    ASSERT_EQ(automatic.code, 0) << automatic.err;
    std::istringstream lines(automatic.out);
    std::string line;
    double lastSeconds = -1;
    int lastStrength = -1;
    while (std::getline(lines, line) && !line.starts_with("{")) {
        double seconds = 0;
        int strength = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%lf %d", &seconds, &strength), 2) << line;
        if (lastStrength < 0) {
            EXPECT_EQ(seconds, 0.0);
            EXPECT_EQ(strength, 50) << "the drive starts at the handed strength";
        } else {
            EXPECT_GE(seconds, 20.0) << "no change before 20 s of driving";
            EXPECT_GE(seconds - lastSeconds, 0.49) << line;
            EXPECT_EQ(std::abs(strength - lastStrength), 1) << line;
        }
        lastSeconds = seconds;
        lastStrength = strength;
    }
    ASSERT_TRUE(std::getline(lines, line));
    ASSERT_TRUE(line.starts_with("settled: ")) << automatic.out;
    const int settled = std::stoi(line.substr(9));
    EXPECT_EQ(settled, lastStrength);
    EXPECT_FALSE(std::getline(lines, line)) << "settled is the last line";

    const Result fixed = gripline({"replay", kIbt, "--loop", "20", "--count-parked", "--set",
                                   "ForceStrength=" + std::to_string(settled)});
    ASSERT_EQ(fixed.code, 0) << fixed.err;
    EXPECT_NEAR(jsonNumber(fixed.out, "CountedP99Percent"), 60.0, 5.0) << fixed.out;
    EXPECT_NEAR(jsonNumber(fixed.out, "CountedP99Percent"),
                jsonNumber(fixed.out, "CountedP99Nm") * settled / 20.0, 0.01)
        << "the share is of 2000 / strength N·m";

    const Result eighty = gripline({"replay", kIbt, "--auto-strength", "80", "--loop", "20",
                                    "--count-parked"});
    EXPECT_NE(eighty.out.find("\nsettled: 100\n"), std::string::npos) << eighty.out;
}

TEST(GriplineReplayAutoStrength, SaysWhyItDidNotSettleAndRefusesBadValues) {
    const Result parked = gripline({"replay", kIbt, "--auto-strength", "80", "--loop", "20"});
    EXPECT_EQ(parked.code, 1);
    EXPECT_NE(parked.out.find("\nsettled: none\n"), std::string::npos) << parked.out;
    EXPECT_NE(parked.err.find("--count-parked"), std::string::npos) << parked.err;
    const Result shortDrive =
        gripline({"replay", kIbt, "--auto-strength", "80", "--count-parked"});
    EXPECT_EQ(shortDrive.code, 1);
    EXPECT_NE(shortDrive.err.find("try --loop"), std::string::npos) << shortDrive.err;

    for (const auto& [option, value] : std::vector<std::pair<std::string, std::string>>{
             {"--auto-strength", "0"},
             {"--auto-strength", "101"},
             {"--auto-strength", "8o"},
             {"--loop", "0"},
             {"--loop", "1001"}}) {
        const Result bad = gripline({"replay", kIbt, option, value});
        EXPECT_EQ(bad.code, 1) << option << ' ' << value;
        EXPECT_NE(bad.err.find(option), std::string::npos) << bad.err;
    }
}

} // namespace auto_strength

} // namespace
