#pragma once
// What the main window paints itself: panels, accent bars, the header with
// the logo, the section headings and the status bar.
#include "ui/drawing_resources_win32.h"

#include <windows.h>

#include <string>

namespace gripline {

struct StatusTexts;

// WM_ERASEBKGND: the background, the panels and the accent bars.
void paintBackground(HDC dc, const RECT& client, const DrawingResources& drawing);
// WM_PAINT: the logo, the title, the headings and the status bar.
void paintForeground(HDC dc, const RECT& client, const DrawingResources& drawing,
                     const StatusTexts& status);

} // namespace gripline
