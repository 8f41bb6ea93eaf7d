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

struct ScenarioInfo {
    std::string_view name;
    std::string_view summary;
    DriveFunction drive;
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

// A session text in the simulator's form whose driver list gives the user's
// car path kScenarioCarPath.
inline constexpr std::string_view kScenarioCarPath = "mx5 mx52016";
std::string scenarioSessionText();

} // namespace gripline::standin
