#pragma once
// The engine thread's body: attach to the simulator, follow its connection
// and the car's on-track state, and turn every new on-track tick into output
// samples placed on a fixed schedule. Everything here lives on the engine
// thread's stack and is touched by that thread alone.
#include "engine/auto_strength.h"
#include "engine/engine_ports.h"
#include "engine/force_gate.h"
#include "engine/force_model.h"
#include "engine/output_meter.h"
#include "engine/settings_fade.h"
#include "engine/tick_phase.h"
#include "engine/tick_samples.h"
#include "engine/wet_state.h"
#include "telemetry/telemetry_reader.h"
#include "telemetry/telemetry_snapshot.h"
#include "telemetry/telemetry_source.h"

#include <cstdint>

namespace gripline {

class FfbEngine;

class EngineLoop {
  public:
    EngineLoop(FfbEngine& engine, const EnginePorts& ports);

    // Thread start: real-time priority, status "not connected".
    void begin();
    // One loop pass; returns after a tick, a time-out, or a retry pause.
    void pass();
    // Thread end: reports, outputs zeroed, wheel closed, hand-off ended, detached.
    void end();

    // For tests: where the loop stands.
    bool attached() const { return reader_.isOpen(); }
    bool deviceOpen() const { return deviceOpen_; }
    bool handedOff() const { return handedOff_; }
    bool wasOnTrack() const { return wasOnTrack_; }
    int32_t lastTick() const { return lastTick_; }

  private:
    static constexpr int64_t kRetryNs = 500 * 1000 * 1000;
    static constexpr int kWaitMs = 100;
    // A simulator that stops ticking while the car is on track (frozen,
    // crashed, killed without clearing its status bit) must not leave the
    // last force on the wheel: after this long without a new tick the
    // output is zeroed and disabled until ticks come again.
    static constexpr int64_t kStaleTickNs = 250 * 1000 * 1000;
    // Meeting a tick: an event's time-out is whole milliseconds and may
    // overshoot by one more, so the wait on it ends this long before the
    // watch; the watch reads the tick count every couple of microseconds.
    static constexpr int64_t kWatchLeadNs = 2 * 1000 * 1000;
    static constexpr int64_t kWatchStepNs = 2 * 1000;
    // A tick seen late ends its samples at least this long before the next
    // tick is due, time enough to begin watching for it.
    static constexpr int64_t kScheduleRoomNs = 600 * 1000;
    // The status bar's added latency is refreshed this often (the window
    // reads the status four times a second); a percentile scans the
    // histogram, which the tick path need not do at 60 Hz.
    static constexpr int64_t kLatencyPublishNs = 250 * 1000 * 1000;

    void followSampleTiming();
    void checkOutputErrors();
    void followLostWheel();
    void reopenAwayWheel();
    void detachAfterFailedOpen();
    bool followConnection(); // false: the pass ends (wheel retry pause)
    void refreshIdentity();
    void simulatorGone();
    void simulatorReplaced();
    void handOff();
    void publish(bool onTrack);
    int waitTimeoutMs() const;
    TelemetrySource::Wait waitForTick();
    TelemetrySource::Wait meetTick(const TickPhase::Window& window, int timeoutMs);
    void releaseStaleForce();
    void leaveTrack();
    void followSessionState();
    void runOnTrackTick();
    FfbSettings takeSettings(bool stintBegins);
    void followAutoStrength(FfbSettings& settings, bool startAgain, int64_t nowNs);
    void feedAutoStrength(const TickPlan& plan, int64_t holdBeforeNs, int64_t nowNs,
                          int32_t strengthInForce);
    void enableOutput();
    int32_t toWheel(int32_t magnitude, bool clipped);
    CarCoefficients resolveCoefficients(const FfbSettings& settings) const;
    void recordTick();
    void sendEndStop(int32_t magnitude);
    void deliverSamples(const TickSamples& samples);
    int64_t sampleScheduleStartNs(const TickSamples& samples) const;
    void sendSample(int index, bool firstOfTick);
    void publishAddedLatency();
    void resetForceModel();
    void publishStintReports();

    FfbEngine& engine_;
    EnginePorts ports_;
    TelemetryReader reader_;
    TelemetrySnapshot current_;
    TelemetrySnapshot previous_;
    ForceModel model_; // its state carries across the ticks of a stint
    ForceGate forceGate_; // the driver's force off / on
    OutputMeter meter_;   // what went to the wheel in the last second
    WetState wet_;        // the session's wet state, after its hold-off
    SettingsFade fade_;   // a faded change of settings in progress
    TickPhase tickPhase_; // when the next tick is due (with ports_.meetTicks)
    FfbSettings inForce_; // the settings of the last on-track tick
    FfbSettings handed_;  // the record the window handed last
    uint32_t seenSettingsSerial_ = 0;
    bool replaying_ = false; // the last tick's IsReplayPlaying
    // Auto strength: its rule, whether it drove the last on-track tick, a
    // car change not yet followed, and what was published of it.
    AutoStrengthRule autoStrength_;
    bool autoStrengthOn_ = false;
    bool carChanged_ = false;
    int32_t publishedAutoStrength_ = 0;
    uint32_t publishedSettledCount_ = 0;
    SessionIdentity identity_;
    int32_t lastTick_ = -1;
    int32_t lastSessionInfoUpdate_ = -1;
    uint32_t seenReplacements_ = 0; // the reader's count of new simulators
    uint32_t seenErrorCount_ = 0;      // the wheel's count at the last pass
    uint32_t publishedErrorCount_ = 0; // errors of this run, across reopenings
    bool handedOff_ = false;
    bool deviceOpen_ = false;
    // The output stage gave the wheel up mid-drive: it is closed and opened
    // again every 500 ms without holding up the ticks (steady ns).
    bool wheelAway_ = false;
    int64_t nextOpenNs_ = 0;
    bool wasOnTrack_ = false;
    bool connected_ = false; // this pass's reading of the simulator's status bit
    int64_t tickStartNs_ = 0;
    int64_t lastNewTickNs_ = 0; // TickStart of the last new tick
    int64_t nextLatencyPublishNs_ = 0; // steady ns; 0: at the next tick
};

} // namespace gripline
