#pragma once
// The status bar's added latency ("Added 0.09 ms"): a static text of its own
// at the bar's right, before the force switch and the meter, so that it
// reads like any window text (a screen reader, a test). The other status
// texts are painted. Window thread only; the main window owns the control.
#include <windows.h>

#include <string>

namespace gripline {

class AddedLatencyLabel {
  public:
    // 96-DPI pixels from the client's right and bottom edges: room for
    // "Added >5.00 ms" in the window's font (Wine's wider stand-in too),
    // ending before the force switch's text at 330 from the right.
    static constexpr int kFromRight = 470;
    static constexpr int kWidth = 130;
    static constexpr int kFromBottom = 22; // the painted status texts' line
    static constexpr int kHeight = 20;

    void create(HWND parent, int id, int dpi, HFONT font);
    // Its place from the client's bottom right at `dpi`, like the meter's,
    // and the font made for that DPI.
    void place(int dpi, HFONT font);
    // Only a changed text is set: the status refresh runs four times a second.
    void show(const std::wstring& text);
    bool owns(HWND control) const { return control && control == label_; }

  private:
    HWND parent_ = nullptr;
    HWND label_ = nullptr;
    std::wstring shown_;
};

} // namespace gripline
