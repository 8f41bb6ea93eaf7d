#include "tools/simulator_standin/standin_run_win32.h"

#include "tools/simulator_standin/broadcast_listener_win32.h"
#include "tools/simulator_standin/publisher_win32.h"
#include "tools/simulator_standin/shared_block_win32.h"
#include "tools/simulator_standin/shutdown_win32.h"
#include "tools/simulator_standin/standin_scoped_win32.h"

#include <cstdio>

namespace gripline::standin {

namespace {

bool openLog(const std::filesystem::path& path, const char* option, ScopedFile& file,
             std::string& error) {
    if (path.empty())
        return true;
    file = openForAppend(path);
    if (file)
        return true;
    const std::u8string name = path.u8string();
    error = std::string(option) + ": cannot open " + std::string(name.begin(), name.end());
    return false;
}

int runScoped(const StandinOptions& options, Feed& feed) {
    // Start-up; the shutdown below undoes it in reverse.
    ScopedTimerResolution timerResolution;
    SharedBlock block;
    ScopedFile timingLog, broadcastLog;
    std::string error;
    if (!block.open(feed.blockSize(), error) ||
        !openLog(options.timingLog, "--timing-log", timingLog, error) ||
        !openLog(options.broadcastLog, "--broadcast-log", broadcastLog, error)) {
        printError(error);
        return 1;
    }
    if (timingLog)
        std::setvbuf(timingLog.get(), nullptr, _IOFBF, 64 * 1024);
    // The whole block, status bit included, before the first event.
    feed.prepare(block.bytes(), !options.statusClear);
    // The queue must exist before anyone can post a quit request to it.
    prepareMessageQueue();
    const DWORD mainThread = GetCurrentThreadId();
    BroadcastListener listener;
    if (!listener.start(GetModuleHandleW(nullptr), broadcastLog.get(), error) &&
        !options.broadcastLog.empty())
        printWarning(error);
    installConsoleHandler(mainThread);
    Publisher publisher(feed, PublishSchedule(scheduleSettings(options, feed.lineCount())), block,
                        timingLog.get(), publishingLine(feed, options),
                        options.startDelayNs);
    publisher.start(mainThread);

    runMessageLoop();

    // Shutdown. The publisher first, so that nothing sets the status bit or
    // writes a line after this point.
    publisher.stop();
    // Then the status bit, as the simulator clears it when it shuts down;
    // a reader that still holds the mapping sees it clear. The window, the
    // logs and the handles are closed as their owners go out of scope.
    TelemetryImage::setConnected(block.bytes(), false);
    return 0;
}

} // namespace

int runStandin(const StandinOptions& options, Feed& feed) {
    const int code = runScoped(options, feed);
    // Everything is closed: a console that is being closed may end us now.
    shutdownDone();
    return code;
}

void printError(const std::string& message) {
    std::fprintf(stderr, "simulator_standin: %s\n", message.c_str());
    std::fflush(stderr);
}

void printWarning(const std::string& message) {
    std::fprintf(stderr, "simulator_standin: warning: %s\n", message.c_str());
    std::fflush(stderr);
}

} // namespace gripline::standin
