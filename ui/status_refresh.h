#pragma once
// What the window makes of each copy of the engine's status (four times a
// second): the driver-name cache, the car change, the status-bar texts and
// the diagnostic log lines, each report logged once. Window thread only.
#include "engine/engine_status.h"
#include "settings/settings_keeper.h"
#include "settings/settings_view.h"
#include "ui/session_log_text.h"

#include <cstdint>
#include <string>

namespace gripline {

// "Peak 63%": the meter's magnitude as a whole percentage of full scale.
std::wstring meterText(int32_t peakMagnitude);

struct StatusTexts {
    std::wstring connection = L"iRacing disconnected";
    std::wstring trackState = L"Not on track";
    std::wstring driverAndCar = L"Car: generic";
    // Beside them on the right: the time Gripline adds to each tick, the
    // live force meter, its clipping mark and the driver's force switch.
    std::wstring meter = L"Peak 0%";
    std::wstring addedLatency = L"Added -"; // the stint's p99 so far
    bool clipping = false;
    bool forceOff = false;

    bool operator==(const StatusTexts&) const = default;
};

// The engine status counters already turned into log lines. A line is
// written only when a counter is non-zero and differs from its last value.
struct LastSeenCounters {
    uint32_t OutputErrorCount = 0;
    uint32_t OnTrackChanges = 0;
    uint32_t OutputReportCount = 0;
    uint32_t SampleTimingCount = 0;
    uint32_t WheelLostCount = 0;
    uint32_t WheelBackCount = 0;
    uint32_t ReplayStartCount = 0;
    uint32_t ReplayEndCount = 0;
};

class StatusRefresh {
  public:
    StatusRefresh(SettingsState& state, SettingsKeeper& keeper, SettingsView& view)
        : state_(state), keeper_(keeper), view_(view) {}

    // Takes one status copy: caches the driver's name, follows the car,
    // logs what is new and returns the status bar's texts; `forceOff` is the
    // driver's force switch, which the window keeps.
    StatusTexts refresh(const EngineStatus& status, bool forceOff = false);
    // Start: the engine's counters begin again at 0.
    void resetCounters() { lastSeen_ = {}; }
    // Start: the wheel the engine holds, named when it comes back.
    void holdWheel(const std::wstring& name) { heldWheel_ = name; }

  private:
    void rememberDriver(const EngineStatus& status);
    std::wstring displayName(const EngineStatus& status) const;
    void logDebugLines(const EngineStatus& status);
    void logOutputErrors(const EngineStatus& status);
    void logWheelAway(const EngineStatus& status);
    void logReplay(const EngineStatus& status);

    SettingsState& state_;
    SettingsKeeper& keeper_;
    SettingsView& view_;
    LastSeenCounters lastSeen_;
    ClipReporter clipReporter_;
    std::wstring heldWheel_;
};

} // namespace gripline
