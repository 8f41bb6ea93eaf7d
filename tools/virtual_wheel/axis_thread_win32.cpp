#include "tools/virtual_wheel/axis_thread_win32.h"

#include "common/qpc_clock_win32.h"

#include <algorithm>

namespace gripline::wheel {

namespace {
// After a stall (a debugger, a starved core) the rim catches up at most
// this much time; beyond that the lost time is dropped, not replayed.
constexpr int64_t kMaxCatchUpSteps = 50;
} // namespace

AxisThread::AxisThread(AxisHost& host, const RimConstants& rim)
    : host_(host), model_(rim), wakeEvent_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      axisRaw_(model_.axisRaw()), thread_([this] { run(); }) {}

AxisThread::~AxisThread() {
    stop_.store(true);
    SetEvent(wakeEvent_.get());
    thread_.join();
}

// `resting_` is set before the thread samples its command (under the
// device's lock), and read here after the caller changed that state under
// the same lock: whichever comes second sees the other, so no wake-up is
// lost and a ticking thread costs the caller no system call.
void AxisThread::wake() {
    if (resting_.load())
        SetEvent(wakeEvent_.get());
}

bool AxisThread::restingFor(const MotorCommand& command) const {
    return !command.effectPlaying &&
           model_.atRest(model_.motorTorqueNm(command.magnitude), command.autocentre);
}

void AxisThread::sleepUntilWoken() {
    WaitForSingleObject(wakeEvent_.get(), INFINITE);
    resting_.store(false);
}

// The rim advances in whole 1 ms steps counted from when it last started
// moving, so a late tick is caught up rather than stretching time.
void AxisThread::run() {
    QpcClock& clock = qpcClock();
    int64_t originNs = clock.nowNs();
    int64_t stepsDone = 0;
    while (!stop_.load()) {
        resting_.store(true);
        const MotorCommand command = host_.motorCommand(clock.nowNs());
        if (restingFor(command)) {
            sleepUntilWoken();
            originNs = clock.nowNs();
            stepsDone = 0;
            continue;
        }
        resting_.store(false);
        Sleep(1); // ~1.1 ms under Wine; a late tick is caught up below
        const int64_t due = (clock.nowNs() - originNs) / kNsPerMs;
        stepsDone = std::max(stepsDone, due - kMaxCatchUpSteps);
        const double motorNm = model_.motorTorqueNm(command.magnitude);
        for (; stepsDone < due; ++stepsDone)
            model_.step(motorNm, command.autocentre);
        const int32_t raw = model_.axisRaw();
        if (axisRaw_.exchange(raw, std::memory_order_acq_rel) != raw)
            host_.axisMoved(raw);
    }
}

} // namespace gripline::wheel
