#pragma once
// The Record and Stop rec buttons: what they ask of the window and the
// engine, and what they tell the driver. The window supplies the controls;
// the rules live here and are tested without a window.
#include "engine/ffb_engine.h"
#include "settings/settings_view.h"

#include <filesystem>
#include <optional>
#include <string>

namespace gripline {

struct LocalTime {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};

// The recording buttons' state while recording or not.
struct RecordButtons {
    bool RecordEnabled = false;
    bool StopRecEnabled = false;
    bool AnalyzerEnabled = false;
    std::wstring RecordText;
};

// What Record needs of the window besides the log.
class RecordControls {
  public:
    virtual ~RecordControls() = default;
    // Takes the wheelbase field's text into the settings, so the header
    // carries the value shown.
    virtual void commitWheelbaseField() = 0;
    // The save dialog, proposing `defaultName`; none when cancelled.
    virtual std::optional<std::filesystem::path> askRecordingPath(const std::wstring& defaultName) = 0;
    // The driver-profile box's text as shown.
    virtual std::wstring profileBoxText() = 0;
    virtual void showRecordButtons(const RecordButtons& buttons) = 0;
};

// "Torvix_<car>_<yyyymmdd>_<hhmmss>.kvtrec", at most 159 characters.
std::wstring defaultRecordingName(const std::wstring& carName, const LocalTime& time);

// At most 127 characters of the profile box, without surrounding spaces,
// tabs, carriage returns and line feeds.
std::wstring trimmedProfileName(const std::wstring& text);

class RecordCommands {
  public:
    RecordCommands(FfbEngine& engine, SettingsView& view, RecordControls& controls)
        : engine_(engine), view_(view), controls_(controls) {}

    void record(const LocalTime& now);
    // Record from a button in the car, where no dialog can be answered: the
    // proposed name in the folder of the last recording, else in
    // `firstFolder`.
    void recordWithoutDialog(const LocalTime& now, const std::filesystem::path& firstFolder);
    // Only while recording.
    void stopRecording();
    bool recording() const { return engine_.recorder.active(); }
    // The file of the last recording started, for the Analyzer button.
    const std::filesystem::path& lastRecording() const { return lastRecording_; }

  private:
    template <class ChoosePath> void begin(const LocalTime& now, ChoosePath choosePath);

    FfbEngine& engine_;
    SettingsView& view_;
    RecordControls& controls_;
    std::filesystem::path lastRecording_;
};

} // namespace gripline
