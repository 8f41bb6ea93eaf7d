#include "ui/record_commands.h"

#include <cwchar>

namespace gripline {

namespace {

constexpr size_t kDefaultNameMax = 159;
constexpr size_t kProfileTextMax = 127;

bool isTrimmed(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

} // namespace

std::wstring defaultRecordingName(const std::wstring& carName, const LocalTime& time) {
    const std::wstring car = carName.empty() ? std::wstring(kGenericCar) : carName;
    wchar_t stamp[64];
    std::swprintf(stamp, std::size(stamp), L"_%04d%02d%02d_%02d%02d%02d.kvtrec", time.Year,
                  time.Month, time.Day, time.Hour, time.Minute, time.Second);
    std::wstring name = L"Torvix_" + car + stamp;
    if (name.size() > kDefaultNameMax)
        name.resize(kDefaultNameMax);
    return name;
}

std::wstring trimmedProfileName(const std::wstring& text) {
    std::wstring name = text.substr(0, kProfileTextMax);
    size_t first = 0;
    while (first < name.size() && isTrimmed(name[first]))
        ++first;
    size_t last = name.size();
    while (last > first && isTrimmed(name[last - 1]))
        --last;
    return name.substr(first, last - first);
}

void RecordCommands::record(const LocalTime& now) {
    begin(now, [this](const std::wstring& name) { return controls_.askRecordingPath(name); });
}

void RecordCommands::recordWithoutDialog(const LocalTime& now,
                                         const std::filesystem::path& firstFolder) {
    const std::filesystem::path folder =
        lastRecording_.empty() ? firstFolder : lastRecording_.parent_path();
    begin(now, [&](const std::wstring& name) {
        return std::optional<std::filesystem::path>(folder / name);
    });
}

template <class ChoosePath> void RecordCommands::begin(const LocalTime& now, ChoosePath choosePath) {
    if (!engine_.running()) {
        view_.log(L"Start the FFB engine before recording telemetry.");
        return;
    }
    controls_.commitWheelbaseField();
    const std::optional<std::filesystem::path> path =
        choosePath(defaultRecordingName(engine_.readStatus().CarName, now));
    if (!path)
        return;
    if (!engine_.buildHeader(*path, trimmedProfileName(controls_.profileBoxText()))) {
        view_.log(L"Could not start telemetry recording. Enter the track first.");
        return;
    }
    lastRecording_ = *path;
    controls_.showRecordButtons({false, true, false, L"Recording..."});
    view_.log(L"Telemetry recording started.");
}

void RecordCommands::stopRecording() {
    if (!engine_.recorder.active())
        return;
    const uint32_t dropped = engine_.recorder.droppedCount();
    const bool complete = engine_.recorder.endRecording();
    controls_.showRecordButtons({engine_.running(), false, true, L"Record"});
    if (!complete)
        view_.log(L"Telemetry recording is incomplete: the file could not be written to the end.");
    else if (dropped != 0)
        view_.log(L"Telemetry recording saved with dropped samples.");
    else
        view_.log(L"Telemetry recording saved.");
}

} // namespace gripline
