#pragma once
// The "Buttons..." dialog: one row per action with its binding, a Bind
// button (waits up to 10 s for the next press on any controller) and a
// Clear button. A small window of its own in the main window's colours,
// owned by it; the rules live in ButtonWatch, this only shows them.
#include "common/dpi_scale.h"
#include "ui/button_watch.h"
#include "ui/drawing_resources_win32.h"

#include <windows.h>

#include <functional>
#include <vector>

namespace gripline {

inline constexpr const wchar_t* kButtonsDialogClass = L"TorvixButtonsDialog";
inline constexpr int kBindButtonBase = 2100;  // + the action's index
inline constexpr int kClearButtonBase = 2200; // + the action's index
inline constexpr int kBindingTextBase = 2300; // + the action's index
inline constexpr int kCloseButtonsDialog = 2400;

struct ButtonsDialogHost {
    std::function<void(ButtonAction)> bind;
    std::function<void(ButtonAction)> clear;
    std::function<void()> closed;
};

class ButtonsDialog {
  public:
    ButtonsDialog(const ButtonWatch& watch, const DrawingResources& drawing, ButtonsDialogHost host)
        : watch_(watch), drawing_(drawing), host_(std::move(host)) {}
    ~ButtonsDialog() { destroy(); }
    ButtonsDialog(const ButtonsDialog&) = delete;
    ButtonsDialog& operator=(const ButtonsDialog&) = delete;

    static bool registerClass(HINSTANCE instance, HBRUSH background);
    // Shows the dialog, made on first use.
    void show(HINSTANCE instance, HWND owner);
    void destroy();
    bool isOpen() const { return window_ && IsWindow(window_); }
    // Rewrites every row from the bindings and the wait.
    void refresh();

  private:
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void createControls();
    HWND addChild(const wchar_t* cls, const wchar_t* text, DWORD style, int id,
                  const PixelRect& place);
    void onDpiChanged(WPARAM wParam, LPARAM lParam);

    struct Placed {
        HWND window;
        PixelRect place; // at 96 DPI
    };

    const ButtonWatch& watch_;
    const DrawingResources& drawing_;
    ButtonsDialogHost host_;
    HWND window_ = nullptr;
    int dpi_ = kLayoutDpi;
    GdiObject<HFONT> font_; // the controls' font, made for dpi_
    std::vector<Placed> placed_;
};

} // namespace gripline
