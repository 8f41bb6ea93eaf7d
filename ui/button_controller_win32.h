#pragma once
// The window's button bindings at work: the bindings and their Bind wait
// (ButtonWatch), what a press does (ButtonCommands), the Buttons dialog,
// and the polling of the controllers and the keyboard every 25 ms while
// something is bound or a Bind waits. The wheel the running engine holds is
// read through its output stage, the other devices directly (ButtonReader).
// Window thread only; the main window forwards its timer and the Buttons
// command here.
#include "engine/ffb_device_list.h"
#include "engine/ffb_engine.h"
#include "engine/wheel_output.h"
#include "settings/settings_keeper.h"
#include "settings/settings_view.h"
#include "ui/button_commands.h"
#include "ui/button_reader_win32.h"
#include "ui/button_watch.h"
#include "ui/buttons_dialog_win32.h"
#include "ui/control_binding.h"
#include "ui/drawing_resources_win32.h"
#include "ui/record_commands.h"

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace gripline {

// What the button bindings reach in the window, all outliving the controller.
struct ButtonControllerParts {
    SettingsState& state;
    SettingsKeeper& keeper;
    ControlBinding& binding;
    RecordCommands& record;
    FfbEngine& engine;
    SettingsView& view;
    WheelOutput& engineWheel; // the output stage the engine drives
    const DrawingResources& drawing;
    const std::vector<FfbDeviceEntry>& wheels; // the device list, named from
    std::filesystem::path firstRecordingFolder;
};

class ButtonController {
  public:
    static constexpr UINT_PTR kTimer = 2; // the main window's timer that polls the buttons

    explicit ButtonController(const ButtonControllerParts& parts);
    ButtonController(const ButtonController&) = delete;
    ButtonController& operator=(const ButtonController&) = delete;

    // Start-up, before the window: the bindings from the settings file.
    void load() { watch_.load(); }
    static bool registerDialogClass(HINSTANCE instance, HBRUSH background) {
        return ButtonsDialog::registerClass(instance, background);
    }
    // Start-up, once the window and the device list exist: the dialog, and
    // the devices read when something is bound.
    void start(HINSTANCE instance, HWND window);
    // Shutdown: the dialog, the timer and the devices it reads.
    void shutdown();

    void openDialog();
    // The engine holds `wheel` from Start to Stop: its buttons come through
    // the output stage then.
    void engineStarted(const DeviceGuid& wheel);
    void engineStopped();
    // A controller came or went: the devices read are opened anew.
    void devicesChanged();
    // Every 25 ms while watching.
    void poll();

  private:
    void bind(ButtonAction action);
    void clear(ButtonAction action);
    void dialogClosed();
    void updateWatch();
    void reopenReader();
    std::wstring productOf(const DeviceGuid& device) const;

    WheelOutput& engineWheel_;
    const std::vector<FfbDeviceEntry>& wheels_;
    ButtonCommands commands_;
    ButtonWatch watch_;
    ButtonsDialog dialog_;
    ButtonReader reader_;
    PressTracker pressTracker_;
    HINSTANCE instance_ = nullptr;
    HWND window_ = nullptr;
    std::optional<DeviceGuid> heldWheel_; // the wheel the running engine holds
    uint32_t seenWheelPresses_[WheelOutput::kWatchedButtons] = {}; // its counts taken
};

} // namespace gripline
