#pragma once
// The port through which the reader reaches the simulator's shared memory.
// On Windows: the named file mapping and the data-valid event. In tests and
// in the gripline tool: a byte buffer.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace gripline {

class TelemetrySource {
  public:
    enum class Wait { Signalled, TimedOut, Failed };

    virtual ~TelemetrySource() = default;

    // Opens the event and the mapping and maps the whole view read-only.
    // Returns false (holding nothing) when the simulator is not there.
    virtual bool attach() = 0;
    // Unmaps the view, closes the mapping and then the event.
    virtual void detach() = 0;

    // The mapped view and its size in bytes as the system reports it;
    // null and 0 while detached.
    virtual const uint8_t* view() const = 0;
    virtual size_t viewSize() const = 0;

    // Waits for the simulator's data-valid event.
    virtual Wait waitForData(int timeoutMs) = 0;

    // Copies n bytes of the view starting at offset. The simulator writes the
    // view concurrently; only the reader's tick-count check before and after
    // decides whether the copy counts. Tests override this to rewrite the
    // line during the copy.
    virtual void copyFromView(size_t offset, size_t n, uint8_t* dst) {
        std::memcpy(dst, view() + offset, n);
    }
};

} // namespace gripline
