#include "tools/simulator_standin/publish_schedule.h"

namespace gripline::standin {

namespace {
constexpr int64_t kNsPerS = 1'000'000'000;
constexpr int64_t kTickRange = int64_t{1} << 31;
} // namespace

ScheduleSettings scheduleSettings(const StandinOptions& options, int32_t lineCount) {
    return {lineCount, options.loop, options.rateHz, options.stopAfterNs, options.exitAfterNs};
}

int64_t PublishSchedule::deadlineNs(int64_t step) const {
    // Split so that step × 10⁹ cannot overflow, and exact: no rounding error
    // accumulates over a long run.
    const int64_t rate = settings_.rateHz;
    return step / rate * kNsPerS + step % rate * kNsPerS / rate;
}

Step PublishSchedule::at(int64_t step) const {
    const int64_t timeNs = deadlineNs(step);
    const auto& s = settings_;
    if (s.exitAfterNs && timeNs >= *s.exitAfterNs)
        return {StepKind::Finish, -1, 0, StopReason::ExitAfter};
    if (s.stopAfterNs && timeNs >= *s.stopAfterNs)
        return {StepKind::Idle, -1, 0, StopReason::StopAfter};
    if (s.lineCount > 0 && !s.loop && step >= s.lineCount) {
        // Without a time limit the run is over; with one, the limit decides.
        const bool keepRunning = s.exitAfterNs || s.stopAfterNs;
        return {keepRunning ? StepKind::Idle : StepKind::Finish, -1, 0, StopReason::EndOfData};
    }
    // Ticks count on across loops (tick = loop × lineCount + line) and wrap
    // to 0 after 2³¹ − 1, more than a year at 60 Hz.
    const int32_t line = s.lineCount > 0 ? static_cast<int32_t>(step % s.lineCount) : -1;
    return {StepKind::Publish, line, static_cast<int32_t>(step % kTickRange), StopReason::None};
}

std::string_view stopReasonText(StopReason reason) {
    switch (reason) {
    case StopReason::EndOfData:
        return "end of the data";
    case StopReason::StopAfter:
        return "--stop-after";
    case StopReason::ExitAfter:
        return "--exit-after";
    default:
        return "closing";
    }
}

} // namespace gripline::standin
