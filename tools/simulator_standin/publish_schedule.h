#pragma once
// When the stand-in publishes what: step k falls due at k / rate seconds
// after the start, on one absolute schedule, so ticks never drift.
#include "tools/simulator_standin/standin_options.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace gripline::standin {

enum class StepKind {
    Publish, // publish line `lineIndex` (none for an image) with tick count `tick`
    Idle,    // publishing has stopped; keep running
    Finish,  // exit normally
};

enum class StopReason { None, EndOfData, StopAfter, ExitAfter };

struct Step {
    StepKind kind = StepKind::Publish;
    int32_t lineIndex = -1;
    int32_t tick = 0;
    StopReason reason = StopReason::None;
};

struct ScheduleSettings {
    int32_t lineCount = 0; // lines per pass; 0: an image, signalled without end
    bool loop = false;
    int32_t rateHz = 60;
    std::optional<int64_t> stopAfterNs;
    std::optional<int64_t> exitAfterNs;
};

ScheduleSettings scheduleSettings(const StandinOptions& options, int32_t lineCount);

class PublishSchedule {
  public:
    explicit PublishSchedule(const ScheduleSettings& settings) : settings_(settings) {}

    // When step `step` falls due, ns after the start.
    int64_t deadlineNs(int64_t step) const;
    Step at(int64_t step) const;

  private:
    ScheduleSettings settings_;
};

// "end of the data", "--stop-after", "--exit-after".
std::string_view stopReasonText(StopReason reason);

} // namespace gripline::standin
