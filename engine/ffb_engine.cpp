#include "engine/ffb_engine.h"

#include "engine/engine_loop.h"
#include "recording/recording_header.h"

namespace gripline {

void FfbEngine::start(const EnginePorts& ports) {
    stop();
    restartCounters();
    stop_.store(false);
    thread_ = std::thread([this, ports] { run(ports); });
}

void FfbEngine::stop() {
    recorder.endRecording();
    stop_.store(true);
    if (thread_.joinable())
        thread_.join();
}

void FfbEngine::run(const EnginePorts& ports) {
    EngineLoop loop(*this, ports);
    loop.begin();
    if (!stopRequested()) {
        do {
            loop.pass();
        } while (!stopRequested());
    }
    loop.end();
}

void FfbEngine::storeSettings(const FfbSettings& settings) {
    std::lock_guard lock(settingsLock_);
    settings_ = settings;
    ++settingsSerial_;
    settingsFaded_ = false;
}

void FfbEngine::storeSettingsFaded(const FfbSettings& settings) {
    std::lock_guard lock(settingsLock_);
    settings_ = settings;
    ++settingsSerial_;
    settingsFaded_ = true;
}

FfbSettings FfbEngine::copySettings() const {
    std::lock_guard lock(settingsLock_);
    return settings_;
}

SettingsCopy FfbEngine::copySettingsForTick() const {
    std::lock_guard lock(settingsLock_);
    return {settings_, settingsSerial_, settingsFaded_};
}

void FfbEngine::storeCustomCars(const CustomCarList& custom) {
    // Copied before taking the lock, and the old list freed after it, so the
    // engine never waits on an allocation.
    CustomCarList copy = custom;
    std::lock_guard lock(settingsLock_);
    customCars_.swap(copy);
}

const wchar_t* FfbEngine::resolveCoefficients(std::wstring_view carPath, bool useCarSpecific,
                                              CarCoefficients& out) const {
    std::lock_guard lock(settingsLock_);
    return gripline::resolveCoefficients(customCars_, carPath, useCarSpecific, out);
}

bool FfbEngine::buildHeader(const std::filesystem::path& path, const std::wstring& profileName) {
    const EngineStatus status = readStatus();
    if (!running() || !status.Connected || !status.OnTrack)
        return false;
    RecordingContext context;
    context.CarName = status.CarName;
    context.DriverName = status.DriverName;
    context.ProfileName = profileName;
    context.Settings = copySettings();
    resolveCoefficients(status.CarName, context.Settings.UseCarSpecificSettings != 0,
                        context.Coefficients);
    context.StartTimeMs = wallClockMs();
    return recorder.beginRecording(path, buildRecordingHeader(context));
}

// The window forgets what it has logged at Start; a new run counts from 0
// too, or its first refresh would repeat the last run's lines. The clip
// report count runs on: the window keeps its own mark of it.
void FfbEngine::restartCounters() {
    std::lock_guard lock(statusLock_);
    status_.OutputErrorCount = 0;
    status_.OutputLastError = 0;
    status_.OnTrackChanges = 0;
    status_.OutputReportCount = 0;
    status_.ReportSamples = 0;
    status_.ReportNonZero = 0;
    status_.ReportPeak = 0;
    status_.WheelLostCount = 0;
    status_.WheelBackCount = 0;
    status_.ReplayPlaying = false;
    status_.ReplayStartCount = 0;
    status_.ReplayEndCount = 0;
    status_.AddedLatencyP99Ns = AddedLatency::kNone;
}

EngineStatus FfbEngine::readStatus() const {
    std::lock_guard lock(statusLock_);
    return status_;
}

void FfbEngine::publishStatus(bool connected, bool onTrack, const SessionIdentity& identity,
                              bool wet, const MeterReading& meter) {
    std::lock_guard lock(statusLock_);
    status_.Connected = connected;
    if (connected && onTrack != status_.OnTrack)
        ++status_.OnTrackChanges;
    status_.OnTrack = onTrack;
    // Assignments reuse the strings' storage: no allocation once grown.
    if (identity.CarPath.empty())
        status_.CarName = kGenericCar;
    else
        status_.CarName = identity.CarPath;
    if (identity.DriverName.empty())
        status_.DriverName = kUnknownDriver;
    else
        status_.DriverName = identity.DriverName;
    status_.DriverUserId = identity.DriverUserId;
    status_.IdentityConsistent = identity.IdentityConsistent;
    status_.TrackName = identity.TrackName;
    status_.TrackDisplayName = identity.TrackDisplayName;
    status_.Wet = wet;
    if (!connected) {
        status_.ClipPercent = 0;
        status_.AddedLatencyP99Ns = AddedLatency::kNone; // no drive: the bar goes back to idle
    }
    status_.MeterPeak = meter.Peak;
    status_.MeterClipping = meter.Clipping;
}

void FfbEngine::publishReplay(bool playing) {
    std::lock_guard lock(statusLock_);
    if (playing == status_.ReplayPlaying)
        return;
    status_.ReplayPlaying = playing;
    ++(playing ? status_.ReplayStartCount : status_.ReplayEndCount);
}

void FfbEngine::publishClipReport(int64_t latencyP50Ns, int64_t latencyP99Ns) {
    const StintAccumulators& acc = accumulators;
    const float percent =
        acc.ClipTotal < 1 ? 0.0f : static_cast<float>(acc.ClipCount) * 100.0f / acc.ClipTotal;
    {
        std::lock_guard lock(statusLock_);
        status_.ClipPercent = percent;
        status_.ClipReportLatencyP50Ns = latencyP50Ns;
        status_.ClipReportLatencyP99Ns = latencyP99Ns;
        ++status_.ClipReportCount;
    }
    accumulators.ClipTotal = 0;
    accumulators.ClipCount = 0;
}

void FfbEngine::publishAddedLatency(int64_t p99Ns) {
    std::lock_guard lock(statusLock_);
    status_.AddedLatencyP99Ns = p99Ns;
}

void FfbEngine::publishOutputReport() {
    {
        std::lock_guard lock(statusLock_);
        ++status_.OutputReportCount;
        status_.ReportSamples = accumulators.OutSamples;
        status_.ReportNonZero = accumulators.OutNonZero;
        status_.ReportPeak = accumulators.OutPeak;
    }
    accumulators.OutSamples = 0;
    accumulators.OutNonZero = 0;
    accumulators.OutPeak = 0;
}

void FfbEngine::publishSampleTiming(const std::wstring& line) {
    std::lock_guard lock(statusLock_);
    status_.SampleTiming = line;
    ++status_.SampleTimingCount;
}

void FfbEngine::publishWheelLost() {
    std::lock_guard lock(statusLock_);
    ++status_.WheelLostCount;
}

void FfbEngine::publishWheelBack() {
    std::lock_guard lock(statusLock_);
    ++status_.WheelBackCount;
}

void FfbEngine::publishAutoStrength(int32_t strength) {
    std::lock_guard lock(statusLock_);
    status_.AutoStrength = strength;
}

void FfbEngine::publishAutoStrengthSettled(const AutoStrengthSettled& settled) {
    std::lock_guard lock(statusLock_);
    status_.AutoStrengthSettled = settled.strength;
    status_.AutoStrengthP99Nm = settled.p99Nm;
    status_.AutoStrengthSeconds = settled.seconds;
    ++status_.AutoStrengthSettledCount;
}

void FfbEngine::publishOutputErrors(uint32_t errorCount, int32_t lastError) {
    std::lock_guard lock(statusLock_);
    status_.OutputErrorCount = errorCount;
    status_.OutputLastError = lastError;
}

} // namespace gripline
