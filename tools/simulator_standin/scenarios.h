#pragma once
// The stand-in's named synthetic drives, turned into data lines of a layout
// built from standardTelemetryVars(), and the session text published with them.
#include "telemetry/telemetry_image.h"
#include "tools/simulator_standin/scenario_drives.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gripline::standin {

// Which car at which track a scenario is driven: what its session text says.
struct ScenarioIdentity {
    std::string_view carPath;          // DriverInfo's CarPath, "mx5 mx52016"
    std::string_view carScreenName;    // "Global Mazda MX-5 Cup"
    std::string_view trackName;        // WeekendInfo's TrackName, "tsukuba 2kfull"
    std::string_view trackDisplayName; // "Tsukuba Circuit 2k Full"

    bool operator==(const ScenarioIdentity&) const = default;
};

struct ScenarioInfo {
    std::string_view name;
    std::string_view summary;
    DriveFunction drive;
    const ScenarioIdentity* identity;
};

// Every scenario lasts kDriveSeconds: 600 lines at the simulator's 60 Hz.
inline constexpr int32_t kSimulatorTickRateHz = 60;
inline constexpr int32_t kScenarioLines =
    static_cast<int32_t>(kDriveSeconds) * kSimulatorTickRateHz;

std::span<const ScenarioInfo> scenarios();
const ScenarioInfo* findScenario(std::string_view name);
// "a,b,c": the named drives played one after another. False with the
// message for the first unknown or empty name.
bool findScenarios(std::string_view names, std::vector<const ScenarioInfo*>& out,
                   std::string& error);
// "straight, left-corner, ..." for messages.
std::string scenarioNameList();

// Fills `line` (zeroed first) with line `lineIndex` (0 .. kScenarioLines - 1)
// of the drive: the variables the program reads, with their 360 Hz
// sub-samples oldest first, plus SessionTime and SessionTick from `tick`.
void fillScenarioLine(const ScenarioInfo& scenario, int32_t lineIndex, int32_t tick,
                      const TelemetryImage& layout, std::span<uint8_t> line);

// The car and track of every scenario unless it says otherwise.
inline constexpr std::string_view kScenarioCarPath = "mx5 mx52016";
inline constexpr ScenarioIdentity kTestCircuitIdentity = {
    kScenarioCarPath, "Global Mazda MX-5 Cup", "gripline test circuit", "Gripline Test Circuit"};

// A session text in the simulator's form: WeekendInfo with the identity's
// track, and a driver list that gives the user's car path.
std::string scenarioSessionText(const ScenarioIdentity& identity = kTestCircuitIdentity);

} // namespace gripline::standin
