#pragma once
// The Application: the single owner of the window, its controls and drawing
// resources, the settings, the lists and the engine, for the whole run.
// Created by the entry point, used on the window thread only.
#include "common/qpc_clock_win32.h"
#include "engine/dinput_wheel_win32.h"
#include "engine/engine_hand_over.h"
#include "engine/engine_platform_win32.h"
#include "engine/ffb_device_list.h"
#include "engine/ffb_engine.h"
#include "engine/ffb_output.h"
#include "engine/simulator_commands_win32.h"
#include "engine/simulator_handoff.h"
#include "engine/wheel_test.h"
#include "settings/profile_store_win32.h"
#include "settings/run_on_startup_win32.h"
#include "settings/settings_keeper.h"
#include "settings/settings_view.h"
#include "telemetry/session_scanner.h"
#include "telemetry/telemetry_source_win32.h"
#include "ui/added_latency_label_win32.h"
#include "ui/auto_strength_controller.h"
#include "ui/binding_controls.h"
#include "ui/button_controller_win32.h"
#include "ui/checkbox_win32.h"
#include "ui/control_binding.h"
#include "ui/device_watch_win32.h"
#include "ui/drawing_resources_win32.h"
#include "ui/record_commands.h"
#include "ui/session_log_win32.h"
#include "ui/slider_win32.h"
#include "ui/status_refresh.h"
#include "ui/window_layout.h"
#include "updater/updater_win32.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace gripline {

enum class FontRole { None, Normal, Section, Log };

// A child of the main window with its place at 96 DPI: a DPI change puts it
// at that place scaled anew and gives it the new font of its role.
struct PlacedChild {
    HWND window;
    PixelRect place;
    FontRole font;
};

class Application final : public SettingsView, public BindingControls, public RecordControls {
  public:
    explicit Application(HINSTANCE instance);
    ~Application() override;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Start-up, the message loop and its exit code.
    int run(int showCommand, const std::wstring& advicePath);

    // The main window's procedure, from WM_NCCREATE's successor on.
    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // SettingsView
    void refreshControls(const FfbSettings& settings) override;
    void log(const std::wstring& line) override;
    void showCar(const std::wstring& label, const CarCoefficients& coefficients) override;
    void showContext(const std::wstring& label) override;

    // BindingControls
    void showSliderValue(int id, int32_t value, const std::wstring& text) override;
    void showChecked(int id, bool checked) override;
    void selectOutputMode(int32_t mode) override;
    std::wstring wheelbaseFieldText() override;
    void showWheelbaseText(const std::wstring& text) override;
    void showProfiles(const std::vector<std::wstring>& names, int32_t selected) override;
    std::wstring profileBoxText() override; // also RecordControls
    void showCarLabel(const std::wstring& label) override;

    // RecordControls
    void commitWheelbaseField() override;
    std::optional<std::filesystem::path> askRecordingPath(const std::wstring& defaultName) override;
    void showRecordButtons(const RecordButtons& buttons) override;

    void setStatusTexts(const StatusTexts& texts);
    void fillProfileCombo() { binding_.fillProfileCombo(); }
    void applyAdviceFile(const std::wstring& path);
    void showLogWindow();

  private:
    friend class MainWindowBuilder;

    void initDrawing();
    bool registerClasses();
    void createMainWindow(int showCommand);
    // The device list changed: the bound devices and the Test button follow.
    void onWheelsChanged();
    void showWheelTestButton();
    void shutdown();
    void refreshStatus();
    LRESULT onCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onCopyData(const COPYDATASTRUCT* data);
    void onSliderChanged(HWND slider, int32_t value);
    void onCheckboxToggled(int id);
    void paint(HWND window);
    // DPI (main_window_scaling_win32.cpp).
    void onDpiChanged(WPARAM wParam, LPARAM lParam);
    void relayout();
    void showIcons();
    HFONT fontFor(FontRole role) const;
    LRESULT onControlColour(HDC dc, HWND control);
    SliderRecord* sliderById(int id);
    SliderRecord* sliderByWindow(HWND window);

    // Commands (main_window_commands_win32.cpp).
    void start();
    void stop();
    void record();
    void stopRecording();
    void launchAnalyzer();
    void openDonationPage();
    void update();
    void enableButton(int id, bool on);

    // The wheel test, on a thread of its own while the engine is stopped.
    void testWheel();
    void finishWheelTest();

    HINSTANCE instance_ = nullptr;
    HWND window_ = nullptr;
    HWND deviceCombo_ = nullptr, outputModeCombo_ = nullptr, profileCombo_ = nullptr;
    HWND wheelbaseField_ = nullptr, carLabel_ = nullptr;
    StatusTexts status_;
    AddedLatencyLabel addedLatency_; // the one status text that is a control
    DrawingResources drawing_;
    int dpi_ = kLayoutDpi;            // the window's DPI: from its screen, then from WM_DPICHANGED
    std::vector<PlacedChild> placed_; // every child, in creation order
    // Reserved before the first control is created and never grown after:
    // each custom control's window holds the address of its record.
    std::vector<SliderRecord> sliders_;
    std::vector<CheckboxRecord> checkboxes_;
    SessionLog sessionLog_;
    SettingsState settings_; // profiles, settings in use, car lists, working coefficients
    DeviceWatch deviceWatch_{settings_, *this, [this] { onWheelsChanged(); }};
    Win32ProfileStore profileStore_;
    RunKeyEntry runKey_;

    // What the engine thread reaches, all outliving it: stop() joins the
    // thread before any of these goes.
    Win32TelemetrySource telemetry_;
    DirectInputWheel directInput_;
    FfbOutput output_{directInput_, qpcClock()};
    TextSessionScanner sessionScanner_;
    BroadcastSimulatorCommands simulatorCommands_;
    MaxForceHandOff handOff_{simulatorCommands_};
    Win32EnginePlatform enginePlatform_;
    FfbEngine engine_;

    // After the engine and the settings: these hold references to them.
    EngineHandOver engineHandOver_{engine_};
    SettingsKeeper keeper_;
    ControlBinding binding_;
    StatusRefresh statusRefresh_{settings_, keeper_, *this};
    AutoStrengthController autoStrength_{settings_, keeper_, *this, *this};
    RecordCommands recordCommands_{engine_, *this, *this};
    ButtonController buttons_;
    // The wheel test's thread writes the result, then raises the flag; the
    // status refresh joins it and logs.
    std::thread wheelTest_;
    WheelTestResult wheelTestResult_;
    std::atomic<bool> wheelTestDone_{false};
    // Made once the main window exists: its notices are owned by it.
    std::unique_ptr<Win32Updater> updater_;
};

} // namespace gripline
