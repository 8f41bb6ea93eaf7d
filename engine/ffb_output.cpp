#include "engine/ffb_output.h"

#include <algorithm>
#include <cmath>
#include <system_error>

namespace gripline {

namespace {

// The damping filter's weights, newest velocity first, then from the oldest
// on; they sum to 1.
constexpr float kVelocityWeights[6] = {0.1295867f, 0.2311436f, 0.2582509f,
                                       0.1923936f, 0.1156718f, 0.0729534f};

// Damping beyond twice full scale changes nothing once added to a force of
// at most full scale and clamped, and keeps the conversion in int32 range.
constexpr float kDampingLimit = 2.0f * FfbOutput::kFullScale;

// Damping acts at the end stop, and elsewhere only with a setting above 0.
bool wantsDamping(bool endStop, int32_t percent) { return endStop || percent > 0; }

int32_t clampToFullScale(int64_t value) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, -FfbOutput::kFullScale, FfbOutput::kFullScale));
}

} // namespace

FfbOutput::FfbOutput(WheelPort& port, Clock& clock, OutputPacing pacing)
    : port_(port), clock_(clock), pacing_(pacing) {}

FfbOutput::~FfbOutput() { close(); }

bool FfbOutput::open(void* window, const DeviceGuid& device) {
    close();
    stopRequested_.store(false);
    requestedForce.store(0);
    lastError.store(0);
    errorCount.store(0);
    outputEnabled.store(false);
    seenQuiesceCount_ = quiesceCount.load();
    seenForceWrites_ = forceWrites.load();
    countedTickSerial_ = tickSerial.load();
    tickWatchStartNs.store(0);
    sendingSinceNs_ = 0;
    effectStarted_ = false;
    running_ = false;
    lastOutput_ = 0;
    rampStart_ = rampEnd_ = clock_.nowNs() + 600 * kNsPerMs;
    lastReacquire_ = lastErrorTime_ = 0;
    awaySinceNs_ = 0;
    wheelGone.store(false);
    lastButtonPollNs_ = 0;
    buttonsSeen_ = false;

    port_.createDeviceEvent();
    // A failure releases whatever the earlier steps acquired; the engine
    // retries the whole open later.
    if (failed(port_.createDirectInput()) || failed(port_.createDevice(device))) {
        port_.releaseAll();
        return false;
    }
    // Results ignored: a wheel that refuses these still plays the effect.
    port_.setJoystickDataFormat();
    port_.setExclusiveBackground(window);
    port_.disableAutoCenter();
    if (port_.hasDeviceEvent())
        port_.setEventNotification();
    if (failed(port_.acquire())) {
        port_.releaseAll();
        return false;
    }
    if (pacing_ == OutputPacing::Thread) {
        try {
            thread_ = std::thread([this] { runOutputThread(); });
        } catch (const std::system_error&) {
            port_.releaseAll(); // no thread, no force: fail like any open failure
            return false;
        }
    }
    return true;
}

void FfbOutput::close() {
    requestedForce.store(0);
    stopRequested_.store(true);
    if (thread_.joinable())
        thread_.join();
    port_.releaseAll();
}

void FfbOutput::runOutputThread() {
    port_.enterOutputThread();
    while (!stopRequested_.load())
        loopOnce();
}

void FfbOutput::loopOnce() {
    if (wheelGone.load()) { // given up: nothing reaches the device until the engine closes us
        clock_.sleepNs(kIdlePollNs);
        return;
    }
    pollButtons();
    // A quiesce seen only by its count: the output stops as if the flag had
    // been seen low, and the ramp starts over if it is high again.
    const uint32_t quiesced = quiesceCount.load();
    if (quiesced != seenQuiesceCount_) {
        seenQuiesceCount_ = quiesced;
        if (running_)
            becomeDisabled();
    }
    const bool enabled = outputEnabled.load();
    if (enabled != running_) {
        if (enabled)
            becomeEnabled(clock_.nowNs());
        else
            becomeDisabled();
    }
    if (!running_ || clock_.nowNs() < rampStart_) {
        clock_.sleepNs(kIdlePollNs);
        return;
    }
    if (!port_.hasEffect() && !createEffect()) {
        clock_.sleepNs(kEffectRetryNs);
        return;
    }
    // With a device event the loop waits first, so its input is read fresh;
    // without one it sends first and waits after. A loop woken by a new
    // force sends it before looking at the device: that look costs tens of
    // µs under Wine, and the damping of the last look is at most a loop old.
    // The wheel's motion is then read after the send, for the next loop,
    // and only while damping needs it.
    const bool eventPaced = port_.hasDeviceEvent();
    const uint32_t writesBefore = seenForceWrites_;
    if (eventPaced)
        waitForWork();
    seenForceWrites_ = forceWrites.load();
    const bool newForce = seenForceWrites_ != writesBefore;
    const bool fresh = eventPaced && !newForce && dampingWanted() && port_.takeInputReport();
    const int32_t force =
        clampToFullScale(int64_t{requestedForce.load()} + int64_t{readDamping(fresh)});
    const int64_t now = clock_.nowNs();
    if (sendingSinceNs_ == 0)
        sendingSinceNs_ = now;
    magnitude_ = rampAndSlew(force, now);
    const HResult hr = sendMagnitude();
    if (failed(hr)) {
        if (port_.hasDevice()) {
            noteFailure(hr);
            reacquire();
        }
    } else {
        countAddedLatency(seenForceWrites_, now);
        if (!effectStarted_ && clock_.nowNs() >= rampStart_ && port_.hasEffect())
            startEffect();
    }
    if (eventPaced && newForce && dampingWanted() && port_.takeInputReport())
        readDamping(true);
    if (!eventPaced)
        waitForWork();
}

// Between forces the loop sleeps on the force count for its period. When
// the engine watches for a tick within that period, the loop sleeps only
// until the watch begins and then spins with it, so the tick's first force
// is sent the moment it is written; a tick later than the watch wakes the
// loop as any force does.
void FfbOutput::waitForWork() {
    const int64_t start = tickWatchStartNs.load(std::memory_order_relaxed);
    const int64_t end = tickWatchEndNs.load(std::memory_order_relaxed) + kTickComputeNs;
    const int64_t now = clock_.nowNs();
    if (start == 0 || now >= end || start - now >= kLoopPeriodNs) {
        port_.waitForWork(forceWrites, seenForceWrites_, kLoopPeriodNs);
        return;
    }
    if (start > now)
        port_.waitForWork(forceWrites, seenForceWrites_, start - now);
    spinUntilDone(clock_, end, kSpinStepNs,
                  [&] { return forceWrites.load() != seenForceWrites_; });
}

void FfbOutput::wakeOutput() { port_.wakeOutputThread(forceWrites); }

// The window reads the wheel's buttons through us: the device is ours and
// only this thread calls it. A failed read is left to the damping read and
// the updates, which re-acquire.
void FfbOutput::pollButtons() {
    if (!watchButtons.load() || !port_.hasDevice())
        return;
    const int64_t now = clock_.nowNs();
    if (lastButtonPollNs_ != 0 && now - lastButtonPollNs_ < kButtonPollNs)
        return;
    lastButtonPollNs_ = now;
    uint32_t down = 0;
    if (failed(port_.readButtons(down)))
        return;
    if (buttonsSeen_)
        for (int b = 0; b < kWatchedButtons; ++b)
            if (down & ~buttonsDown_ & (1u << b))
                buttonPresses[static_cast<size_t>(b)].fetch_add(1);
    buttonsSeen_ = true;
    buttonsDown_ = down;
}

void FfbOutput::becomeEnabled(int64_t now) {
    effectStarted_ = false;
    sendingSinceNs_ = 0;
    running_ = true;
    lastOutput_ = 0;
    clearDamping();
    rampStart_ = now + kStartDelayNs;
    rampEnd_ = now + kRampEndNs;
    if (port_.hasEffect())
        magnitude_ = 0;
}

// Force off at once: the effect is sent a zero and stopped, so the wheel
// goes limp even on a device that keeps playing a stopped effect's last value.
void FfbOutput::becomeDisabled() {
    running_ = false;
    sendingSinceNs_ = 0;
    requestedForce.store(0);
    dampingPercent.store(0);
    endStopActive.store(false);
    lastOutput_ = 0;
    if (port_.hasEffect()) {
        magnitude_ = 0;
        port_.setMagnitude(0);
        port_.stopEffect();
    }
    effectStarted_ = false;
    clearDamping();
}

void FfbOutput::clearDamping() {
    std::fill(std::begin(velocityRing_), std::end(velocityRing_), 0.0f);
    std::fill(std::begin(filteredRing_), std::end(filteredRing_), 0.0f);
    dampingForce_ = 0;
    lastAxisReadNs_ = 0;
}

// Before the start delay nothing; during the ramp the force is scaled by the
// time since the delay ended over 1.8 s and may move 120 per loop; after it
// 1200 per loop.
int32_t FfbOutput::rampAndSlew(int32_t force, int64_t now) {
    if (now < rampStart_) {
        lastOutput_ = 0;
        return 0;
    }
    int32_t limit = kSlewLimit;
    if (now < rampEnd_) {
        const int64_t ms = std::max<int64_t>((now - rampStart_) / kNsPerMs, 0);
        const double scale = std::min(static_cast<double>(ms) / kRampLengthMs, 1.0);
        force = static_cast<int32_t>(scale * force);
        limit = kRampSlewLimit;
    }
    lastOutput_ += std::clamp(force - lastOutput_, -limit, limit);
    return lastOutput_;
}

bool FfbOutput::createEffect() { return !failed(port_.createEffect()); }

void FfbOutput::startEffect() {
    if (!port_.hasEffect() || effectStarted_)
        return;
    // Start from zero so the effect never plays a stale magnitude.
    const int32_t saved = magnitude_;
    magnitude_ = 0;
    HResult hr = sendMagnitude();
    if (!failed(hr)) {
        // The wheel was sent this zero, whether or not the start succeeds:
        // the slew limit counts from it, so a start that keeps failing
        // cannot make the next update jump from zero.
        lastOutput_ = 0;
        hr = port_.startEffect();
    }
    magnitude_ = saved;
    if (failed(hr)) {
        noteFailure(hr);
        reacquire();
        return;
    }
    effectStarted_ = true;
}

void FfbOutput::reacquire() {
    if (!port_.hasDevice() || wheelGone.load())
        return;
    effectStarted_ = false;
    if (port_.hasEffect())
        port_.stopEffect();
    const int64_t now = clock_.nowNs();
    if (lastReacquire_ != 0 && now - lastReacquire_ < kReacquireIntervalNs)
        return;
    lastReacquire_ = now;
    port_.unacquire();
    const HResult acquired = port_.acquire();
    if (failed(acquired))
        noteFailure(acquired);
    if (wheelGone.load() || (!port_.hasEffect() && !createEffect()))
        return;
    // The wheel restarts from the zero sent here: the slew limit counts from
    // it, so the force climbs back instead of jumping to the last output.
    magnitude_ = 0;
    lastOutput_ = 0;
    const HResult hr = sendMagnitude();
    if (failed(hr)) {
        noteFailure(hr);
        return;
    }
    if (running_ && now >= rampStart_)
        startEffect();
}

// One failure repeating every loop is counted once a second; a different
// failure is always counted.
void FfbOutput::recordError(HResult hr) {
    const int64_t now = clock_.nowNs();
    if (hr == lastError.load() && lastErrorTime_ != 0 && now - lastErrorTime_ < kErrorRepeatNs)
        return;
    lastErrorTime_ = now;
    lastError.exchange(hr);
    errorCount.fetch_add(1);
}

// A device call failed. A wheel that is away fails call after call, and
// with changing results (the update is skipped, the start refused, the
// acquire finds it unplugged) that the throttle would count each time: it
// is one fault, counted at its first failure, until an update reaches the
// wheel again. DIERR_UNPLUGGED from Acquire, or a second of it, gives the
// wheel up: a device object that lived through an unplug may never work
// again, so the engine opens the wheel anew once it is back.
void FfbOutput::noteFailure(HResult hr) {
    if (!meansWheelAway(hr)) {
        recordError(hr);
        return;
    }
    const int64_t now = clock_.nowNs();
    if (awaySinceNs_ == 0) {
        awaySinceNs_ = now;
        recordError(hr);
    }
    if (hr == kDierrUnplugged || now - awaySinceNs_ >= kWheelGoneNs)
        giveUpWheel();
}

// The force off as at any disable (the zero and Stop may fail: the wheel is
// away), then nothing more until the engine has closed this stage.
void FfbOutput::giveUpWheel() {
    if (running_)
        becomeDisabled();
    effectStarted_ = false;
    wheelGone.store(true);
}

// Every update goes through here: DirectInput keeps but skips an update of
// a device that is no longer acquired and calls that a success; here it is
// the failure it means. An update that reached the wheel ends an away-fault.
HResult FfbOutput::sendMagnitude() {
    HResult hr = port_.setMagnitude(magnitude_);
    if (hr == kDiDownloadSkipped)
        hr = kDierrNotAcquired;
    if (!failed(hr))
        awaySinceNs_ = 0;
    return hr;
}

// A send that succeeded, with the forceWrites serial its force was read at
// and its time just before the device call: the newest marked tick is
// counted once, at the first such send that read its force or a later one.
// A tick seen before this stretch of sending began (force off, the start
// delay) is passed over: its wait was the stage's, not the tick path's.
void FfbOutput::countAddedLatency(uint32_t readSerial, int64_t sendNs) {
    const uint32_t serial = tickSerial.load();
    if (serial == 0 || serial == countedTickSerial_ ||
        static_cast<int32_t>(readSerial - serial) < 0) // the read came before its force
        return;
    const int64_t seenNs = tickSeenNs.load();
    if (tickSerial.load() != serial) // a newer tick was being marked meanwhile
        return;
    countedTickSerial_ = serial;
    if (seenNs >= sendingSinceNs_)
        addedLatency.add(sendNs - seenNs);
}

bool FfbOutput::dampingWanted() const {
    return wantsDamping(endStopActive.load(), dampingPercent.load());
}

// Velocity damping measured from the wheel: the axis speed between device
// reads, smoothed by a six-tap filter and a four-entry average, times a gain
// (stiff near the steering lock, the damping setting otherwise).
int32_t FfbOutput::readDamping(bool fresh) {
    const bool endStop = endStopActive.load();
    const int32_t percent = dampingPercent.load();
    if (!wantsDamping(endStop, percent) || !port_.hasDevice()) {
        lastAxisReadNs_ = 0;
        dampingForce_ = 0;
        return 0;
    }
    if (!fresh)
        return dampingForce_;
    int32_t x = 0;
    if (failed(port_.readAxisX(x))) {
        reacquire();
        lastAxisReadNs_ = 0;
        dampingForce_ = 0;
        return 0;
    }
    const int64_t now = clock_.nowNs();
    if (lastAxisReadNs_ != 0) {
        const int64_t dtUs = (now - lastAxisReadNs_) / kNsPerUs;
        // In 64 bits: an axis that jumps end to end of the 32-bit range
        // must not wrap round and push the wheel the wrong way.
        const int64_t moved = int64_t{x} - int64_t{lastAxisX_};
        if (dtUs > 0)
            velocityRing_[velocityIndex_] =
                static_cast<float>(moved) / static_cast<float>(dtUs);
    }
    lastAxisReadNs_ = now;
    lastAxisX_ = x;
    const int k = velocityIndex_;
    velocityIndex_ = (k + 1) % 6;

    float filtered = 0.0f;
    for (int j = 0; j < 6; ++j)
        filtered += kVelocityWeights[j] * velocityRing_[(k + j) % 6];
    filteredRing_[filteredIndex_] = filtered;
    filteredIndex_ = (filteredIndex_ + 1) % 4;

    const float gain = endStop ? kEndStopDampingGain : static_cast<float>(percent) * kDampingGainPerPercent;
    const float sum = filteredRing_[0] + filteredRing_[1] + filteredRing_[2] + filteredRing_[3];
    const float value = gain * 0.25f * sum;
    dampingForce_ = std::isfinite(value)
                        ? static_cast<int32_t>(std::clamp(value, -kDampingLimit, kDampingLimit))
                        : 0;
    return dampingForce_;
}

} // namespace gripline
