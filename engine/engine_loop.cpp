#include "engine/engine_loop.h"

#include "common/clock.h"
#include "engine/ffb_engine.h"
#include "engine/recording_sample.h"
#include "telemetry/telemetry_source.h"

#include <algorithm>

namespace gripline {

EngineLoop::EngineLoop(FfbEngine& engine, const EnginePorts& ports)
    : engine_(engine), ports_(ports), reader_(*ports.telemetry),
      autoStrength_(ports.autoStrength ? *ports.autoStrength : AutoStrengthOptions{}) {}

void EngineLoop::begin() {
    engine_.setRunning(true);
    if (ports_.platform) {
        const std::wstring timing = ports_.platform->enterRealTime();
        if (!timing.empty())
            engine_.publishSampleTiming(timing);
    }
    engine_.publishStatus(false, false);
    // The wheel outlives a run but is closed between runs, so nothing else
    // writes its error counters now. They begin at 0 like the status, or the
    // first pass would report the last run's DirectInput error once more.
    ports_.wheel->errorCount.store(0);
    ports_.wheel->lastError.store(0);
}

void EngineLoop::pass() {
    followSampleTiming();
    checkOutputErrors();
    followLostWheel();
    if (!reader_.isOpen() && !reader_.open()) {
        detachAfterFailedOpen();
        return;
    }
    if (!followConnection())
        return;
    refreshIdentity();

    // A time-out is no error: the pass reads anyway and refreshes the status.
    const TelemetrySource::Wait wait = waitForTick();
    tickStartNs_ = ports_.clock->nowNs();
    if (wait == TelemetrySource::Wait::Failed) {
        simulatorGone();
        return;
    }

    const bool read = reader_.readLatest(current_);
    if (reader_.simulatorsReplaced() != seenReplacements_) {
        simulatorReplaced();
        if (!read)
            current_ = TelemetrySnapshot{}; // the last one was the old simulator's
    }
    if (!read || current_.TickCount == lastTick_) {
        // A failed read leaves the last good snapshot in place.
        releaseStaleForce();
        publish(current_.IsOnTrack);
        return;
    }
    lastTick_ = current_.TickCount;
    lastNewTickNs_ = tickStartNs_;
    if (ports_.observer)
        ports_.observer->onNewTick(current_, tickStartNs_);
    followSessionState();

    if (!current_.IsOnTrack)
        leaveTrack();
    else
        runOnTrackTick();
    // Only the next tick's watch needs it: after this tick's samples, not
    // before its first.
    if (ports_.meetTicks)
        tickPhase_.noteTick(lastTick_, lastNewTickNs_);
}

void EngineLoop::end() {
    if (wasOnTrack_)
        publishStintReports();
    ports_.wheel->quiesce();
    if (deviceOpen_) {
        ports_.wheel->close();
        deviceOpen_ = false;
    }
    if (handedOff_ && ports_.handOff)
        ports_.handOff->connectionEnded();
    handedOff_ = false;
    reader_.close();
    engine_.publishStatus(false, false);
    if (ports_.platform)
        ports_.platform->leaveRealTime();
    engine_.setRunning(false);
}

void EngineLoop::followSampleTiming() {
    if (!ports_.platform)
        return;
    const std::wstring timing = ports_.platform->remeasuredTiming();
    if (!timing.empty())
        engine_.publishSampleTiming(timing);
}

// The wheel counts from 0 again each time it is opened (after the simulator
// came back, or a retried open); the published count only grows during a
// run, so the window sees every later error as new, and never a drop to 0
// as an error of its own.
void EngineLoop::checkOutputErrors() {
    const uint32_t count = ports_.wheel->errorCount.load();
    if (count == seenErrorCount_)
        return;
    const uint32_t added = count > seenErrorCount_ ? count - seenErrorCount_ : count;
    seenErrorCount_ = count;
    if (added == 0)
        return;
    publishedErrorCount_ += added;
    engine_.publishOutputErrors(publishedErrorCount_, ports_.wheel->lastError.load());
}

// The output stage gave the wheel up (unplugged, switched off): it is
// closed, so the next open makes a new DirectInput device (one that lived
// through the unplug may never work again), and the drive goes on without
// force: telemetry, status and recording as before.
void EngineLoop::followLostWheel() {
    if (!deviceOpen_ || !ports_.wheel->wheelGone.load())
        return;
    ports_.wheel->quiesce();
    ports_.wheel->close();
    deviceOpen_ = false;
    wheelAway_ = true;
    nextOpenNs_ = ports_.clock->nowNs() + kRetryNs;
    engine_.publishWheelLost();
}

// Once back, the wheel starts from rest: the next on-track tick enables it
// and the output stage's start delay and fade-in run as at any start.
void EngineLoop::reopenAwayWheel() {
    const int64_t now = ports_.clock->nowNs();
    if (now < nextOpenNs_)
        return;
    nextOpenNs_ = now + kRetryNs;
    if (!ports_.wheel->open(ports_.window, ports_.device)) {
        ports_.wheel->quiesce();
        return;
    }
    deviceOpen_ = true;
    wheelAway_ = false;
    engine_.publishWheelBack();
}

// No simulator: let go of everything that belonged to the last connection,
// show "not connected" and try again in 500 ms.
void EngineLoop::detachAfterFailedOpen() {
    reader_.close();
    if (wasOnTrack_) {
        publishStintReports();
        wasOnTrack_ = false;
    }
    if (deviceOpen_) {
        ports_.wheel->close();
        deviceOpen_ = false;
    }
    ports_.wheel->quiesce();
    resetForceModel();
    tickPhase_.reset();
    lastSessionInfoUpdate_ = -1;
    identity_ = SessionIdentity{};
    wet_.reset();
    engine_.publishStatus(false, false);
    ports_.clock->sleepNs(kRetryNs);
}

// The simulator's status bit: on the first connected pass (and again each
// time it rises) the simulator's own force feedback is handed off; the wheel
// is opened once.
bool EngineLoop::followConnection() {
    const bool wasConnected = connected_;
    connected_ = reader_.simulatorConnected();
    if (!connected_)
        return true;
    // A simulator that comes back (a new session, a restart that found our
    // view still open) writes its own variable table: read where the values
    // are now, or every value would come from the old places.
    if (!wasConnected)
        reader_.refreshVariables();
    // A simulator restarted while our view stayed open starts with its own
    // force feedback at full strength: it is handed off again whenever the
    // bit rises, not only after a new attachment, or the two would fight.
    if (reader_.simulatorsReplaced() != seenReplacements_)
        simulatorReplaced(); // hands the new one off
    else if (!handedOff_ || !wasConnected)
        handOff();
    if (!deviceOpen_ && wheelAway_) {
        reopenAwayWheel();
    } else if (!deviceOpen_) {
        if (!ports_.wheel->open(ports_.window, ports_.device)) {
            ports_.wheel->quiesce();
            ports_.clock->sleepNs(kRetryNs);
            return false;
        }
        deviceOpen_ = true;
    }
    return true;
}

// The session text is scanned only when the simulator changes it, and a
// failing text is not scanned again until it changes.
void EngineLoop::refreshIdentity() {
    const int32_t update = reader_.sessionInfoUpdate();
    if (update == lastSessionInfoUpdate_)
        return;
    lastSessionInfoUpdate_ = update;
    SessionIdentity found;
    const auto text = reader_.sessionText();
    if (text.empty() || !ports_.scanner || !ports_.scanner->scan(text, found))
        found = SessionIdentity{};
    // Another track is another session: its wetness is read afresh.
    if (found.TrackName != identity_.TrackName)
        wet_.reset();
    // Another car drives with forces of its own: Auto strength starts over.
    if (found.CarPath != identity_.CarPath)
        carChanged_ = true;
    identity_ = found;
}

// The data-valid event failed: the simulator has gone. Hand its force
// feedback back, close the wheel and detach; the next pass re-attaches.
void EngineLoop::simulatorGone() {
    if (handedOff_ && ports_.handOff)
        ports_.handOff->connectionEnded();
    handedOff_ = false;
    // Output is disabled too, so a wheel opened on the next connection starts
    // from rest with its start delay and ramp.
    ports_.wheel->quiesce();
    if (deviceOpen_) {
        ports_.wheel->close();
        deviceOpen_ = false;
    }
    resetForceModel();
    tickPhase_.reset();
    reader_.close();
}

// A new simulator wrote its own table into the block the reader holds (the
// reader saw the table change, or the ticks go backwards). Nothing of the
// last one carries over: its stint ends, the models start from rest, the
// wheel starts again with its start delay and fade-in, the session text is
// read anew and the new simulator's force feedback is handed off. The tick
// just read, from the new places, is then taken as the first of the new run.
void EngineLoop::simulatorReplaced() {
    seenReplacements_ = reader_.simulatorsReplaced();
    if (wasOnTrack_)
        publishStintReports();
    wasOnTrack_ = false;
    ports_.wheel->quiesce();
    resetForceModel();
    lastTick_ = -1;
    tickPhase_.reset();
    lastSessionInfoUpdate_ = -1;
    wet_.reset();
    refreshIdentity();
    // While its bit is low the hand-off waits for the bit to rise.
    connected_ = reader_.simulatorConnected();
    if (connected_)
        handOff();
}

// Tells the simulator to mute its own force feedback, with the settings of
// the moment.
void EngineLoop::handOff() {
    const FfbSettings settings = engine_.copySettings();
    if (ports_.handOff)
        ports_.handOff->connectionStarted(settings);
    handedOff_ = true;
}

// While force is on the wheel the wait ends when the last tick turns stale,
// so the force comes off 250 ms after it, not up to 100 ms later.
int EngineLoop::waitTimeoutMs() const {
    if (!wasOnTrack_ || !ports_.wheel->outputEnabled.load())
        return kWaitMs;
    const int64_t left = lastNewTickNs_ + kStaleTickNs - ports_.clock->nowNs();
    const int64_t ms = (left + kNsPerMs - 1) / kNsPerMs;
    return static_cast<int>(std::clamp<int64_t>(ms, 1, kWaitMs));
}

// Without a known rhythm the event wakes the engine for each tick. With
// one, the engine meets the tick instead.
TelemetrySource::Wait EngineLoop::waitForTick() {
    const int timeoutMs = waitTimeoutMs();
    if (ports_.meetTicks) {
        if (const auto window = tickPhase_.next(ports_.clock->nowNs()))
            return meetTick(*window, timeoutMs);
    }
    return ports_.telemetry->waitForData(timeoutMs);
}

// The simulator signals its event just after it writes the tick count, so
// the watch sees a tick before the signal: the signal left from the last
// tick is taken first, or the coming wait would return at once for a tick
// already read. Until shortly before the window the engine waits on the
// event (a tick that comes early is taken as ever), then sleeps to the
// window's start and watches the tick count through it. A tick later than
// the window, or none, is left to the event as without a watch. Nothing
// the engine computes depends on which of them saw the tick.
TelemetrySource::Wait EngineLoop::meetTick(const TickPhase::Window& window, int timeoutMs) {
    TelemetrySource& source = *ports_.telemetry;
    Clock& clock = *ports_.clock;
    ports_.wheel->announceTickWatch(window.startNs, window.endNs);
    if (reader_.newerTickPublished())
        return TelemetrySource::Wait::Signalled;
    if (source.waitForData(0) == TelemetrySource::Wait::Failed)
        return TelemetrySource::Wait::Failed;
    if (reader_.newerTickPublished()) // came while the old signal was taken
        return TelemetrySource::Wait::Signalled;
    const int64_t eventNs = window.startNs - clock.nowNs() - kWatchLeadNs;
    if (eventNs >= kNsPerMs) {
        const int ms = static_cast<int>(std::min<int64_t>(eventNs / kNsPerMs, timeoutMs));
        const TelemetrySource::Wait wait = source.waitForData(ms);
        if (wait != TelemetrySource::Wait::TimedOut)
            return wait;
    }
    clock.waitUntil(window.startNs);
    if (spinUntilDone(clock, window.endNs, kWatchStepNs,
                      [&] { return reader_.newerTickPublished(); }))
        return TelemetrySource::Wait::Signalled;
    return source.waitForData(waitTimeoutMs());
}

void EngineLoop::releaseStaleForce() {
    if (wasOnTrack_ && ports_.wheel->outputEnabled.load() &&
        ports_.clock->nowNs() - lastNewTickNs_ >= kStaleTickNs)
        ports_.wheel->quiesce();
}

void EngineLoop::publish(bool onTrack) {
    engine_.publishStatus(connected_, onTrack, identity_, wet_.wet(),
                          meter_.read(ports_.clock->nowNs()));
}

// What the simulator says about the session rather than the car: whether it
// is wet, and whether it plays a replay (the force gate then takes the force
// off, on track or not; the window logs each start and end).
void EngineLoop::followSessionState() {
    wet_.follow(current_.WeatherDeclaredWet, current_.TrackWetness, tickStartNs_);
    if (current_.IsReplayPlaying != replaying_) {
        replaying_ = current_.IsReplayPlaying;
        engine_.publishReplay(replaying_);
    }
}

void EngineLoop::leaveTrack() {
    if (wasOnTrack_)
        publishStintReports();
    wasOnTrack_ = false;
    ports_.wheel->quiesce();
    resetForceModel();
    publish(false);
}

void EngineLoop::runOnTrackTick() {
    const bool stintBegins = !wasOnTrack_;
    if (stintBegins) {
        resetForceModel();
        engine_.accumulators = StintAccumulators{};
        ports_.wheel->addedLatency.reset();
        nextLatencyPublishNs_ = 0;
        wasOnTrack_ = true;
    }
    const int32_t lastHandedStrength = handed_.ForceStrength;
    FfbSettings settings = takeSettings(stintBegins);
    const int64_t now = ports_.clock->nowNs();
    followAutoStrength(settings, stintBegins || settings.ForceStrength != lastHandedStrength, now);
    // A fade starts from the strength actually in force, Auto strength's.
    inForce_ = settings;
    const CarCoefficients coefficients = resolveCoefficients(settings);
    WheelOutput& wheel = *ports_.wheel;
    enableOutput();

    // The fading-out model first, with the crash hold as the tick found it.
    const int64_t holdBefore = engine_.CrashHoldUntil;
    fade_.computeTick(current_, previous_, settings, coefficients, now, engine_.CrashHoldUntil);
    const TickPlan plan = model_.computeTick(current_, previous_, settings, coefficients, now,
                                             engine_.CrashHoldUntil);
    feedAutoStrength(plan, holdBefore, now, settings.ForceStrength);
    wheel.dampingPercent.exchange(fade_.blendDamping(plan.dampingPercent, now));
    wheel.endStopActive.exchange(plan.endStopActive);
    if (plan.pastLock) {
        sendEndStop(plan.endStopMagnitude);
    } else {
        recordTick();
        deliverSamples(plan.samples);
        model_.finishTick();
        fade_.finishTick(ports_.clock->nowNs());
    }
    previous_ = current_;
    publish(true);
    publishAddedLatency();
}

// After the tick's samples, never before its first: the figures must not
// add to what they measure.
void EngineLoop::publishAddedLatency() {
    const int64_t now = ports_.clock->nowNs();
    if (nextLatencyPublishNs_ != 0 && now < nextLatencyPublishNs_)
        return;
    nextLatencyPublishNs_ = now + kLatencyPublishNs;
    engine_.publishAddedLatency(ports_.wheel->addedLatency.percentileNs(99));
}

// The tick's settings. A change stored since the last tick takes effect at
// once, or fades in when it was stored faded; at a stint's start there is
// no force yet to fade from, and the output stage ramps in anyway.
// The window may hand the same record again (a save, a status refresh): that
// is no change, and must not cut short a fade in progress with a step.
FfbSettings EngineLoop::takeSettings(bool stintBegins) {
    const SettingsCopy copy = engine_.copySettingsForTick();
    const bool changed = copy.serial != seenSettingsSerial_ && copy.settings != handed_;
    seenSettingsSerial_ = copy.serial;
    handed_ = copy.settings;
    if (!stintBegins)
        fade_.follow(changed, copy.faded, model_, inForce_, ports_.clock->nowNs());
    return copy.settings;
}

// With Auto strength on, the rule's strength replaces the handed one for
// the whole tick, so the samples, the recording's FullScaleNm and the clip
// count all carry the strength in force. The rule starts again from the
// handed strength at each stint, for another car, and whenever the window
// hands a ForceStrength other than the last (the driver moved the slider,
// or other stored settings came into use).
void EngineLoop::followAutoStrength(FfbSettings& settings, bool startAgain, int64_t nowNs) {
    if (!settings.AutoStrength) {
        autoStrengthOn_ = false;
        if (publishedAutoStrength_ != 0)
            engine_.publishAutoStrength(publishedAutoStrength_ = 0);
        return;
    }
    if (!autoStrengthOn_ || startAgain || carChanged_)
        autoStrength_.restart(settings.ForceStrength, settings.AutoStrengthTarget, nowNs);
    else
        autoStrength_.setTarget(settings.AutoStrengthTarget);
    autoStrengthOn_ = true;
    carChanged_ = false;
    settings.ForceStrength = autoStrength_.strength();
    if (publishedAutoStrength_ != settings.ForceStrength)
        engine_.publishAutoStrength(publishedAutoStrength_ = settings.ForceStrength);
}

// The tick as the rule counts it: the final force unless parked, past the
// lock, under the crash hold or just after a hit (the hold moved forward).
void EngineLoop::feedAutoStrength(const TickPlan& plan, int64_t holdBeforeNs, int64_t nowNs,
                                  int32_t strengthInForce) {
    StrengthSample sample;
    sample.pastLock = plan.pastLock;
    if (!plan.pastLock) {
        sample.finalForceNm = model_.finalForce();
        sample.parked = model_.parked();
    }
    sample.impact = engine_.CrashHoldUntil > holdBeforeNs;
    sample.crashProtected = nowNs < engine_.CrashHoldUntil;
    if (ports_.observer)
        ports_.observer->onStrengthSample(sample, nowNs, strengthInForce);
    if (!autoStrengthOn_)
        return;
    autoStrength_.feed(sample, nowNs);
    if (autoStrength_.settledCount() != publishedSettledCount_) {
        publishedSettledCount_ = autoStrength_.settledCount();
        engine_.publishAutoStrengthSettled(autoStrength_.lastSettled());
    }
}

// Output goes on with every on-track tick, unless the driver switched the
// force off or the simulator plays a replay (whose forces are no car's the
// driver holds): then the samples fade out and the output goes off once they
// have, until the switch is on again (the stage then starts from rest).
void EngineLoop::enableOutput() {
    const int64_t now = ports_.clock->nowNs();
    forceGate_.follow(engine_.forceOff() || current_.IsReplayPlaying, now,
                      current_.IsReplayPlaying ? ForceGate::kReplayFadeNs : ForceGate::kFadeNs);
    WheelOutput& wheel = *ports_.wheel;
    if (!forceGate_.off())
        wheel.outputEnabled.exchange(true);
    else if (wheel.outputEnabled.load() && forceGate_.faded(now))
        wheel.quiesce();
}

// A sample on its way to the wheel: faded while the force goes off, and
// counted by the live meter as sent.
int32_t EngineLoop::toWheel(int32_t magnitude, bool clipped) {
    const int64_t now = ports_.clock->nowNs();
    // While the wheel is away nothing reaches it, and the meter says so.
    const int32_t sent = deviceOpen_ ? forceGate_.apply(magnitude, now) : 0;
    meter_.add(sent, clipped && sent != 0, now);
    return sent;
}

// While recording, the tick's values go to the recorder's ring; a full ring
// drops them and counts, the engine never waits.
void EngineLoop::recordTick() {
    Recorder& recorder = engine_.recorder;
    const bool recording = recorder.active();
    if (!recording && !ports_.observer)
        return;
    const TickRecord record = model_.tickRecord(current_);
    if (recording)
        recorder.push(recordingSample(record, recorder.elapsedMicros()));
    if (ports_.observer)
        ports_.observer->onTickRecord(record);
}

CarCoefficients EngineLoop::resolveCoefficients(const FfbSettings& settings) const {
    if (ports_.fixedCoefficients)
        return *ports_.fixedCoefficients;
    CarCoefficients coefficients;
    engine_.resolveCoefficients(identity_.CarPath, settings.UseCarSpecificSettings != 0,
                                coefficients);
    return coefficients;
}

// Past the lock the end-stop force is the tick's only output: written at
// once, neither counted in the stint's reports nor recorded.
void EngineLoop::sendEndStop(int32_t computed) {
    const int32_t magnitude = toWheel(computed, false);
    const int64_t writeNs = ports_.observer ? ports_.clock->nowNs() : 0;
    ports_.wheel->requestTickForce(magnitude, tickStartNs_);
    if (ports_.observer)
        ports_.observer->onSample(0, writeNs, magnitude);
}

// Places the tick's samples on their schedule from TickStart; each value is
// computed at its time. The first goes out at once. A stop request skips
// what is left but the last sample, which is still written so the wheel
// ends on the tick's final value (in the interpolated mode at its time).
// The thread sleeps between samples and spins only the last stretch to
// each: a sim-racing PC is short of processor time for the simulator.
void EngineLoop::deliverSamples(const TickSamples& samples) {
    Clock& clock = *ports_.clock;
    const int64_t startNs = sampleScheduleStartNs(samples);
    if (ports_.observer)
        ports_.observer->onSampleSchedule(startNs);
    const int last = samples.count - 1;
    for (int i = 0; i <= last; ++i) {
        const bool stopTested = i != last && !(samples.interpolated && i == 0);
        if (stopTested && engine_.stopRequested()) {
            if (samples.interpolated)
                clock.waitUntil(startNs + last * samples.spacingNs());
            sendSample(last, i == 0);
            return;
        }
        if (i > 0)
            clock.waitUntil(startNs + i * samples.spacingNs());
        sendSample(i, i == 0);
    }
}

// The samples fill all but the last 0.1 to 1.5 ms of a tick, so a tick seen
// later than that (a machine that stalled the engine, or the simulator, for
// a few milliseconds) would end its samples after the next tick came: that
// one would be seen late too, and the next, the force trailing the
// simulator's for several ticks while the lag wore off. With the rhythm
// known, such a tick's schedule starts just early enough that its last
// sample goes out kScheduleRoomNs before the next tick is due; samples
// already due go out at once, in order and with their values. An on-time
// tick keeps TickStart, and so does every tick of a simulator whose ticks
// are shorter than their samples.
int64_t EngineLoop::sampleScheduleStartNs(const TickSamples& samples) const {
    if (!ports_.meetTicks || samples.count < 2)
        return tickStartNs_;
    const std::optional<int64_t> nextNs = tickPhase_.expectedAt(lastTick_ + 1);
    if (!nextNs || tickStartNs_ >= *nextNs) // not this rhythm's tick
        return tickStartNs_;
    const int64_t latestNs =
        *nextNs - (samples.count - 1) * samples.spacingNs() - kScheduleRoomNs;
    if (latestNs < *nextNs - tickPhase_.periodNs()) // the samples outlast a tick of this rhythm
        return tickStartNs_;
    return std::min(tickStartNs_, latestNs);
}

// The tick's first force carries the mark by which the output stage counts
// the tick's added latency.
void EngineLoop::sendSample(int index, bool firstOfTick) {
    const uint32_t clippedBefore = engine_.accumulators.ClipCount;
    const int32_t computed = fade_.blend(index, model_.publishSample(index, engine_.accumulators),
                                         ports_.clock->nowNs());
    const int32_t magnitude = toWheel(computed, engine_.accumulators.ClipCount != clippedBefore);
    const int64_t writeNs = ports_.observer ? ports_.clock->nowNs() : 0; // for the observer only
    if (firstOfTick)
        ports_.wheel->requestTickForce(magnitude, tickStartNs_);
    else
        ports_.wheel->requestForce(magnitude);
    if (ports_.observer)
        ports_.observer->onSample(index, writeNs, magnitude);
}

void EngineLoop::resetForceModel() {
    model_.reset();
    fade_.cancel();
    previous_ = TelemetrySnapshot{};
}

void EngineLoop::publishStintReports() {
    const AddedLatency& latency = ports_.wheel->addedLatency;
    engine_.publishClipReport(latency.percentileNs(50), latency.percentileNs(99));
    engine_.publishOutputReport();
}

} // namespace gripline
