#pragma once
// What a bound button does in the window: Force strength one step down or
// up, the force off or on, Record or Stop rec, the next driver profile;
// each says in the log what it did. Window thread only.
#include "engine/ffb_engine.h"
#include "settings/settings_keeper.h"
#include "ui/button_bindings.h"
#include "ui/control_binding.h"
#include "ui/record_commands.h"

#include <filesystem>

namespace gripline {

class ButtonCommands {
  public:
    static constexpr int32_t kStrengthStep = 5; // percent

    ButtonCommands(SettingsState& state, ControlBinding& binding, RecordCommands& record,
                   FfbEngine& engine, SettingsView& view, std::filesystem::path firstRecordingFolder)
        : state_(state), binding_(binding), record_(record), engine_(engine), view_(view),
          firstRecordingFolder_(std::move(firstRecordingFolder)) {}

    void run(ButtonAction action, const LocalTime& now);

    // The slider's range bounds the step: a strength stored beyond it (400)
    // steps from what the slider shows.
    void stepStrength(int32_t steps);
    void toggleForce();
    void toggleRecording(const LocalTime& now);
    void nextProfile();

  private:
    SettingsState& state_;
    ControlBinding& binding_;
    RecordCommands& record_;
    FfbEngine& engine_;
    SettingsView& view_;
    std::filesystem::path firstRecordingFolder_;
};

} // namespace gripline
