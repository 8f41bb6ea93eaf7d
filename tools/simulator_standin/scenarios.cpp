#include "tools/simulator_standin/scenarios.h"

#include "telemetry/telemetry_snapshot.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace gripline::standin {

namespace {

constexpr ScenarioIdentity kMx5AtTsukuba = {kScenarioCarPath, "Global Mazda MX-5 Cup",
                                            "tsukuba 2kfull", "Tsukuba Circuit 2k Full"};
constexpr ScenarioIdentity kF4AtTsukuba = {"formulair04", "FIA F4", "tsukuba 2kfull",
                                           "Tsukuba Circuit 2k Full"};
constexpr const ScenarioIdentity* kTestCircuit = &kTestCircuitIdentity;

constexpr std::array<ScenarioInfo, 15> kScenarios = {{
    {"straight", "40 m/s down a straight with a gentle weave", driveStraight, kTestCircuit},
    {"left-corner", "a steady left-hander at 22 m/s, about 0.9 g", driveLeftCorner,
     kTestCircuit},
    {"right-corner", "the same corner to the right", driveRightCorner, kTestCircuit},
    {"kerbs", "30 m/s over four kerbs: 360 Hz shock spikes", driveKerbs, kTestCircuit},
    {"abs-braking", "a hard stop from 45 m/s with the ABS cycling at 10 Hz", driveAbsBraking,
     kTestCircuit},
    {"off-track", "IsOnTrack false for 4 s (garage), then back out", driveOffTrack,
     kTestCircuit},
    {"crash", "into the wall at 30 m/s: 25 g for two ticks, then slow", driveCrash,
     kTestCircuit},
    {"past-lock", "parking speed, the wheel turned 0.475 rad past its lock", drivePastLock,
     kTestCircuit},
    {"tsukuba", "the left-hander at Tsukuba", driveLeftCorner, &kMx5AtTsukuba},
    {"wet", "a weave at 25 m/s, declared wet, track wetness 5", driveWet, kTestCircuit},
    {"drying", "the weave, not declared wet, wetness 5 falling to 2 in 2 s", driveDrying,
     kTestCircuit},
    {"replay", "the left-hander with a replay playing from 3 s to 7 s", driveReplay,
     kTestCircuit},
    {"mx5-lap", "a lap-like mix at Tsukuba: left-hander, kerb, right-hander", driveMx5Lap,
     &kMx5AtTsukuba},
    {"f4-lap", "the same lap in the F4: twice the steering torque", driveF4Lap, &kF4AtTsukuba},
    {"f4-crash", "the F4 lap into the wall at 3 s: 25 g for two ticks", driveF4Crash,
     &kF4AtTsukuba},
}};

// The simulator publishes its 360 Hz sub-samples oldest first; the newest
// one belongs to the tick itself.
constexpr double kSubSampleS = 1.0 / (kSimulatorTickRateHz * kSubSamples);

double lineTimeS(int32_t lineIndex) {
    return static_cast<double>(lineIndex) / kSimulatorTickRateHz;
}

// Sub-sample j of the tick at `timeS`, wrapped into the drive so that the
// first line's early sub-samples come from the end of the previous loop.
double subSampleTimeS(double timeS, int j) {
    const double t = timeS - (kSubSamples - 1 - j) * kSubSampleS;
    return t < 0 ? t + kDriveSeconds : t;
}

// TelemetryImage writes floats and flags; the two header variables of other
// types are written here, checked against the line like its setters do.
template <typename T>
void setValue(const TelemetryImage& layout, std::span<uint8_t> line, std::string_view name,
              T value) {
    const int32_t offset = layout.offsetOf(name);
    if (offset >= 0 && static_cast<size_t>(offset) + sizeof value <= line.size())
        std::memcpy(line.data() + offset, &value, sizeof value);
}

void setSubSamples(const ScenarioInfo& scenario, double timeS, const TelemetryImage& layout,
                   std::span<uint8_t> line) {
    float torqueNm[kSubSamples], lfM[kSubSamples], rfM[kSubSamples], cfM[kSubSamples];
    for (int j = 0; j < kSubSamples; ++j) {
        const DriveState s = scenario.drive(subSampleTimeS(timeS, j));
        torqueNm[j] = s.torqueNm;
        lfM[j] = s.lfShockM;
        rfM[j] = s.rfShockM;
        cfM[j] = s.cfShockM;
    }
    layout.setArray(line, "SteeringWheelTorque_ST", torqueNm);
    layout.setArray(line, "LFshockDefl_ST", lfM);
    layout.setArray(line, "RFshockDefl_ST", rfM);
    layout.setArray(line, "CFshockDefl_ST", cfM);
}

} // namespace

std::span<const ScenarioInfo> scenarios() {
    return kScenarios;
}

const ScenarioInfo* findScenario(std::string_view name) {
    for (const ScenarioInfo& s : kScenarios)
        if (s.name == name)
            return &s;
    return nullptr;
}

bool findScenarios(std::string_view names, std::vector<const ScenarioInfo*>& out,
                   std::string& error) {
    out.clear();
    for (;;) {
        const size_t comma = names.find(',');
        const std::string_view name = names.substr(0, comma);
        const ScenarioInfo* scenario = findScenario(name);
        if (!scenario) {
            error = "unknown scenario '" + std::string(name) + "' (one of: " + scenarioNameList() + ")";
            return false;
        }
        out.push_back(scenario);
        if (comma == std::string_view::npos)
            return true;
        names.remove_prefix(comma + 1);
    }
}

std::string scenarioNameList() {
    std::string list;
    for (const ScenarioInfo& s : kScenarios)
        list += (list.empty() ? "" : ", ") + std::string(s.name);
    return list;
}

void fillScenarioLine(const ScenarioInfo& scenario, int32_t lineIndex, int32_t tick,
                      const TelemetryImage& layout, std::span<uint8_t> line) {
    std::fill(line.begin(), line.end(), uint8_t{0});
    const double timeS = lineTimeS(lineIndex);
    const DriveState s = scenario.drive(timeS);
    setValue(layout, line, "SessionTime", static_cast<double>(tick) / kSimulatorTickRateHz);
    setValue(layout, line, "SessionTick", tick);
    layout.setBool(line, "IsOnTrack", s.onTrack);
    layout.setFloat(line, "Speed", s.speedMps);
    layout.setFloat(line, "SteeringWheelTorque", s.torqueNm);
    layout.setFloat(line, "SteeringWheelAngle", s.wheelAngleRad);
    layout.setFloat(line, "SteeringWheelAngleMax", kWheelLockToLockRad);
    layout.setFloat(line, "VelocityX", s.velocityXMps);
    layout.setFloat(line, "VelocityY", s.velocityYMps);
    layout.setFloat(line, "LongAccel", s.longAccelMps2);
    layout.setFloat(line, "LatAccel", s.latAccelMps2);
    layout.setFloat(line, "YawRate", s.yawRateRadps);
    layout.setBool(line, "BrakeABSactive", s.absActive);
    layout.setBool(line, "IsReplayPlaying", s.replayPlaying);
    layout.setBool(line, "WeatherDeclaredWet", s.declaredWet);
    setValue(layout, line, "TrackWetness", s.trackWetness);
    setSubSamples(scenario, timeS, layout, line);
}

std::string scenarioSessionText(const ScenarioIdentity& identity) {
    // The result list names car indices before the driver list does, as the
    // simulator's text does; the user is car 1, after the pace car.
    return "---\n"
           "WeekendInfo:\n"
           " TrackName: " +
           std::string(identity.trackName) +
           "\n"
           " TrackDisplayName: " +
           std::string(identity.trackDisplayName) +
           "\n"
           " TrackLength: 3.20 km\n"
           " EventType: Test\n"
           " Category: Road\n"
           " SimMode: full\n"
           "SessionInfo:\n"
           " Sessions:\n"
           " - SessionNum: 0\n"
           "   SessionType: Offline Testing\n"
           "   ResultsPositions:\n"
           "   - Position: 1\n"
           "     CarIdx: 1\n"
           "     Lap: 3\n"
           "DriverInfo:\n"
           " DriverCarIdx: 1\n"
           " DriverUserID: 100001\n"
           " PaceCarIdx: 0\n"
           " Drivers:\n"
           " - CarIdx: 0\n"
           "   UserName: Pace Car\n"
           "   UserID: -1\n"
           "   CarPath: safety pcporsche911cup\n"
           " - CarIdx: 1\n"
           "   UserName: Stand-in Driver\n"
           "   UserID: 100001\n"
           "   CarPath: " +
           std::string(identity.carPath) +
           "\n"
           "   CarScreenName: " +
           std::string(identity.carScreenName) +
           "\n"
           " - CarIdx: 2\n"
           "   UserName: Second Driver\n"
           "   UserID: 100002\n"
           "   CarPath: mx5 mx52016\n"
           "...\n";
}

} // namespace gripline::standin
