// The main window at its DPI: the fonts of each role, a DPI change (the
// window moved to a screen of another scale), and the colour each label and
// button paints behind itself.
#include "common/window_dpi_win32.h"
#include "ui/application_win32.h"
#include "ui/window_layout.h"

namespace gripline {

HFONT Application::fontFor(FontRole role) const {
    switch (role) {
    case FontRole::Normal:
        return drawing_.normalFont();
    case FontRole::Section:
        return drawing_.sectionFont();
    case FontRole::Log:
        return drawing_.logFont();
    case FontRole::None:
        break;
    }
    return nullptr;
}

// Every child back at its 96-DPI place scaled to the window's DPI, with the
// fonts made for it. The custom controls read the DPI when they paint.
void Application::relayout() {
    for (const PlacedChild& child : placed_) {
        placeScaled(child.window, child.place, dpi_);
        if (child.font != FontRole::None)
            SendMessageW(child.window, WM_SETFONT, reinterpret_cast<WPARAM>(fontFor(child.font)),
                         FALSE);
    }
    addedLatency_.place(dpi_, drawing_.normalFont());
    sessionLog_.setWindowFont(drawing_.logFont());
    InvalidateRect(window_, nullptr, TRUE);
}

// The title bar's icons made for the window's DPI; the ones they replace go
// once the window holds the new ones.
void Application::showIcons() {
    const WindowIcons old = drawing_.replaceIcons(dpi_);
    const WindowIcons& icons = drawing_.icons();
    if (icons.titleLarge.get())
        SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icons.titleLarge.get()));
    if (icons.titleSmall.get())
        SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icons.titleSmall.get()));
}

// wParam carries the new DPI, lParam the rectangle the system suggests for
// it (the same physical size on the new screen). The old fonts are deleted
// only after every control holds the new ones.
void Application::onDpiChanged(WPARAM wParam, LPARAM lParam) {
    dpi_ = usableDpi(LOWORD(wParam));
    const WindowFonts old = drawing_.replaceFonts(dpi_);
    moveToSuggested(window_, lParam);
    relayout();
    showIcons();
}

// Labels and buttons paint their background with the colour of the panel
// they sit in (the header's for the wheelbase field's label and unit, and
// for the buttons of the header and the session log, and for the status
// bar's added latency). The read-only log
// pane keeps the panel colour it always had.
LRESULT Application::onControlColour(HDC dc, HWND control) {
    SetTextColor(dc, kTextColour);
    SetBkMode(dc, TRANSPARENT);
    PanelFill fill = PanelFill::Panel;
    for (const PlacedChild& child : placed_)
        if (child.window == control && child.font != FontRole::Log)
            fill = fillUnder(child.place);
    if (addedLatency_.owns(control))
        fill = PanelFill::Header; // the status bar's colour
    switch (fill) {
    case PanelFill::Header:
        return reinterpret_cast<LRESULT>(drawing_.header());
    case PanelFill::Background:
        return reinterpret_cast<LRESULT>(drawing_.background());
    case PanelFill::Panel:
        break;
    }
    return reinterpret_cast<LRESULT>(drawing_.panel());
}

} // namespace gripline
