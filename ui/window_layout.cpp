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
constexpr ControlSpec checkbox(int id, const wchar_t* text, int y, const char* key,
                               int x = kCheckboxX) {
    return {K::Checkbox, id, text, x, y, 0, 0, 0, 0, key, 0};
}
// A slider's caption and value share its 244-pixel line. The value needs
// at most "12.0 g"; the long captions ("Suspension detail priority") need
// the rest, in Segoe UI and in Wine's condensed stand-in at every DPI.
constexpr int kCaptionWidth = 188, kValueWidth = 56;
constexpr ControlSpec slider(int id, const wchar_t* text, int x, int y, int32_t lo, int32_t hi,
                             const char* key) {
    return {K::Slider, id, text, x, y, kCaptionWidth, kValueWidth, lo, hi, key, 0};
}
constexpr ControlSpec coefficient(int id, const wchar_t* text, int y, int32_t lo, int32_t hi,
                                  int32_t initial, int captionWidth = kCaptionWidth,
                                  int valueWidth = kValueWidth) {
    return {K::Slider, id, text, 1298, y, captionWidth, valueWidth, lo, hi, nullptr, initial};
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
    // Auto strength has its own heading under crash protection, the one
    // panel with room left beside the tuning matrix's Force strength.
    {K::SectionLabel, 0, L"AUTO STRENGTH", 978, 492, 250, 20, 0, 0, nullptr, 0},
    checkbox(kAutoStrengthCheck, L"Auto strength", 514, "AutoStrength", 978),
    slider(kAutoStrengthTargetSlider, L"Target share of full scale", 978, 544, 50, 100,
           "AutoStrengthTarget"),
    {K::CarLabel, 0, L"Car: generic", 1298, 188, 244, 22, 0, 0, nullptr, 0},
    coefficient(1116, L"Steering build-up", 218, 100, 700, 440),
    coefficient(1117, L"Extra load in big steering", 288, 0, 450, 0),
    coefficient(1118, L"Cornering load balance", 358, 50, 130, 110),
    coefficient(1119, L"Understeer weight", 428, 50, 200, 100),
    // "+10.0 deg" is wider than any other value: this line reaches on to
    // the end of its panel's accent bar to hold it beside its caption.
    coefficient(1120, L"Understeer trigger point", 498, 0, 200, 100, 174, 76),
    // Two lines: a car, a track's full name and the wet do not fit in one.
    {K::Label, kContextLabel, L"Settings: Default", 1298, 566, 244, 38, 0, 0, nullptr, 0},
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

constexpr PanelSpec kPanels[] = {
    {{24, 20, 1576, 122}, PanelFill::Header},   // header
    {{24, 138, 326, 654}, PanelFill::Panel},    // control deck
    {{344, 138, 936, 654}, PanelFill::Panel},   // tuning matrix
    {{954, 138, 1256, 610}, PanelFill::Panel},  // crash protection
    {{1274, 138, 1576, 610}, PanelFill::Panel}, // car-specific feel
    {{24, 666, 1576, 790}, PanelFill::Header},  // session log
};

constexpr PixelRect kAccentBars[] = {
    {24, 120, 1576, 122},  {48, 160, 298, 164},    {374, 160, 918, 164},
    {978, 160, 1228, 164}, {1298, 160, 1548, 164}, {48, 690, 1548, 694},
};

constexpr HeadingSpec kHeadings[] = {
    {L"CONTROL DECK", 48, 168},      {L"TUNING MATRIX", 374, 168},
    {L"CRASH PROTECTION", 978, 168}, {L"CAR-SPECIFIC FEEL", 1298, 168},
    {L"SESSION LOG", 48, 698},
};

} // namespace

std::span<const ControlSpec> mainWindowControls() {
    return kControls;
}

std::span<const PanelSpec> mainWindowPanels() {
    return kPanels;
}

std::span<const PixelRect> mainWindowAccentBars() {
    return kAccentBars;
}

std::span<const HeadingSpec> mainWindowHeadings() {
    return kHeadings;
}

PixelRect controlPlace(const ControlSpec& control) {
    switch (control.kind) {
    case ControlKind::Checkbox:
        return placeAt(control.x, control.y, kCheckboxWidth, kCheckboxHeight);
    case ControlKind::Slider:
        return placeAt(control.x, control.y + kSliderTrackOffset, kSliderWidth, kSliderHeight);
    default:
        return placeAt(control.x, control.y, control.width, control.height);
    }
}

SliderLabelPlaces sliderLabelPlaces(const ControlSpec& slider) {
    return {placeAt(slider.x, slider.y, slider.width, kSliderLabelHeight),
            placeAt(slider.x + slider.width, slider.y, slider.height, kSliderLabelHeight)};
}

PanelFill fillUnder(const PixelRect& control) {
    for (const PanelSpec& panel : kPanels)
        if (control.left >= panel.rect.left && control.left < panel.rect.right &&
            control.top >= panel.rect.top && control.top < panel.rect.bottom)
            return panel.fill;
    return PanelFill::Background;
}

} // namespace gripline
