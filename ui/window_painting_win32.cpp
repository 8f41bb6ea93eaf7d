#include "ui/window_painting_win32.h"

#include "ui/application_win32.h"
#include "ui/gdi_scope_win32.h"
#include "ui/program_identity.h"
#include "ui/window_layout.h"

#include <gdiplus.h>

namespace gripline {

namespace {

constexpr COLORREF kSubtitleColour = RGB(150, 160, 172);
constexpr COLORREF kTrackStateColour = RGB(190, 204, 218);
constexpr COLORREF kForceOffColour = RGB(255, 184, 77);
constexpr COLORREF kClipLitColour = RGB(232, 64, 56);
constexpr COLORREF kClipDarkColour = RGB(70, 64, 62);
constexpr const wchar_t* kSubtitle = L"Steering force from grip, road and car, for iRacing";

enum class PanelFill { Header, Panel };

struct Panel {
    RECT rect;
    PanelFill fill;
};

constexpr Panel kPanels[] = {
    {{24, 20, 1576, 122}, PanelFill::Header},   // header
    {{24, 138, 326, 654}, PanelFill::Panel},    // control deck
    {{344, 138, 936, 654}, PanelFill::Panel},   // tuning matrix
    {{954, 138, 1256, 610}, PanelFill::Panel},  // crash protection
    {{1274, 138, 1576, 610}, PanelFill::Panel}, // car-specific feel
    {{24, 666, 1576, 790}, PanelFill::Header},  // session log
};

constexpr RECT kAccentBars[] = {
    {24, 120, 1576, 122},  {48, 160, 298, 164},    {374, 160, 918, 164},
    {978, 160, 1228, 164}, {1298, 160, 1548, 164}, {48, 690, 1548, 694},
};

struct Heading {
    const wchar_t* text;
    int x, y;
};

constexpr Heading kHeadings[] = {
    {L"CONTROL DECK", 48, 168},      {L"TUNING MATRIX", 374, 168},
    {L"CRASH PROTECTION", 978, 168}, {L"CAR-SPECIFIC FEEL", 1298, 168},
    {L"SESSION LOG", 48, 698},
};

RECT statusBar(const RECT& client) {
    return {client.left, client.bottom - kStatusBarHeight, client.right, client.bottom};
}

void paintStatusBarFill(HDC dc, const RECT& client, const DrawingResources& drawing) {
    const RECT bar = statusBar(client);
    FillRect(dc, &bar, drawing.header());
    const RECT line{bar.left, bar.top, bar.right, bar.top + 1};
    FillRect(dc, &line, drawing.accent());
}

void text(HDC dc, int x, int y, COLORREF colour, const std::wstring& s) {
    SetTextColor(dc, colour);
    TextOutW(dc, x, y, s.c_str(), static_cast<int>(s.size()));
}

void paintLogo(HDC dc, const DrawingResources& drawing) {
    Gdiplus::Bitmap* logo = drawing.logo();
    if (logo && logo->GetLastStatus() == Gdiplus::Ok) {
        Gdiplus::Graphics graphics(dc);
        graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
        graphics.DrawImage(logo, 44, 30, 84, 84);
    } else if (drawing.icon()) {
        DrawIconEx(dc, 50, 44, drawing.icon(), 48, 48, 0, nullptr, DI_NORMAL);
    }
}

// The right end of the status bar: the driver's force switch when off, the
// peak of the last second and the clipping mark, lit while samples clip.
void paintMeter(HDC dc, const RECT& client, const StatusTexts& status) {
    const int y = client.bottom - 22;
    if (status.forceOff)
        text(dc, client.right - 330, y, kForceOffColour, L"Force off");
    text(dc, client.right - 190, y, kTextColour, status.meter);
    const RECT mark{client.right - 84, client.bottom - 23, client.right - 20, client.bottom - 5};
    const COLORREF fill = status.clipping ? kClipLitColour : kClipDarkColour;
    GdiObject<HBRUSH> brush(CreateSolidBrush(fill));
    GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, fill));
    SelectScope brushScope(dc, brush.get());
    SelectScope penScope(dc, pen.get());
    RoundRect(dc, mark.left, mark.top, mark.right, mark.bottom, 6, 6);
    RECT label = mark;
    SetTextColor(dc, status.clipping ? RGB(255, 255, 255) : kSubtitleColour);
    DrawTextW(dc, L"CLIP", -1, &label, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

} // namespace

void paintBackground(HDC dc, const RECT& client, const DrawingResources& drawing) {
    FillRect(dc, &client, drawing.background());
    paintStatusBarFill(dc, client, drawing);
    GdiObject<HPEN> edge(CreatePen(PS_SOLID, 1, kPanelEdgeColour));
    SelectScope pen(dc, edge.get());
    for (const Panel& p : kPanels) {
        SelectScope brush(dc, p.fill == PanelFill::Header ? drawing.header() : drawing.panel());
        RoundRect(dc, p.rect.left, p.rect.top, p.rect.right, p.rect.bottom, 10, 10);
    }
    for (const RECT& bar : kAccentBars)
        FillRect(dc, &bar, drawing.accent());
}

void paintForeground(HDC dc, const RECT& client, const DrawingResources& drawing,
                     const StatusTexts& status) {
    paintLogo(dc, drawing);
    SetBkMode(dc, TRANSPARENT);
    {
        SelectScope font(dc, drawing.titleFont());
        text(dc, 146, 38, kTextColour, kDisplayName);
    }
    {
        SelectScope font(dc, drawing.normalFont());
        text(dc, 150, 78, kSubtitleColour, kSubtitle);
    }
    {
        SelectScope font(dc, drawing.sectionFont());
        for (const Heading& h : kHeadings)
            text(dc, h.x, h.y, kAccentColour, h.text);
    }
    paintStatusBarFill(dc, client, drawing);
    SelectScope font(dc, drawing.normalFont());
    const int y = client.bottom - 22;
    text(dc, 12, y, kTextColour, status.connection);
    text(dc, 260, y, kTrackStateColour, status.trackState);
    text(dc, 450, y, kTextColour, status.driverAndCar);
    paintMeter(dc, client, status);
}

} // namespace gripline
