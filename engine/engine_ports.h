#pragma once
// Everything the engine thread reaches outside the portable core. The Win32
// program passes the real adapters; tests pass doubles and virtual time.
#include "engine/auto_strength.h"
#include "engine/tick_record.h"
#include "engine/wheel_output.h"
#include "settings/car_coefficients.h"
#include "settings/ffb_settings.h"
#include "telemetry/session_identity.h"
#include "telemetry/telemetry_snapshot.h"

#include <cstdint>
#include <string>

namespace gripline {

class Clock;
class TelemetrySource;

// Tells the simulator to mute or restore its own force feedback.
class SimulatorHandOff {
  public:
    virtual ~SimulatorHandOff() = default;
    virtual void connectionStarted(const FfbSettings& settings) = 0;
    virtual void connectionEnded() = 0;
};

// Thread priority, timer resolution and the choice of sleep for the engine
// thread's whole life.
class EnginePlatform {
  public:
    virtual ~EnginePlatform() = default;
    // Returns a line for the debug log on how the thread will wait for its
    // sample deadlines; empty when there is nothing to say.
    virtual std::wstring enterRealTime() { return {}; }
    // A line for the debug log when the thread's waits were measured again
    // (their margins stayed at the cap), once; empty otherwise. Called on
    // every pass: cheap when there is nothing new.
    virtual std::wstring remeasuredTiming() { return {}; }
    virtual void leaveRealTime() {}
};

// Watches the tick path for tests and benchmarks. Called on the engine thread;
// implementations must not block.
class EngineObserver {
  public:
    virtual ~EngineObserver() = default;
    virtual void onNewTick(const TelemetrySnapshot&, int64_t /*tickStartNs*/) {}
    // Every magnitude written into requestedForce on a tick, the end-stop
    // force included (index 0 of its tick), with the time just before the
    // write: an output stage awake for it may send it before the write's
    // own call returns.
    virtual void onSample(int /*index*/, int64_t /*sentNs*/, int32_t /*magnitude*/) {}
    // Where the tick's sample schedule starts (sample i is due i spacings
    // later): TickStart, or earlier for a tick seen late. Before its samples.
    virtual void onSampleSchedule(int64_t /*startNs*/) {}
    // The tick's recording values, once per on-track tick that is not an
    // end-stop tick, before its samples go out.
    virtual void onTickRecord(const TickRecord&) {}
    // Every on-track tick as Auto strength sees it, with the strength the
    // tick was driven with (percent), whether Auto strength is on or not.
    virtual void onStrengthSample(const StrengthSample&, int64_t /*nowNs*/,
                                  int32_t /*strengthInForce*/) {}
};

struct EnginePorts {
    TelemetrySource* telemetry = nullptr;
    Clock* clock = nullptr;
    WheelOutput* wheel = nullptr;
    SessionScanner* scanner = nullptr;  // null: identity stays generic
    SimulatorHandOff* handOff = nullptr; // null: nothing is sent
    EnginePlatform* platform = nullptr;  // null: no priority changes
    EngineObserver* observer = nullptr;
    // Coefficients to use for every car instead of looking them up (replays
    // of a file with given coefficients); null: looked up per car.
    const CarCoefficients* fixedCoefficients = nullptr;
    // How Auto strength moves; null: the program's own way.
    const AutoStrengthOptions* autoStrength = nullptr;
    // Meet each simulator tick: learn its period and phase, and shortly
    // before the next one watch the block's tick counter instead of waiting
    // to be woken by the event (which is still taken). Off: every tick waits
    // on the event alone (tests in virtual time, the busy-wait baseline).
    bool meetTicks = false;
    void* window = nullptr;
    DeviceGuid device;
};

} // namespace gripline
