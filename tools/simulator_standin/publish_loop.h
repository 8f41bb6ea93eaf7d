#pragma once
// The publishing thread's loop: waits for each step's deadline (sleeping,
// then spinning the last 1.5 ms for a publishing step), writes the line,
// signals the data-valid event and notes when it did.
#include "common/clock.h"
#include "tools/simulator_standin/feed.h"
#include "tools/simulator_standin/publish_schedule.h"

#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace gripline::standin {

// What the loop needs besides the clock; Win32: SetEvent, the timing log and
// the console.
class PublishPort {
  public:
    virtual ~PublishPort() = default;
    virtual void signalData() = 0;
    // Called right after signalData() with the time noted right before it.
    virtual void noteTick(int32_t tick, int64_t signalNs) = 0;
    // One line for the console (start and stop of publishing).
    virtual void announce(std::string_view line) = 0;
};

enum class LoopEnd {
    Finished, // the schedule ended the run: exit normally
    Stopped,  // `stop` was set
};

// "publishing ibt w13_spielberg_390ticks.ibt: 390 lines at 60 Hz".
std::string publishingLine(const Feed& feed, const StandinOptions& options);

// Announces `startLine`, runs the schedule from now, and announces once when
// publishing stops. `stop` is looked at every step.
LoopEnd runPublishLoop(Feed& feed, const PublishSchedule& schedule, std::span<uint8_t> block,
                       Clock& clock, PublishPort& port, const std::atomic<bool>& stop,
                       std::string_view startLine);

} // namespace gripline::standin
