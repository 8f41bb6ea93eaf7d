#pragma once
// How both programs draw a check box: a rounded box with a tick and its
// caption, drawn (never stretched) at the window's DPI, on the colour of
// whatever lies behind it. The main window's own check box and the
// Analyzer's owner-drawn ones paint through this.
#include <windows.h>

#include <string>

namespace gripline {

struct CheckBoxLook {
    bool checked = false;
    bool edgeLit = false;    // hovered or focused: the box's edge in the accent colour
    bool captionLit = false; // hovered: the caption a shade brighter
    bool enabled = true;     // disabled: box and caption dimmed, drawn once, flat
    COLORREF background = RGB(24, 28, 34);
};

// Fills `client` with the background, then draws the box at the left and the
// caption from 24 pixels (at 96 DPI) to the right edge, vertically centred.
void paintCheckBox(HDC dc, const RECT& client, const CheckBoxLook& look, HFONT font,
                   const std::wstring& caption, int dpi);

} // namespace gripline
