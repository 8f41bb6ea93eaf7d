#pragma once
// The data format a program gave SetDataFormat, copied (the caller's
// structure need not outlive the call): how big its state is, where the
// steering axis goes and where its POVs are.
#include <windows.h>

#include <dinput.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace gripline::wheel {

class JoystickFormat {
  public:
    // Takes `format` after checking it; on failure keeps the previous one.
    HRESULT assign(const DIDATAFORMAT* format);

    bool set() const { return dataSize_ != 0; }
    DWORD dataSize() const { return dataSize_; }
    // Where lX goes: the object named GUID_XAxis, else the first axis that
    // accepts any axis.
    std::optional<DWORD> xAxisOffset() const { return xAxisOffset_; }
    // A state at rest but for the steering axis and the buttons held down
    // (bit n: the format's n-th button): POVs centred, other axes 0. `out`
    // holds dataSize() bytes.
    void fill(void* out, LONG x, uint32_t buttons = 0) const;

  private:
    DWORD dataSize_ = 0;
    std::optional<DWORD> xAxisOffset_;
    std::vector<DWORD> povOffsets_;
    std::vector<DWORD> buttonOffsets_; // in the format's order
};

} // namespace gripline::wheel
