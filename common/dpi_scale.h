#pragma once
// The windows are laid out in pixels of a 96-DPI screen; on a screen of
// another DPI every place, size, pen and font is that many pixels scaled by
// dpi / 96, so the window draws itself sharp instead of being stretched.
namespace gripline {

inline constexpr int kLayoutDpi = 96;

// Client pixels: left and top inside, right and bottom just outside.
struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const PixelRect&) const = default;
};

inline PixelRect placeAt(int x, int y, int width, int height) {
    return {x, y, x + width, y + height};
}

// value * dpi / 96, rounded half away from zero.
int scaleToDpi(int value, int dpi);
PixelRect scaleToDpi(const PixelRect& rect, int dpi);
// A length measured at `dpi` in layout pixels again, rounded the same way.
int unscaleFromDpi(int value, int dpi);
// A DPI the system reported, or 96 when it reported nothing usable.
int usableDpi(unsigned reported);

} // namespace gripline
