#include "tools/simulator_standin/publisher_win32.h"

#include "tools/simulator_standin/log_lines.h"
#include "tools/simulator_standin/shutdown_win32.h"

namespace gripline::standin {

namespace {
// Flushing about once a second keeps the log almost current for a reader
// while costing one write per 60 ticks instead of one per tick.
constexpr int64_t kTimingLinesPerFlush = 60;
} // namespace

Publisher::Publisher(Feed& feed, const PublishSchedule& schedule, const SharedBlock& block,
                     FILE* timingLog, std::string startLine, int64_t startDelayNs)
    : feed_(feed), schedule_(schedule), block_(block), timingLog_(timingLog),
      startLine_(std::move(startLine)), startDelayNs_(startDelayNs) {}

Publisher::~Publisher() {
    stop();
}

void Publisher::start(DWORD quitThread) {
    thread_ = std::thread([this, quitThread] { run(quitThread); });
}

void Publisher::stop() {
    stop_.store(true, std::memory_order_release);
    if (thread_.joinable())
        thread_.join();
}

void Publisher::run(DWORD quitThread) {
    // Above the normal threads so that a busy machine delays ticks less.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    // The waits learn their sleep here, not on the first line's deadline.
    clock_.calibrateWaits();
    // The block is in place with no line yet: a reader can attach now and
    // then see every line from the first.
    const int64_t firstLine = clock_.nowNs() + startDelayNs_;
    while (!stop_.load(std::memory_order_acquire) && clock_.nowNs() < firstLine)
        clock_.sleepNs(10 * kNsPerMs);
    const LoopEnd end =
        runPublishLoop(feed_, schedule_, block_.bytes(), clock_, *this, stop_, startLine_);
    if (timingLog_)
        std::fflush(timingLog_);
    if (end == LoopEnd::Finished)
        requestQuit(quitThread);
}

void Publisher::signalData() {
    // SetEvent, not PulseEvent: a pulse is lost when the reader is not
    // waiting at that instant (seen under Wine).
    block_.signal();
}

void Publisher::noteTick(int32_t tick, int64_t signalNs) {
    if (!timingLog_)
        return;
    TimingLine buffer;
    const std::string_view line = timingLogLine(buffer, tick, signalNs);
    std::fwrite(line.data(), 1, line.size(), timingLog_);
    if (++timingLines_ % kTimingLinesPerFlush == 0)
        std::fflush(timingLog_);
}

void Publisher::announce(std::string_view line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace gripline::standin
