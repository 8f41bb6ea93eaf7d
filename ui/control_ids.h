#pragma once
// Control ids of the main window and the private notifications of its two
// custom controls.
namespace gripline {

enum ControlId : int {
    kDeviceCombo = 1000,
    kStartButton = 1001,
    kStopButton = 1002,
    kOutputModeCombo = 1003,
    kCarSpecificCheck = 1004,
    kParkedCheck = 1005,
    kStartMinimizedCheck = 1006,
    kRunOnStartupCheck = 1007,
    kProfileCombo = 1008,
    kNewProfileButton = 1009,
    kSaveProfileButton = 1010,
    kSimucubeCheck = 1011,
    kDebugLoggingCheck = 1012,
    kAutoStrengthCheck = 1013,
    kFirstSettingSlider = 1100, // 1100 .. 1115 edit the settings record
    kLastSettingSlider = 1115,
    kFirstCoefficientSlider = 1116, // 1116 .. 1120 edit the car's coefficients
    kLastCoefficientSlider = 1120,
    kAutoStrengthTargetSlider = 1121, // edits the settings record too
    kForceStrengthSlider = 1101,
    kViewLogButton = 1123,
    kRecordButton = 1124,
    kStopRecordButton = 1125,
    kAnalyzerButton = 1126,
    kUpdateButton = 1127,
    kDonateButton = 1130,
    kWheelbaseField = 1131,
    kButtonsButton = 1132, // the button bindings dialog
    kWheelTestButton = 1133,
    kContextLabel = 1134, // where the settings in use came from
    // Save's menu (a right click on Save): where the settings go instead of
    // the entry they came from.
    kSaveForCarCommand = 1135,
    kSaveForCarAtTrackCommand = 1136,
    kSaveForCarInWetCommand = 1137,
    kAddedLatencyLabel = 1138, // the status bar's "Added 0.09 ms"
};

// WM_APP + 1 and WM_APP + 2, spelled out so the portable code needs no
// Windows header.
inline constexpr unsigned kSliderChangedMessage = 0x8001;   // wParam value, lParam slider
inline constexpr unsigned kCheckboxToggledMessage = 0x8002; // wParam id, lParam check box

} // namespace gripline
