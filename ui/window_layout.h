#pragma once
// Every control of the main window, in creation order, with its place in
// client pixels at 96 DPI (the window scales them to its own DPI), and the
// panels it paints beneath them. The window creates the controls from this
// table; the binding finds a slider's setting through it.
#include "common/dpi_scale.h"

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
    // Sliders: width and height are the caption's and the value label's
    // widths (their line is the two together); check boxes have a fixed size.
    int x, y, width, height;
    int32_t minimum, maximum; // sliders
    const char* settingKey;   // sliders and check boxes bound to a setting; else null
    int32_t initial;          // coefficient sliders until showCar runs
};

std::span<const ControlSpec> mainWindowControls();

// Check boxes: a fixed size; x (the control deck's unless given) and y from the table.
inline constexpr int kCheckboxX = 48;
inline constexpr int kCheckboxWidth = 250;
inline constexpr int kCheckboxHeight = 24;

// Sliders: caption and value labels on one line, the track 26 pixels below.
inline constexpr int kSliderLabelHeight = 22;
inline constexpr int kSliderTrackOffset = 26;
inline constexpr int kSliderWidth = 244;
inline constexpr int kSliderHeight = 30;

inline constexpr int kStatusBarHeight = 28; // the bottom of the client area

// A control's place at 96 DPI; a slider's is its track.
PixelRect controlPlace(const ControlSpec& control);

struct SliderLabelPlaces {
    PixelRect caption, value; // the value label is right-aligned
};
SliderLabelPlaces sliderLabelPlaces(const ControlSpec& slider);

// What the window paints under its controls.
enum class PanelFill { Background, Header, Panel };

struct PanelSpec {
    PixelRect rect;
    PanelFill fill;
};

struct HeadingSpec {
    const wchar_t* text;
    int x, y;
};

std::span<const PanelSpec> mainWindowPanels();
std::span<const PixelRect> mainWindowAccentBars();
std::span<const HeadingSpec> mainWindowHeadings();

// The fill of the panel a control lies in (its top-left corner decides), so
// its label is painted on the colour around it.
PanelFill fillUnder(const PixelRect& control);

} // namespace gripline
