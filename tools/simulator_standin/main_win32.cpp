// simulator_standin.exe: stands in for the iRacing simulator so that tests
// and the demo run the real programs without it. See --help.
#include "tools/simulator_standin/feed.h"
#include "tools/simulator_standin/ibt_writer.h"
#include "tools/simulator_standin/scenarios.h"
#include "tools/simulator_standin/standin_options.h"
#include "tools/simulator_standin/standin_run_win32.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace gripline::standin;

std::string toUtf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
    utf8.pop_back(); // the terminating zero
    return utf8;
}

bool loadSource(const StandinOptions& options, Feed& feed, std::string& error) {
    switch (options.source) {
    case SourceKind::Ibt:
        return feed.loadIbt(options.sourcePath, error);
    case SourceKind::Image:
        return feed.loadImage(options.sourcePath, error);
    default:
        return feed.loadScenario(options.scenario, error);
    }
}

bool loadFeed(const StandinOptions& options, Feed& feed, std::string& error) {
    if (!loadSource(options, feed, error))
        return false;
    return options.sessionText.empty() || feed.loadSessionText(options.sessionText, error);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    // Scripts on Linux read these lines through Wine: "\n", not "\r\n".
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(toUtf8(argv[i]));
    StandinOptions options;
    std::string error;
    if (!parseStandinOptions(args, options, error)) {
        printError(error);
        return 1;
    }
    if (options.help) {
        std::fputs(standinUsage().c_str(), stdout);
        return 0;
    }
    if (options.listScenarios) {
        for (const ScenarioInfo& s : scenarios())
            std::printf("%.*s\n", static_cast<int>(s.name.size()), s.name.data());
        return 0;
    }
    if (!options.writeIbt.empty()) {
        if (writeScenarioIbt(options.scenario, options.writeIbt, error))
            return 0;
        printError(error);
        return 1;
    }
    Feed feed;
    if (!loadFeed(options, feed, error)) {
        printError(error);
        return 1;
    }
    return runStandin(options, feed);
}
