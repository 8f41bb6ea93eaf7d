#include "ui/buttons_dialog_win32.h"

#include "common/window_dpi_win32.h"
#include "ui/control_record_win32.h"

#include <utility>

namespace gripline {

namespace {

constexpr int kWidth = 700;
constexpr int kRowTop = 56;
constexpr int kRowHeight = 40;
constexpr COLORREF kDialogText = RGB(232, 238, 246);

} // namespace

// Places are 96-DPI pixels, scaled to the dialog's DPI.
HWND ButtonsDialog::addChild(const wchar_t* cls, const wchar_t* text, DWORD style, int id,
                             const PixelRect& place) {
    HWND child = createScaledChild(window_, cls, text, style, 0, id, place, dpi_, font_.get());
    placed_.push_back({child, place});
    return child;
}

// Moved to a screen of another DPI: the suggested frame, the font for it,
// and every control at its place scaled anew.
void ButtonsDialog::onDpiChanged(WPARAM wParam, LPARAM lParam) {
    dpi_ = usableDpi(LOWORD(wParam));
    GdiObject<HFONT> old = std::move(font_);
    font_.reset(makeNormalFont(dpi_));
    moveToSuggested(window_, lParam);
    for (const Placed& p : placed_) {
        placeScaled(p.window, p.place, dpi_);
        SendMessageW(p.window, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    }
}

bool ButtonsDialog::registerClass(HINSTANCE instance, HBRUSH background) {
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = kButtonsDialogClass;
    return RegisterClassExW(&wc) != 0;
}

void ButtonsDialog::show(HINSTANCE instance, HWND owner) {
    if (!isOpen()) {
        // Made at the owner's DPI; the frame around the client area is the
        // system's at that DPI (AdjustWindowRectEx measures the process's).
        dpi_ = windowDpi(owner);
        const int rows = static_cast<int>(buttonActions().size());
        RECT frame{0, 0, scaleToDpi(kWidth, dpi_),
                   scaleToDpi(kRowTop + rows * kRowHeight + 64, dpi_)};
        const DWORD style = WS_CAPTION | WS_SYSMENU | WS_POPUP;
        AdjustWindowRectEx(&frame, style, FALSE, 0);
        RECT ownerPlace;
        GetWindowRect(owner, &ownerPlace);
        window_ = CreateWindowExW(0, kButtonsDialogClass, L"Buttons", style,
                                  ownerPlace.left + scaleToDpi(120, dpi_),
                                  ownerPlace.top + scaleToDpi(160, dpi_), frame.right - frame.left,
                                  frame.bottom - frame.top, owner, nullptr, instance, this);
        if (!window_)
            return;
        font_.reset(makeNormalFont(dpi_));
        placed_.clear();
        createControls();
    }
    refresh();
    ShowWindow(window_, SW_SHOWNORMAL);
    SetForegroundWindow(window_);
}

void ButtonsDialog::destroy() {
    if (isOpen())
        DestroyWindow(window_);
    window_ = nullptr;
}

void ButtonsDialog::createControls() {
    addChild(L"Static",
             L"Bind a button of any controller (or a key) to an action; it works while you drive.",
             SS_LEFT, 0, placeAt(20, 16, kWidth - 40, 22));
    int i = 0;
    for (const ButtonActionInfo& info : buttonActions()) {
        const int y = kRowTop + i * kRowHeight;
        addChild(L"Static", info.label, SS_LEFT, 0, placeAt(20, y + 6, 170, 22));
        addChild(L"Static", L"", SS_LEFT | SS_ENDELLIPSIS, kBindingTextBase + i,
                 placeAt(196, y + 6, 310, 22));
        addChild(L"Button", L"Bind", BS_PUSHBUTTON, kBindButtonBase + i, placeAt(516, y, 80, 30));
        addChild(L"Button", L"Clear", BS_PUSHBUTTON, kClearButtonBase + i, placeAt(604, y, 76, 30));
        ++i;
    }
    addChild(L"Button", L"Close", BS_PUSHBUTTON, kCloseButtonsDialog,
             placeAt(kWidth - 116, kRowTop + i * kRowHeight + 18, 96, 30));
}

void ButtonsDialog::refresh() {
    if (!isOpen())
        return;
    int i = 0;
    for (const ButtonActionInfo& info : buttonActions()) {
        std::wstring text = L"Not bound";
        if (watch_.waitingFor() == info.action)
            text = L"Press a button... (10 s)";
        else if (const auto& bound = watch_.bindings().binding(info.action))
            text = bindingText(*bound);
        SetDlgItemTextW(window_, kBindingTextBase + i, text.c_str());
        ++i;
    }
}

LRESULT CALLBACK ButtonsDialog::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ButtonsDialog* dialog = controlRecord<ButtonsDialog>(window, message, lParam);
    return dialog ? dialog->handle(window, message, wParam, lParam)
                  : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT ButtonsDialog::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const size_t count = buttonActions().size();
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id >= kBindButtonBase && id < kBindButtonBase + static_cast<int>(count))
            host_.bind(buttonActions()[static_cast<size_t>(id - kBindButtonBase)].action);
        else if (id >= kClearButtonBase && id < kClearButtonBase + static_cast<int>(count))
            host_.clear(buttonActions()[static_cast<size_t>(id - kClearButtonBase)].action);
        else if (id == kCloseButtonsDialog)
            DestroyWindow(window);
        return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        SetTextColor(reinterpret_cast<HDC>(wParam), kDialogText);
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(drawing_.panel());
    case WM_DPICHANGED:
        onDpiChanged(wParam, lParam);
        return 0;
    case WM_DESTROY:
        window_ = nullptr;
        placed_.clear();
        host_.closed();
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace gripline
