#pragma once
// Creates the main window and every control of the layout table, in the
// table's order, and shows the window.
#include "ui/application_win32.h"
#include "ui/window_layout.h"

namespace gripline {

class MainWindowBuilder {
  public:
    explicit MainWindowBuilder(Application& app) : app_(app) {}
    // False when the window itself could not be created.
    bool build(int showCommand);

  private:
    // A standard control at its 96-DPI place scaled to the window's DPI,
    // kept in the Application's list so a DPI change can place it again.
    HWND child(const wchar_t* cls, const wchar_t* text, DWORD style, int id, const PixelRect& place,
               FontRole font, DWORD exStyle = 0);
    HWND child(const wchar_t* cls, const wchar_t* text, DWORD style, const ControlSpec& control,
               DWORD exStyle = 0);
    void sizeForDpi();
    void createControl(const ControlSpec& control);
    void createStatic(const ControlSpec& control);
    void createCombo(const ControlSpec& control);
    void createSlider(const ControlSpec& control);
    void createCheckbox(const ControlSpec& control);
    void createEdit(const ControlSpec& control);
    void darkenTitleBar();

    Application& app_;
};

} // namespace gripline
