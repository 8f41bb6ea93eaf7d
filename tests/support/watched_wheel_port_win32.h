#pragma once
// The program's own DirectInput device code behind a port that a test or a
// benchmark can watch: every call goes through unchanged, and each
// SetParameters that DirectInput accepted is recorded with the time it took.
#include "common/qpc_clock_win32.h"
#include "engine/dinput_wheel_win32.h"
#include "engine/forwarding_wheel_port.h"

#include <cstdint>
#include <vector>

namespace gripline::test {

class WatchedWheelPort final : public ForwardingWheelPort {
  public:
    struct Update {
        int32_t magnitude;
        int64_t startNs, endNs; // around the call, on QpcClock
    };

    // Reserved up front: recording never allocates on the output thread.
    explicit WatchedWheelPort(size_t capacity = 1 << 20) : ForwardingWheelPort(device_) {
        updates.reserve(capacity);
    }

    HResult setMagnitude(int32_t magnitude) override {
        const int64_t start = qpcClock().nowNs();
        const HResult hr = ForwardingWheelPort::setMagnitude(magnitude);
        if (!failed(hr) && updates.size() < updates.capacity())
            updates.push_back({magnitude, start, qpcClock().nowNs()});
        return hr;
    }

    // Written by the output thread while it runs, read once it has ended.
    std::vector<Update> updates;

  private:
    // The base keeps a reference to it and uses it only after construction.
    DirectInputWheel device_;
};

} // namespace gripline::test
