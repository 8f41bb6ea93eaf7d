#pragma once
// Writes a run of scenarios as a telemetry file in the simulator's disk
// layout, so the synthetic drives can be replayed and inspected like a
// recorded one.
#include "tools/simulator_standin/scenarios.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gripline::standin {

// The whole file for the scenarios played once, one after another: each
// one's kScenarioLines lines in turn, tick counts from 0, the first
// scenario's session text.
std::vector<uint8_t> scenarioIbtBytes(std::span<const ScenarioInfo* const> run);

// Writes the run of "a,b,c" to `path` through a temporary file beside it.
// False with a one-line reason; no file is left under either name then.
bool writeScenarioIbt(std::string_view names, const std::filesystem::path& path,
                      std::string& error);

} // namespace gripline::standin
