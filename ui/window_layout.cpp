#include "ui/window_layout.h"

#include "ui/control_ids.h"

namespace gripline {

namespace {

using K = ControlKind;

constexpr ControlSpec label(const wchar_t* text, int x, int y, int width = 220, int height = 20) {
    return {K::Label, 0, text, x, y, width, height, 0, 0, nullptr, 0};
}
constexpr ControlSpec button(int id, const wchar_t* text, int x, int y, int width, int height,
                             bool enabled = true) {
    return {
        enabled ? K::Button : K::DisabledButton, id, text, x, y, width, height, 0, 0, nullptr, 0};
}
constexpr ControlSpec checkbox(int id, const wchar_t* text, int y, const char* key) {
    return {K::Checkbox, id, text, kCheckboxX, y, 0, 0, 0, 0, key, 0};
}
constexpr ControlSpec slider(int id, const wchar_t* text, int x, int y, int32_t lo, int32_t hi,
                             const char* key) {
    return {K::Slider, id, text, x, y, 0, 0, lo, hi, key, 0};
}
constexpr ControlSpec coefficient(int id, const wchar_t* text, int y, int32_t lo, int32_t hi,
                                  int32_t initial) {
    return {K::Slider, id, text, 1298, y, 0, 0, lo, hi, nullptr, initial};
}

// The four panels' contents top to bottom, then the header's, then the
// session log's. Sliders take their range from here, not from the settings
// table: car force balance starts at 50 and the coefficients have none.
constexpr ControlSpec kControls[] = {
    label(L"FORCE FEEDBACK DEVICE", 48, 188),
    {K::DropDownList, kDeviceCombo, L"", 48, 214, 250, 280, 0, 0, nullptr, 0},
    label(L"OUTPUT MODE", 48, 268),
    {K::DropDownList, kOutputModeCombo, L"", 48, 294, 250, 280, 0, 0, nullptr, 0},
    label(L"DRIVER PROFILE", 48, 326),
    {K::EditableDropDown, kProfileCombo, L"", 48, 350, 250, 280, 0, 0, nullptr, 0},
    button(kNewProfileButton, L"New", 48, 390, 118, 34),
    button(kSaveProfileButton, L"Save", 180, 390, 118, 34),
    button(kStartButton, L"Start", 48, 442, 118, 34),
    button(kStopButton, L"Stop", 180, 442, 118, 34, false),
    checkbox(kCarSpecificCheck, L"Use car specific settings", 496, "UseCarSpecificSettings"),
    checkbox(kParkedCheck, L"Reduce force when parked", 522, "ReduceForceWhenParked"),
    checkbox(kStartMinimizedCheck, L"Start minimized", 548, "StartMinimized"),
    checkbox(kRunOnStartupCheck, L"Run on startup", 574, "RunOnStartup"),
    checkbox(kSimucubeCheck, L"Simucube mode", 600, "SimucubeMode"),
    checkbox(kDebugLoggingCheck, L"Debug logging", 626, "DebugLogging"),
    label(L"BASE SIGNAL", 374, 188),
    slider(1100, L"Min force", 374, 218, 0, 20, "MinForce"),
    slider(1101, L"Force strength", 374, 288, 0, 100, "ForceStrength"),
    slider(1104, L"Damping", 374, 358, 0, 100, "Damping"),
    slider(1102, L"Road texture", 374, 428, 0, 100, "Bumps"),
    slider(1103, L"Impact texture", 374, 498, 0, 100, "BumpImpacts"),
    slider(1105, L"ABS vibration", 374, 568, 0, 100, "AbsVibration"),
    label(L"GRIP MODEL", 674, 188),
    slider(1109, L"Understeer resistance", 674, 218, 0, 100, "UndersteerResistance"),
    slider(1108, L"Understeer lightening", 674, 288, 0, 100, "UndersteerLighten"),
    slider(1106, L"Car force balance", 674, 358, 50, 150, "CarForceBalance"),
    slider(1107, L"Suspension detail priority", 674, 428, 0, 100, "SuspensionDetailPriority"),
    slider(1110, L"Oversteer correction", 674, 498, 0, 150, "OversteerCorrection"),
    slider(1111, L"Oversteer offset", 674, 568, 0, 100, "OversteerOffset"),
    slider(1112, L"Longitudinal G-force", 978, 218, 0, 120, "CrashLongG"),
    slider(1113, L"Lateral G-force", 978, 288, 0, 120, "CrashLatG"),
    slider(1114, L"Duration", 978, 358, 0, 50, "CrashDurationTenths"),
    slider(1115, L"Force reduction", 978, 428, 0, 99, "CrashReduction"),
    {K::CarLabel, 0, L"Car: generic", 1298, 188, 244, 22, 0, 0, nullptr, 0},
    coefficient(1116, L"Steering build-up", 218, 100, 700, 440),
    coefficient(1117, L"Extra load in big steering", 288, 0, 450, 0),
    coefficient(1118, L"Cornering load balance", 358, 50, 130, 110),
    coefficient(1119, L"Understeer weight", 428, 50, 200, 100),
    coefficient(1120, L"Understeer trigger point", 498, 0, 200, 100),
    {K::SectionLabel, 0, L"WHEELBASE MAX TORQUE", 980, 42, 230, 20, 0, 0, nullptr, 0},
    {K::WheelbaseField, kWheelbaseField, L"", 980, 68, 128, 28, 0, 0, nullptr, 0},
    label(L"Nm", 1118, 72, 40, 20),
    button(kUpdateButton, L"Update", 1392, 64, 88, 32),
    button(kDonateButton, L"Donate", 1484, 64, 84, 32),
    button(kButtonsButton, L"Buttons\u2026", 864, 674, 104, 30),
    button(kWheelTestButton, L"Test", 976, 674, 104, 30),
    button(kRecordButton, L"Record", 1088, 674, 104, 30, false),
    button(kStopRecordButton, L"Stop rec", 1200, 674, 104, 30, false),
    button(kAnalyzerButton, L"Analyzer", 1312, 674, 104, 30),
    button(kViewLogButton, L"View log", 1424, 674, 124, 30),
    {K::LogPane, 0, L"", 48, 718, 1500, 56, 0, 0, nullptr, 0},
};

} // namespace

std::span<const ControlSpec> mainWindowControls() {
    return kControls;
}

} // namespace gripline
