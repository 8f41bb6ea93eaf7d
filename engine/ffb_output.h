#pragma once
// The open wheel: one constant-force effect kept acquired and playing, fed by
// an output thread that re-sends the newest requested force at least once a
// millisecond, adds damping measured from the wheel's own motion, and shapes
// the start of output so the wheel never jerks:
//   nothing for 1.2 s after enabling, then a fade-in to full scale at 3.0 s
//   changing by at most 120 per loop, then at most 1200 per loop.
// Between loops the thread sleeps until the engine writes a new force or
// its 1 ms period ends, so a new force goes out within microseconds.
// Threads: the engine thread opens, closes and writes the four words of
// WheelOutput; the output thread owns everything else between open() and
// close(), including every device call.
#include "common/clock.h"
#include "engine/wheel_output.h"
#include "engine/wheel_port.h"

#include <atomic>
#include <cstdint>
#include <thread>

namespace gripline {

// Thread: open() starts the output thread. Manual: the caller runs loopOnce()
// itself (tests, with virtual time).
enum class OutputPacing { Thread, Manual };

class FfbOutput final : public WheelOutput {
  public:
    static constexpr int64_t kStartDelayNs = 1200 * kNsPerMs;
    static constexpr int64_t kRampEndNs = 3000 * kNsPerMs;
    static constexpr int64_t kRampLengthMs = 1800;
    static constexpr int64_t kIdlePollNs = 5 * kNsPerMs;
    static constexpr int64_t kEffectRetryNs = 50 * kNsPerMs;
    static constexpr int64_t kLoopPeriodNs = 1 * kNsPerMs;
    // The engine's tick watch (see WheelOutput::announceTickWatch) plus this
    // much for the tick's computation is where the loop spins for the
    // tick's first force, reading the force count every couple of µs.
    static constexpr int64_t kTickComputeNs = 200 * kNsPerUs;
    static constexpr int64_t kSpinStepNs = 2 * kNsPerUs;
    static constexpr int32_t kRampSlewLimit = 120;
    static constexpr int32_t kSlewLimit = 1200;
    static constexpr int32_t kFullScale = 10000;
    static constexpr int64_t kReacquireIntervalNs = 250 * kNsPerMs;
    static constexpr int64_t kErrorRepeatNs = 1000 * kNsPerMs;
    static constexpr float kEndStopDampingGain = 150000.0f;
    static constexpr float kDampingGainPerPercent = 800.0f;
    static constexpr int64_t kButtonPollNs = 8 * kNsPerMs;
    // A wheel that fails as an absent one for this long, no update reaching
    // it, is given up (DIERR_UNPLUGGED from Acquire gives it up at once).
    static constexpr int64_t kWheelGoneNs = 1000 * kNsPerMs;

    FfbOutput(WheelPort& port, Clock& clock, OutputPacing pacing = OutputPacing::Thread);
    ~FfbOutput() override;

    bool open(void* window, const DeviceGuid& device) override;
    void close() override;

    // Output thread.
    void loopOnce();
    bool createEffect();
    void startEffect();
    void reacquire();
    void recordError(HResult hr);
    void noteFailure(HResult hr);
    int32_t readDamping(bool fresh);
    bool dampingWanted() const;
    void waitForWork();
    void pollButtons();

    // What the output thread holds, for tests.
    int32_t magnitude() const { return magnitude_; }
    int32_t lastOutput() const { return lastOutput_; }
    bool effectStarted() const { return effectStarted_; }
    bool running() const { return running_; }
    int64_t rampStart() const { return rampStart_; }
    int32_t dampingForce() const { return dampingForce_; }

  private:
    void wakeOutput() override;
    void runOutputThread();
    void becomeEnabled(int64_t now);
    void becomeDisabled();
    void clearDamping();
    int32_t rampAndSlew(int32_t force, int64_t now);
    HResult sendMagnitude();
    void giveUpWheel();
    void countAddedLatency(uint32_t readSerial, int64_t sendNs);

    WheelPort& port_;
    Clock& clock_;
    OutputPacing pacing_;
    std::atomic<bool> stopRequested_{false};
    std::thread thread_;

    // Output thread only (and open/close while it is not running).
    int32_t magnitude_ = 0; // the effect's lMagnitude, sent by every update
    bool effectStarted_ = false;
    bool running_ = false;  // the output thread's copy of outputEnabled
    uint32_t seenQuiesceCount_ = 0;
    uint32_t seenForceWrites_ = 0; // forceWrites when requestedForce was last read
    uint32_t countedTickSerial_ = 0; // the last tick mark counted or passed over
    // The first send of this enabled stretch (steady ns, 0 = none yet): a
    // tick seen before it waited out the start delay and is not counted.
    int64_t sendingSinceNs_ = 0;
    int32_t lastOutput_ = 0; // base of the slew limit
    int64_t rampStart_ = 0;  // steady ns
    int64_t rampEnd_ = 0;
    int64_t lastReacquire_ = 0; // steady ns, 0 = never
    int64_t lastErrorTime_ = 0;
    int64_t awaySinceNs_ = 0; // the first away-failure since an update last reached the wheel; 0 = none
    float velocityRing_[6] = {}; // raw axis units per µs
    float filteredRing_[4] = {};
    int velocityIndex_ = 0;
    int filteredIndex_ = 0;
    int32_t dampingForce_ = 0; // magnitude units
    int32_t lastAxisX_ = 0;
    int64_t lastAxisReadNs_ = 0; // 0 = none
    int64_t lastButtonPollNs_ = 0;
    bool buttonsSeen_ = false; // what is held at the first read is no press
    uint32_t buttonsDown_ = 0;
};

} // namespace gripline
