#pragma once
// A hidden window owned by this process, for programs without a main window
// (the command-line tool, tests, benchmarks) that still need one: DirectInput
// ties an exclusively acquired force-feedback device to a window of the
// calling process. Top-level when a display exists, message-only otherwise.
#include <windows.h>

namespace gripline {

class HiddenWindow {
  public:
    HiddenWindow();
    ~HiddenWindow();
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;

    HWND get() const { return window_; }

  private:
    HWND window_ = nullptr;
};

} // namespace gripline
