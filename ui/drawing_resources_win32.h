#pragma once
// The brushes, fonts, icon and logo of the main window: made once at
// start-up, released at WM_DESTROY (or when the owner goes, whichever is
// first). Window thread only.
#include "common/gdi_object_win32.h"

#include <objidl.h>
#include <windows.h>

#include <memory>
#include <utility>

namespace Gdiplus {
class Bitmap;
}

namespace gripline {

inline constexpr COLORREF kBackgroundColour = RGB(13, 15, 18);
inline constexpr COLORREF kPanelColour = RGB(24, 28, 34);
inline constexpr COLORREF kHeaderColour = RGB(19, 23, 29);
inline constexpr COLORREF kFieldColour = RGB(9, 12, 16);
inline constexpr COLORREF kAccentColour = RGB(45, 102, 194);
inline constexpr COLORREF kTextColour = RGB(232, 238, 246);
inline constexpr COLORREF kPanelEdgeColour = RGB(39, 45, 54);

inline constexpr int kIconResource = 101;
inline constexpr int kLogoResource = 102;

// The window's fonts, made for one DPI. A DPI change makes a new set; the
// old one lives until every control has been given the new fonts.
struct WindowFonts {
    GdiObject<HFONT> normal, title, section, log;
};
WindowFonts makeWindowFonts(int dpi);
// The controls' font alone, for a window of its own (the Buttons dialog).
HFONT makeNormalFont(int dpi);

// Owns one icon and destroys it once.
class IconHandle {
  public:
    IconHandle() = default;
    explicit IconHandle(HICON icon) : icon_(icon) {}
    ~IconHandle() { reset(); }
    IconHandle(IconHandle&& other) noexcept : icon_(std::exchange(other.icon_, nullptr)) {}
    IconHandle& operator=(IconHandle&& other) noexcept {
        if (this != &other)
            reset(std::exchange(other.icon_, nullptr));
        return *this;
    }
    HICON get() const { return icon_; }
    void reset(HICON icon = nullptr) {
        if (icon_)
            DestroyIcon(icon_);
        icon_ = icon;
    }

  private:
    HICON icon_ = nullptr;
};

// The window's icons drawn for one DPI from the icon resource's sizes: the
// title bar's small and large icon and the header's fallback for the logo.
struct WindowIcons {
    IconHandle titleSmall, titleLarge, header; // ("small" is a macro of the SDK)
};

class DrawingResources {
  public:
    DrawingResources();
    ~DrawingResources();
    DrawingResources(const DrawingResources&) = delete;
    DrawingResources& operator=(const DrawingResources&) = delete;

    // The icon, then GDI+ and the logo decoded from the program's resources.
    // Any failure leaves that piece absent; the window draws without it.
    void loadImages(HINSTANCE instance);
    void createBrushes();
    // Fonts for `dpi`; the previous set is handed back to outlive its users.
    [[nodiscard]] WindowFonts replaceFonts(int dpi);
    // Icons for `dpi`, likewise (the window still shows the old ones).
    [[nodiscard]] WindowIcons replaceIcons(int dpi);
    void release();

    HBRUSH background() const { return background_.get(); }
    HBRUSH panel() const { return panel_.get(); }
    HBRUSH header() const { return header_.get(); }
    HBRUSH field() const { return field_.get(); }
    HBRUSH accent() const { return accent_.get(); }
    HFONT normalFont() const { return fonts_.normal.get(); }
    HFONT titleFont() const { return fonts_.title.get(); }
    HFONT sectionFont() const { return fonts_.section.get(); }
    HFONT logFont() const { return fonts_.log.get(); }
    HICON icon() const { return icon_; } // 32 × 32: the window class's
    const WindowIcons& icons() const { return icons_; }
    // The decoded logo, or null.
    Gdiplus::Bitmap* logo() const { return logo_.get(); }

  private:
    void loadLogo(HINSTANCE instance);

    GdiObject<HBRUSH> background_, panel_, header_, field_, accent_;
    WindowFonts fonts_;
    HICON icon_ = nullptr;
    HINSTANCE instance_ = nullptr;
    WindowIcons icons_;
    ULONG_PTR gdiplusToken_ = 0;
    // The stream owns the global block holding the PNG bytes; GDI+ reads
    // from it for the bitmap's whole life, so the bitmap goes first.
    IStream* logoStream_ = nullptr;
    std::unique_ptr<Gdiplus::Bitmap> logo_;
};

} // namespace gripline
