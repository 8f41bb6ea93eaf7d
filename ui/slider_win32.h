#pragma once
// The horizontal slider of the main window: a track, a filled part and a
// knob, moved by mouse or arrow keys, reporting each change of value to its
// parent with kSliderChangedMessage.
#include <windows.h>

#include <cstdint>

namespace gripline {

inline constexpr const wchar_t* kSliderClass = L"TorvixSlider";

// One per slider, owned by the Application in a list that never reallocates
// while the slider's window lives: the window keeps the record's address.
struct SliderRecord {
    HWND window = nullptr;
    HWND valueLabel = nullptr;
    int32_t minimum = 0;
    int32_t maximum = 0;
    int32_t value = 0;
    uint8_t hover = 0;
    uint8_t dragging = 0;
};

bool registerSliderClass(HINSTANCE instance, HBRUSH background);

// Creates the slider window for `record` (its creation parameter) at
// `place`, in the parent's client pixels at its DPI.
HWND createSliderWindow(HINSTANCE instance, HWND parent, int id, const RECT& place,
                        SliderRecord& record);

} // namespace gripline
