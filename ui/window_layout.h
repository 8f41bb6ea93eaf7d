#pragma once
// Every control of the main window, in creation order, with its place in
// client pixels. The window creates them from this table; the binding finds
// a slider's setting through it.
#include <cstdint>
#include <span>

namespace gripline {

enum class ControlKind {
    Label,        // static text
    SectionLabel, // static text in the section font
    CarLabel,     // the static rewritten by showCar
    DropDownList, // combo box, choice from the list only
    EditableDropDown,
    Button,
    DisabledButton,
    Checkbox,
    Slider,
    WheelbaseField,
    LogPane,
};

struct ControlSpec {
    ControlKind kind;
    int id; // 0 for statics without an id
    const wchar_t* text;
    int x, y, width, height;  // width and height unused by check boxes and sliders
    int32_t minimum, maximum; // sliders
    const char* settingKey;   // sliders and check boxes bound to a setting; else null
    int32_t initial;          // coefficient sliders until showCar runs
};

std::span<const ControlSpec> mainWindowControls();

// Check boxes: fixed x and size; y from the table.
inline constexpr int kCheckboxX = 48;
inline constexpr int kCheckboxWidth = 250;
inline constexpr int kCheckboxHeight = 24;

// Sliders: caption and value labels on one line, the track 26 pixels below.
inline constexpr int kSliderCaptionWidth = 174;
inline constexpr int kSliderValueOffset = 180;
inline constexpr int kSliderValueWidth = 64;
inline constexpr int kSliderLabelHeight = 22;
inline constexpr int kSliderTrackOffset = 26;
inline constexpr int kSliderWidth = 244;
inline constexpr int kSliderHeight = 30;

inline constexpr int kStatusBarHeight = 28; // the bottom of the client area

} // namespace gripline
