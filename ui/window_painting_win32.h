#pragma once
// What the main window paints itself: panels, accent bars, the header with
// the logo, the section headings and the status bar.
#include "ui/drawing_resources_win32.h"

#include <windows.h>

#include <string>

namespace gripline {

struct StatusTexts;

// WM_ERASEBKGND: the background, the panels and the accent bars, at the
// window's DPI (the places are the layout's 96-DPI ones, scaled).
void paintBackground(HDC dc, const RECT& client, const DrawingResources& drawing, int dpi);
// WM_PAINT: the logo, the title, the headings and the status bar.
void paintForeground(HDC dc, const RECT& client, const DrawingResources& drawing,
                     const StatusTexts& status, int dpi);
// The status bar's height at `dpi`: what a change of its texts repaints.
int statusBarHeight(int dpi);

} // namespace gripline
