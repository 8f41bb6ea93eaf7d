#include "ui/slider_math.h"

#include <algorithm>

namespace gripline {

namespace {

float spanOf(SliderRange range) {
    return static_cast<float>(std::max(range.maximum - range.minimum, 1));
}

float trackLength(int width) {
    return static_cast<float>(std::max(width - 2 * kSliderTrackInset, 1));
}

} // namespace

int knobX(SliderRange range, int32_t value, int width) {
    const float share = static_cast<float>(value - range.minimum) / spanOf(range);
    return kSliderTrackInset + static_cast<int>(share * trackLength(width) + 0.5f);
}

int32_t sliderValueAt(SliderRange range, int x, int width) {
    const int right = std::max(width - kSliderTrackInset, kSliderTrackInset);
    const int onTrack = std::clamp(x, kSliderTrackInset, right);
    const float share = static_cast<float>(onTrack - kSliderTrackInset) / trackLength(width);
    return range.clamp(range.minimum + static_cast<int32_t>(share * spanOf(range) + 0.5f));
}

} // namespace gripline
