#pragma once
// The engine's state shared with the window thread, and the engine thread's
// start and stop. Owned by the Application for the whole run.
//   settings lock: guards the settings record (written by the window thread)
//   status lock:   guards EngineStatus (written by the engine thread)
// The two locks are never held together and never held while computing.
#include "engine/auto_strength.h"
#include "engine/engine_ports.h"
#include "engine/engine_status.h"
#include "engine/output_meter.h"
#include "recording/recorder.h"
#include "settings/car_coefficients_store.h"
#include "settings/ffb_settings.h"

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace gripline {

// Per-stint counters, written by the engine thread only, without a lock.
struct StintAccumulators {
    uint32_t ClipTotal = 0; // samples scaled
    uint32_t ClipCount = 0; // samples beyond the clip limit
    uint32_t OutSamples = 0;
    uint32_t OutNonZero = 0;
    int32_t OutPeak = 0; // largest absolute magnitude delivered
};

// The settings record as the engine thread takes it each tick, with what
// tells it how to move to them.
struct SettingsCopy {
    FfbSettings settings;
    uint32_t serial = 0; // grows with every store
    bool faded = false;  // the last store asked for a fade
};

class FfbEngine {
  public:
    FfbEngine() = default;
    ~FfbEngine() { stop(); }
    FfbEngine(const FfbEngine&) = delete;
    FfbEngine& operator=(const FfbEngine&) = delete;

    // Window thread: starts the engine thread with these ports, its status
    // counters (not the clip report's) from 0. The ports' objects must
    // outlive the thread (stop() joins it).
    void start(const EnginePorts& ports);
    // Window thread: ends a recording, sets the stop flag and joins the
    // thread.
    void stop();
    bool running() const { return running_.load(); }
    bool stopRequested() const { return stop_.load(); }

    // Window thread. A plain store takes effect at the engine's next tick (the
    // driver's own slider); a faded one is moved to over about a second,
    // never in a step (the context changing mid-drive).
    void storeSettings(const FfbSettings& settings);
    void storeSettingsFaded(const FfbSettings& settings);
    FfbSettings copySettings() const;
    SettingsCopy copySettingsForTick() const;
    // Window thread, after every change of the user's coefficient list.
    void storeCustomCars(const CustomCarList& custom);
    // Engine thread, once per on-track tick: the car's coefficients for the
    // tick's UseCarSpecificSettings flag, looked up under the settings lock.
    // Returns where they came from ("generic", "custom" or a built-in car's
    // name). Allocates nothing.
    const wchar_t* resolveCoefficients(std::wstring_view carPath, bool useCarSpecific,
                                       CarCoefficients& out) const;
    EngineStatus readStatus() const;

    // Window thread, the first half of Record: false without touching any
    // file unless the engine runs, the simulator is connected and the car
    // is on track; else the header of the drive as it stands now (car,
    // driver, settings, the car's coefficients) and beginRecording.
    bool buildHeader(const std::filesystem::path& path, const std::wstring& profileName);

    // Engine thread.
    // Without an identity: "generic", "unknown", no track, dry. Allocates
    // nothing once the status strings have grown.
    void publishStatus(bool connected, bool onTrack, const SessionIdentity& identity = {},
                       bool wet = false, const MeterReading& meter = {});
    void publishReplay(bool playing);
    // The stint's clip share, with its added latency (AddedLatency::kNone:
    // nothing counted).
    void publishClipReport(int64_t latencyP50Ns = AddedLatency::kNone,
                           int64_t latencyP99Ns = AddedLatency::kNone);
    void publishAddedLatency(int64_t p99Ns);
    void publishOutputReport();
    void publishOutputErrors(uint32_t errorCount, int32_t lastError);
    void publishSampleTiming(const std::wstring& line);
    void publishWheelLost();
    void publishWheelBack();
    // The strength Auto strength drives with (0: off), and a value it settled on.
    void publishAutoStrength(int32_t strength);
    void publishAutoStrengthSettled(const AutoStrengthSettled& settled);

    // Runs the engine thread's body on the calling thread; start() uses it,
    // tests call it directly.
    void run(const EnginePorts& ports);
    void requestStop() { stop_.store(true); }

    // The driver's force off / on switch (window thread); the engine fades
    // the force out and back in on its next ticks.
    void setForceOff(bool off) { forceOff_.store(off); }
    bool forceOff() const { return forceOff_.load(); }

    Recorder recorder;              // fed by the engine thread while active
    StintAccumulators accumulators; // engine thread only
    int64_t CrashHoldUntil = 0;     // steady ns, engine thread only

  private:
    friend class EngineLoop;
    void setRunning(bool running) { running_.exchange(running); }
    void restartCounters();

    mutable std::mutex settingsLock_;
    FfbSettings settings_;
    uint32_t settingsSerial_ = 0; // guarded by the settings lock
    bool settingsFaded_ = false;  // guarded by the settings lock
    CustomCarList customCars_; // guarded by the settings lock
    mutable std::mutex statusLock_;
    EngineStatus status_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{false};
    std::atomic<bool> forceOff_{false};
    std::thread thread_;
};

} // namespace gripline
