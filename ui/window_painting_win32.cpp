#include "ui/window_painting_win32.h"

#include "common/gdi_scope_win32.h"
#include "ui/application_win32.h"
#include "ui/program_identity.h"
#include "ui/window_layout.h"

#include <gdiplus.h>

#include <algorithm>

namespace gripline {

namespace {

constexpr COLORREF kSubtitleColour = RGB(150, 160, 172);
constexpr COLORREF kTrackStateColour = RGB(190, 204, 218);
constexpr COLORREF kForceOffColour = RGB(255, 184, 77);
constexpr COLORREF kClipLitColour = RGB(232, 64, 56);
constexpr COLORREF kClipDarkColour = RGB(70, 64, 62);
constexpr const wchar_t* kSubtitle = L"Steering force from grip, road and car, for iRacing";

// Every number below is a 96-DPI pixel; this turns it into one of the
// window's. Pens keep at least one pixel.
struct Scaler {
    int dpi;
    int operator()(int v) const { return scaleToDpi(v, dpi); }
    RECT operator()(const PixelRect& r) const {
        const PixelRect s = scaleToDpi(r, dpi);
        return {s.left, s.top, s.right, s.bottom};
    }
    int pen(int v) const { return std::max(1, scaleToDpi(v, dpi)); }
};

RECT statusBar(const RECT& client, const Scaler& px) {
    return {client.left, client.bottom - px(kStatusBarHeight), client.right, client.bottom};
}

void paintStatusBarFill(HDC dc, const RECT& client, const DrawingResources& drawing,
                        const Scaler& px) {
    const RECT bar = statusBar(client, px);
    FillRect(dc, &bar, drawing.header());
    const RECT line{bar.left, bar.top, bar.right, bar.top + px.pen(1)};
    FillRect(dc, &line, drawing.accent());
}

void text(HDC dc, int x, int y, COLORREF colour, const std::wstring& s) {
    SetTextColor(dc, colour);
    TextOutW(dc, x, y, s.c_str(), static_cast<int>(s.size()));
}

// The logo is a 1024-pixel picture drawn down to its place at any DPI, so it
// stays sharp; the icon fallback is the icon's image of the size it is drawn at.
void paintLogo(HDC dc, const DrawingResources& drawing, const Scaler& px) {
    Gdiplus::Bitmap* logo = drawing.logo();
    if (logo && logo->GetLastStatus() == Gdiplus::Ok) {
        Gdiplus::Graphics graphics(dc);
        graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
        graphics.DrawImage(logo, px(44), px(30), px(84), px(84));
    } else if (HICON icon = drawing.icons().header.get()) {
        DrawIconEx(dc, px(50), px(44), icon, px(48), px(48), 0, nullptr, DI_NORMAL);
    }
}

// The right end of the status bar: the driver's force switch when off, the
// peak of the last second and the clipping mark, lit while samples clip.
void paintMeter(HDC dc, const RECT& client, const StatusTexts& status, const Scaler& px) {
    const int y = client.bottom - px(22);
    if (status.forceOff)
        text(dc, client.right - px(330), y, kForceOffColour, L"Force off");
    text(dc, client.right - px(190), y, kTextColour, status.meter);
    const RECT mark{client.right - px(84), client.bottom - px(23), client.right - px(20),
                    client.bottom - px(5)};
    const COLORREF fill = status.clipping ? kClipLitColour : kClipDarkColour;
    GdiObject<HBRUSH> brush(CreateSolidBrush(fill));
    GdiObject<HPEN> pen(CreatePen(PS_SOLID, px.pen(1), fill));
    SelectScope brushScope(dc, brush.get());
    SelectScope penScope(dc, pen.get());
    RoundRect(dc, mark.left, mark.top, mark.right, mark.bottom, px(6), px(6));
    RECT label = mark;
    SetTextColor(dc, status.clipping ? RGB(255, 255, 255) : kSubtitleColour);
    DrawTextW(dc, L"CLIP", -1, &label, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

} // namespace

int statusBarHeight(int dpi) {
    return scaleToDpi(kStatusBarHeight, dpi);
}

void paintBackground(HDC dc, const RECT& client, const DrawingResources& drawing, int dpi) {
    const Scaler px{dpi};
    FillRect(dc, &client, drawing.background());
    paintStatusBarFill(dc, client, drawing, px);
    GdiObject<HPEN> edge(CreatePen(PS_SOLID, px.pen(1), kPanelEdgeColour));
    SelectScope pen(dc, edge.get());
    for (const PanelSpec& p : mainWindowPanels()) {
        SelectScope brush(dc, p.fill == PanelFill::Header ? drawing.header() : drawing.panel());
        const RECT r = px(p.rect);
        RoundRect(dc, r.left, r.top, r.right, r.bottom, px(10), px(10));
    }
    for (const PixelRect& bar : mainWindowAccentBars()) {
        const RECT r = px(bar);
        FillRect(dc, &r, drawing.accent());
    }
}

void paintForeground(HDC dc, const RECT& client, const DrawingResources& drawing,
                     const StatusTexts& status, int dpi) {
    const Scaler px{dpi};
    paintLogo(dc, drawing, px);
    SetBkMode(dc, TRANSPARENT);
    {
        SelectScope font(dc, drawing.titleFont());
        text(dc, px(146), px(38), kTextColour, kDisplayName);
    }
    {
        SelectScope font(dc, drawing.normalFont());
        text(dc, px(150), px(78), kSubtitleColour, kSubtitle);
    }
    {
        SelectScope font(dc, drawing.sectionFont());
        for (const HeadingSpec& h : mainWindowHeadings())
            text(dc, px(h.x), px(h.y), kAccentColour, h.text);
    }
    paintStatusBarFill(dc, client, drawing, px);
    SelectScope font(dc, drawing.normalFont());
    const int y = client.bottom - px(22);
    text(dc, px(12), y, kTextColour, status.connection);
    text(dc, px(260), y, kTrackStateColour, status.trackState);
    text(dc, px(450), y, kTextColour, status.driverAndCar);
    paintMeter(dc, client, status, px);
}

} // namespace gripline
