#include "common/check_box_look_win32.h"

#include "common/dpi_scale.h"
#include "common/gdi_object_win32.h"
#include "common/gdi_scope_win32.h"

namespace gripline {

namespace {

constexpr COLORREF kAccent = RGB(45, 102, 194);
constexpr COLORREF kIdleEdge = RGB(190, 198, 208);
constexpr COLORREF kEmptyBox = RGB(9, 12, 16);
constexpr COLORREF kTick = RGB(13, 15, 18);
constexpr COLORREF kCaption = RGB(218, 226, 236);
constexpr COLORREF kLitCaption = RGB(232, 238, 246);
constexpr COLORREF kDisabledEdge = RGB(84, 92, 104);
constexpr COLORREF kDisabledCaption = RGB(116, 126, 138);

// The box is 14 pixels square at 96 DPI, 4 below the top; the tick a
// 2-pixel stroke inside it.
void drawBox(HDC dc, const CheckBoxLook& look, int top, int dpi) {
    const auto px = [dpi](int v) { return scaleToDpi(v, dpi); };
    const COLORREF edgeColour =
        !look.enabled ? kDisabledEdge : (look.edgeLit ? kAccent : kIdleEdge);
    const COLORREF fillColour = look.checked && look.enabled ? kAccent : kEmptyBox;
    GdiObject<HPEN> edge(CreatePen(PS_SOLID, px(1), edgeColour));
    GdiObject<HBRUSH> fill(CreateSolidBrush(fillColour));
    SelectScope pen(dc, edge.get());
    SelectScope brush(dc, fill.get());
    RoundRect(dc, 0, top + px(4), px(14), top + px(18), px(3), px(3));
    if (!look.checked)
        return;
    GdiObject<HPEN> tickPen(CreatePen(PS_SOLID, px(2), look.enabled ? kTick : kDisabledEdge));
    SelectScope tick(dc, tickPen.get());
    MoveToEx(dc, px(4), top + px(11), nullptr);
    LineTo(dc, px(7), top + px(14));
    LineTo(dc, px(11), top + px(8));
}

} // namespace

void paintCheckBox(HDC dc, const RECT& client, const CheckBoxLook& look, HFONT font,
                   const std::wstring& caption, int dpi) {
    GdiObject<HBRUSH> back(CreateSolidBrush(look.background));
    FillRect(dc, &client, back.get());
    drawBox(dc, look, client.top, dpi);
    SelectScope selected(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, !look.enabled ? kDisabledCaption : (look.captionLit ? kLitCaption : kCaption));
    RECT text{scaleToDpi(24, dpi), client.top + scaleToDpi(1, dpi), client.right, client.bottom};
    DrawTextW(dc, caption.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

} // namespace gripline
