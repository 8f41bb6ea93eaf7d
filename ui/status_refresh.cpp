#include "ui/status_refresh.h"

#include "engine/wheel_port.h"
#include "settings/ascii_case.h"
#include "settings/driving_context.h"
#include "ui/added_latency_text.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>

namespace gripline {

namespace {

// A counter names something to report when it moved to a non-zero value.
bool isNew(uint32_t counter, uint32_t& lastSeen) {
    if (counter == 0 || counter == lastSeen)
        return false;
    lastSeen = counter;
    return true;
}

bool isRealName(const std::wstring& name) {
    return !name.empty() && !equalsIgnoreCase(name, kUnknownDriver);
}

std::wstring widen(const char* text) {
    std::wstring wide;
    for (; *text; ++text)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*text));
    return wide;
}

} // namespace

std::wstring meterText(int32_t peakMagnitude) {
    const int32_t clamped = std::clamp<int32_t>(peakMagnitude, 0, 10000);
    return L"Peak " + std::to_wstring((clamped + 50) / 100) + L"%";
}

StatusTexts StatusRefresh::refresh(const EngineStatus& status, bool forceOff) {
    rememberDriver(status);
    // The one place a status copy becomes a context; "generic" and the
    // context in use are nothing new to the keeper.
    keeper_.changeContext(resolveDrivingContext(status.CarName, status.TrackName,
                                                status.TrackDisplayName, status.Wet));

    StatusTexts texts;
    texts.connection = status.Connected ? L"iRacing connected" : L"iRacing disconnected";
    texts.trackState = status.OnTrack ? L"On track" : L"Not on track";
    texts.driverAndCar = L"Driver: " + displayName(status) + L" | Car: " + status.CarName;
    texts.meter = meterText(status.MeterPeak);
    texts.addedLatency = addedLatencyText(status.AddedLatencyP99Ns);
    texts.clipping = status.MeterClipping;
    texts.forceOff = forceOff;

    logDebugLines(status);
    for (const std::wstring& line : clipReporter_.linesFor(status))
        view_.log(line);
    logOutputErrors(status);
    logWheelAway(status);
    logReplay(status);
    return texts;
}

// The cache lets the status bar name the driver even while the simulator
// reports an account whose session text is not consistent.
void StatusRefresh::rememberDriver(const EngineStatus& status) {
    if (status.DriverUserId <= 0 || !status.IdentityConsistent || !isRealName(status.DriverName))
        return;
    rememberDriverName(keeper_.file(), status.DriverUserId, status.DriverName);
}

std::wstring StatusRefresh::displayName(const EngineStatus& status) const {
    const std::wstring cached = readDriverName(keeper_.file(), status.DriverUserId);
    if (!cached.empty())
        return cached;
    if (isRealName(status.DriverName) && status.IdentityConsistent)
        return status.DriverName;
    if (status.DriverUserId >= 1)
        return L"account #" + std::to_wstring(status.DriverUserId);
    return status.DriverName;
}

// With debug logging off the counters are not taken: turning it on shows
// the state and the report of the stint at hand once.
void StatusRefresh::logDebugLines(const EngineStatus& status) {
    if (state_.Profiles.InUse.DebugLogging == 0)
        return;
    if (isNew(status.SampleTimingCount, lastSeen_.SampleTimingCount))
        view_.log(status.SampleTiming);
    if (isNew(status.OnTrackChanges, lastSeen_.OnTrackChanges))
        view_.log(status.OnTrack ? L"Telemetry: On track." : L"Telemetry: Not on track.");
    if (!isNew(status.OutputReportCount, lastSeen_.OutputReportCount))
        return;
    wchar_t text[160];
    std::swprintf(text, std::size(text),
                  L"FFB output report: %u samples, %u non-zero, max magnitude %d.",
                  status.ReportSamples, status.ReportNonZero, status.ReportPeak);
    view_.log(text);
    view_.log(status.ReportNonZero == 0
                  ? L"No non-zero FFB was sent. Check iRacing telemetry On track status."
                  : L"Non-zero FFB was sent to DirectInput. If the wheel is still dead, test "
                    L"DirectInput/Simucube effect compatibility.");
}

// The held wheel gone mid-drive and back: one line each, after the
// DirectInput error that showed it.
void StatusRefresh::logWheelAway(const EngineStatus& status) {
    if (isNew(status.WheelLostCount, lastSeen_.WheelLostCount))
        view_.log(L"Wheel disconnected: force off.");
    if (isNew(status.WheelBackCount, lastSeen_.WheelBackCount))
        view_.log(L"Wheel back: " + heldWheel_ + L". Force fades in.");
}

// A replay starting and ending between two refreshes is still two lines,
// in the order they happened: the status says which came last.
void StatusRefresh::logReplay(const EngineStatus& status) {
    const bool started = isNew(status.ReplayStartCount, lastSeen_.ReplayStartCount);
    const bool ended = isNew(status.ReplayEndCount, lastSeen_.ReplayEndCount);
    if (ended && status.ReplayPlaying)
        view_.log(L"Replay ended: force fades in.");
    if (started)
        view_.log(L"Replay playing: force off.");
    if (ended && !status.ReplayPlaying)
        view_.log(L"Replay ended: force fades in.");
}

// The output stage already throttles a repeated failure; here each change
// of its counter is one line, never one per refresh.
void StatusRefresh::logOutputErrors(const EngineStatus& status) {
    if (!isNew(status.OutputErrorCount, lastSeen_.OutputErrorCount))
        return;
    wchar_t text[160];
    std::swprintf(text, std::size(text), L"DirectInput FFB error: 0x%08X (%ls)",
                  static_cast<unsigned>(status.OutputLastError),
                  widen(hresultName(status.OutputLastError)).c_str());
    view_.log(text);
}

} // namespace gripline
