#include "ui/slider_math.h"

#include <algorithm>

namespace gripline {

namespace {

float spanOf(SliderRange range) {
    return static_cast<float>(std::max(range.maximum - range.minimum, 1));
}

float trackLength(int width, int inset) {
    return static_cast<float>(std::max(width - 2 * inset, 1));
}

} // namespace

int knobX(SliderRange range, int32_t value, int width, int inset) {
    const float share = static_cast<float>(value - range.minimum) / spanOf(range);
    return inset + static_cast<int>(share * trackLength(width, inset) + 0.5f);
}

int32_t sliderValueAt(SliderRange range, int x, int width, int inset) {
    const int right = std::max(width - inset, inset);
    const int onTrack = std::clamp(x, inset, right);
    const float share = static_cast<float>(onTrack - inset) / trackLength(width, inset);
    return range.clamp(range.minimum + static_cast<int32_t>(share * spanOf(range) + 0.5f));
}

} // namespace gripline
