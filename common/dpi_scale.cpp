#include "common/dpi_scale.h"

#include <cstdint>

namespace gripline {

namespace {

int scaleRounded(int value, int numerator, int denominator) {
    const int64_t product = static_cast<int64_t>(value) * numerator;
    const int64_t half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : -((-product + half) / denominator));
}

} // namespace

int scaleToDpi(int value, int dpi) {
    return scaleRounded(value, dpi, kLayoutDpi);
}

// The edges are scaled, not the size: two controls that touch at 96 DPI
// still touch, and a gap between them never closes to an overlap.
PixelRect scaleToDpi(const PixelRect& rect, int dpi) {
    return {scaleToDpi(rect.left, dpi), scaleToDpi(rect.top, dpi), scaleToDpi(rect.right, dpi),
            scaleToDpi(rect.bottom, dpi)};
}

int unscaleFromDpi(int value, int dpi) {
    return scaleRounded(value, kLayoutDpi, usableDpi(static_cast<unsigned>(dpi)));
}

// Windows reports 96 to 480 in practice; anything outside a generous range
// is a failed call, and the layout size is the safe answer.
int usableDpi(unsigned reported) {
    return reported >= 48 && reported <= 960 ? static_cast<int>(reported) : kLayoutDpi;
}

} // namespace gripline
