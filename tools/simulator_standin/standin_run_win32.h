#pragma once
// One run of the stand-in, from creating the shared memory to clearing its
// status bit at the end.
#include "tools/simulator_standin/feed.h"
#include "tools/simulator_standin/standin_options.h"

namespace gripline::standin {

// Returns the process exit code: 0 after a normal end, 1 when the shared
// memory or a log cannot be made (the reason is on stderr).
int runStandin(const StandinOptions& options, Feed& feed);

// "simulator_standin: <message>" on stderr.
void printError(const std::string& message);
void printWarning(const std::string& message);

} // namespace gripline::standin
