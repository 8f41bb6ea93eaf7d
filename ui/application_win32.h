#pragma once
// The Application: the single owner of the window, its controls and drawing
// resources, the settings, the lists and the engine, for the whole run.
// Created by the entry point, used on the window thread only.
#include "engine/engine_hand_over.h"
#include "engine/ffb_device_list.h"
#include "engine/ffb_engine.h"
#include "settings/profile_store_win32.h"
#include "settings/settings_keeper.h"
#include "ui/checkbox_win32.h"
#include "ui/drawing_resources_win32.h"
#include "ui/session_log_win32.h"
#include "ui/slider_win32.h"
#include "ui/view.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace gripline {

struct StatusTexts {
    std::wstring connection = L"iRacing disconnected";
    std::wstring trackState = L"Not on track";
    std::wstring driverAndCar = L"Car: generic";
};

// The engine status counters already turned into log lines.
struct LastSeenCounters {
    uint32_t ClipReportCount = 0;
    uint32_t OutputErrorCount = 0;
    uint32_t OnTrackChanges = 0;
    uint32_t OutputReportCount = 0;
};

class Application final : public View {
  public:
    explicit Application(HINSTANCE instance);
    ~Application() override;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Start-up, the message loop and its exit code.
    int run(int showCommand, const std::wstring& advicePath);

    // The main window's procedure, from WM_NCCREATE's successor on.
    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // View
    void refreshControls(const FfbSettings& settings) override;
    void log(const std::wstring& line) override;
    void showCar(const std::wstring& label, const CarCoefficients& coefficients) override;

    void setStatusTexts(std::wstring connection, std::wstring trackState,
                        std::wstring driverAndCar);
    // Moves slider `id` without notifying anyone.
    void setSliderValue(int id, int32_t value);
    void fillProfileCombo();
    void commitWheelbaseField();
    void applyAdviceFile(const std::wstring& path);
    void showLogWindow();
    void stop();

  private:
    friend class MainWindowBuilder;

    void initDrawing();
    bool registerClasses();
    void createMainWindow(int showCommand);
    void enumerateWheels();
    void shutdown();
    void refreshStatus();
    LRESULT onCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onCopyData(const COPYDATASTRUCT* data);
    void onSliderChanged(HWND slider, int32_t value);
    void paint(HWND window);
    SliderRecord* sliderById(int id);
    SliderRecord* sliderByWindow(HWND window);

    HINSTANCE instance_ = nullptr;
    HWND window_ = nullptr;
    HWND deviceCombo_ = nullptr, outputModeCombo_ = nullptr, profileCombo_ = nullptr;
    HWND wheelbaseField_ = nullptr, carLabel_ = nullptr;
    std::wstring lastRecordingPath_; // the last recording started, for the analyzer
    StatusTexts status_;
    LastSeenCounters lastSeen_;
    DrawingResources drawing_;
    // Reserved before the first control is created and never grown after:
    // each custom control's window holds the address of its record.
    std::vector<SliderRecord> sliders_;
    std::vector<CheckboxRecord> checkboxes_;
    SessionLog sessionLog_;
    SettingsState settings_; // profiles, settings in use, car lists, working coefficients
    std::vector<FfbDeviceEntry> devices_;
    Win32ProfileStore profileStore_;
    FfbEngine engine_;
    // After the engine: both hold references to it.
    EngineHandOver engineHandOver_{engine_};
    SettingsKeeper keeper_;
};

} // namespace gripline
