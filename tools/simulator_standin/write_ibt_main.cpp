// standin_write_ibt: the stand-in's `--scenario NAMES --write-ibt FILE` in the
// native build, which has no shared memory to publish into.
#include "tools/simulator_standin/ibt_writer.h"
#include "tools/simulator_standin/standin_options.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace gripline::standin;

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    StandinOptions options;
    std::string error;
    if (parseStandinOptions(args, options, error) && !options.help && options.writeIbt.empty())
        error = "the native build only writes files: give --scenario NAMES --write-ibt FILE";
    if (!error.empty()) {
        std::fprintf(stderr, "standin_write_ibt: %s\n", error.c_str());
        return 1;
    }
    if (options.help) {
        std::fputs(standinUsage().c_str(), stdout);
        return 0;
    }
    if (writeScenarioIbt(options.scenario, options.writeIbt, error))
        return 0;
    std::fprintf(stderr, "standin_write_ibt: %s\n", error.c_str());
    return 1;
}
