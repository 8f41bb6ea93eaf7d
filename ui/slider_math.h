#pragma once
// Where a slider draws its knob and which value a pointer position picks.
// The track runs from 10 pixels inside the left edge to 10 inside the right;
// both computations are in single precision, as the painting is.
#include <cstdint>

namespace gripline {

inline constexpr int kSliderTrackInset = 10; // pixels at each end of the track

struct SliderRange {
    int32_t minimum = 0;
    int32_t maximum = 0;
    int32_t clamp(int32_t value) const {
        return value < minimum ? minimum : (value > maximum ? maximum : value);
    }
};

// The knob's centre x for `value` on a slider `width` pixels wide whose
// track ends `inset` pixels inside each edge (the inset scales with DPI).
int knobX(SliderRange range, int32_t value, int width, int inset = kSliderTrackInset);

// The value under pointer x (already sign-extended from 16 bits), limited to
// the track and to the range.
int32_t sliderValueAt(SliderRange range, int x, int width, int inset = kSliderTrackInset);

} // namespace gripline
