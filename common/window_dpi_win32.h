#pragma once
// The DPI a window is drawn at, and the system's answers scaled to it. Both
// programs declare per-monitor awareness (v2) in their manifest: a window
// learns its DPI here at creation and from WM_DPICHANGED after.
#include "common/dpi_scale.h"

#include <windows.h>

namespace gripline {

// GetDpiForWindow where the system has it (Windows 10 1607 and later, Wine),
// else the screen's DPI, else 96.
int windowDpi(HWND window);

// A window's outer size given at 96 DPI, scaled to `dpi`.
inline SIZE scaledWindowSize(int width, int height, int dpi) {
    return {scaleToDpi(width, dpi), scaleToDpi(height, dpi)};
}

inline RECT toRect(const PixelRect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

// A visible child of `parent` at its 96-DPI place scaled to `dpi`, holding
// `font` (not redrawn: a new control paints first with it anyway).
HWND createScaledChild(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style,
                       DWORD exStyle, int id, const PixelRect& at96, int dpi, HFONT font);

// Moves a child to its 96-DPI place scaled to `dpi`.
void placeScaled(HWND child, const PixelRect& at96, int dpi);

// The rectangle WM_DPICHANGED suggests (lParam): the window goes there.
void moveToSuggested(HWND window, LPARAM suggested);

} // namespace gripline
