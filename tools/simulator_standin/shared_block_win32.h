#pragma once
// The simulator's named shared memory and data-valid event, made by the
// stand-in with read/write access. A mapping that still exists because a
// reader holds it is opened and published into, when it is large enough.
#include "common/scoped_handle_win32.h"

#include <cstdint>
#include <span>
#include <string>

namespace gripline::standin {

class SharedBlock {
  public:
    // Creates or opens the mapping (at least 2 MiB, and at least `blockSize`)
    // and the auto-reset event. False with a reason on failure.
    bool open(size_t blockSize, std::string& error);

    // The whole view, as large as the mapping.
    std::span<uint8_t> bytes() const { return {static_cast<uint8_t*>(view_.get()), size_}; }
    void signal() const { SetEvent(event_.get()); }

  private:
    // Released in reverse order: view, then mapping, then event.
    ScopedHandle event_;
    ScopedHandle mapping_;
    ScopedView view_;
    size_t size_ = 0; // bytes, as VirtualQuery reports the view
};

} // namespace gripline::standin
