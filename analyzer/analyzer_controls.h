#pragma once
// The Analyzer window's controls: ids, texts and places at creation (client
// pixels at 96 DPI; the window scales them to its own), and where a resize
// puts them.
#include "settings/advice_choice.h"

#include <array>

namespace gripline {

struct ControlPlace {
    int X, Y, Width, Height;
    bool operator==(const ControlPlace&) const = default;
};

inline constexpr int kOpenButtonId = 100;
inline constexpr int kAdviceButtonId = 101;
inline constexpr int kFirstAdviceBoxId = 102; // one box per AdviceItem, in its order
inline constexpr int kLastAdviceBoxId = kFirstAdviceBoxId + static_cast<int>(kAdviceItemCount) - 1;

inline constexpr int kWindowWidth = 1050, kWindowHeight = 760;

inline constexpr ControlPlace kTitlePlace{24, 18, 600, 40};
inline constexpr ControlPlace kStatusPlace{24, 62, 800, 28};
inline constexpr ControlPlace kOpenButtonPlace{850, 24, 160, 38};
inline constexpr ControlPlace kAdviceButtonPlace{680, 24, 150, 38};
inline constexpr ControlPlace kApplyLabelPlace{24, 96, 120, 22};
inline constexpr ControlPlace kReportPlace{24, 204, 986, 500};

struct AdviceBox {
    const wchar_t* Text;
    ControlPlace Place;
};

// Two and a half rows of boxes under "Apply:"; the last is the steer margin
// bias, which the window calls the grip edge bias.
inline constexpr std::array<AdviceBox, kAdviceItemCount> kAdviceBoxes{{
    {L"Force strength", {24, 118, 150, 22}},
    {L"Car force balance", {190, 118, 170, 22}},
    {L"Road texture", {380, 118, 160, 22}},
    {L"Impact texture", {556, 118, 160, 22}},
    {L"Suspension detail priority", {732, 118, 220, 22}},
    {L"ABS vibration", {24, 144, 150, 22}},
    {L"Yaw rate multiplier", {190, 144, 180, 22}},
    {L"Yaw steer gain", {386, 144, 170, 22}},
    {L"Lateral accel divisor", {572, 144, 190, 22}},
    {L"Resistance gain", {778, 144, 150, 22}},
    {L"Grip edge bias", {24, 170, 160, 22}},
}};

inline constexpr const wchar_t* kStatusStartText =
    L"Open a .kvtrec recording to generate an analysis report.";

// Where a client area of `width` × `height` puts the controls that move:
// the buttons keep to the right edge, the status label and the report pane
// stretch, never below their minimum sizes.
struct ResizedPlaces {
    ControlPlace OpenButton, AdviceButton, Status, Report;
};
ResizedPlaces resizedPlaces(int width, int height);

} // namespace gripline
