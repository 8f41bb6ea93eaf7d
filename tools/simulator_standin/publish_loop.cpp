#include "tools/simulator_standin/publish_loop.h"

namespace gripline::standin {

namespace {

// A line goes out within microseconds of its deadline: the clock sleeps
// until shortly before it and spins the rest. The stand-in shares the
// machine with the engine it feeds, so it spins no longer than its sleeps
// need (spinning the last 1.5 ms of every tick took a tenth of a core and
// crowded the engine's last sample of each tick on a 2-core machine).
void waitUntil(Clock& clock, int64_t deadlineNs, bool precise) {
    if (precise) {
        clock.waitUntil(deadlineNs);
        return;
    }
    const int64_t sleepNs = deadlineNs - clock.nowNs();
    if (sleepNs > 0)
        clock.sleepNs(sleepNs);
}

} // namespace

std::string publishingLine(const Feed& feed, const StandinOptions& options) {
    std::string line =
        "publishing " + feed.description() + " at " + std::to_string(options.rateHz) + " Hz";
    if (options.loop)
        line += ", looping";
    if (options.statusClear)
        line += ", status bit clear";
    return line;
}

LoopEnd runPublishLoop(Feed& feed, const PublishSchedule& schedule, std::span<uint8_t> block,
                       Clock& clock, PublishPort& port, const std::atomic<bool>& stop,
                       std::string_view startLine) {
    port.announce(startLine);
    const int64_t startNs = clock.nowNs();
    int64_t published = 0;
    bool publishing = true;
    auto stopPublishing = [&](StopReason reason) {
        if (publishing)
            port.announce("stopped publishing after " + std::to_string(published) +
                          " ticks: " + std::string(stopReasonText(reason)));
        publishing = false;
    };
    for (int64_t k = 0;; ++k) {
        const Step step = schedule.at(k);
        waitUntil(clock, startNs + schedule.deadlineNs(k), step.kind == StepKind::Publish);
        if (stop.load(std::memory_order_acquire)) {
            stopPublishing(StopReason::None);
            return LoopEnd::Stopped;
        }
        if (step.kind != StepKind::Publish) {
            stopPublishing(step.reason);
            if (step.kind == StepKind::Finish)
                return LoopEnd::Finished;
            continue;
        }
        feed.publish(block, step.lineIndex, step.tick);
        const int64_t signalNs = clock.nowNs();
        port.signalData();
        port.noteTick(step.tick, signalNs);
        ++published;
    }
}

} // namespace gripline::standin
