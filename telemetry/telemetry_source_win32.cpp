#include "telemetry/telemetry_source_win32.h"

#include "telemetry/telemetry_layout.h"

namespace gripline {

bool Win32TelemetrySource::attach() {
    if (view_.get())
        return true;
    event_.reset(OpenEventW(SYNCHRONIZE, FALSE, irsdk::kDataValidEventName));
    mapping_.reset(OpenFileMappingW(FILE_MAP_READ, FALSE, irsdk::kMemMapName));
    if (!event_ || !mapping_) {
        detach();
        return false;
    }
    view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, 0));
    // The system tells how large the view really is (whole pages); every
    // offset the simulator publishes is checked against it before reading.
    MEMORY_BASIC_INFORMATION info{};
    if (!view_.get() || VirtualQuery(view_.get(), &info, sizeof info) != sizeof info) {
        detach();
        return false;
    }
    viewSize_ = info.RegionSize;
    return true;
}

void Win32TelemetrySource::detach() {
    view_.reset();
    viewSize_ = 0;
    mapping_.reset();
    event_.reset();
}

TelemetrySource::Wait Win32TelemetrySource::waitForData(int timeoutMs) {
    if (!event_)
        return Wait::Failed;
    switch (WaitForSingleObject(event_.get(), static_cast<DWORD>(timeoutMs))) {
    case WAIT_OBJECT_0:
        return Wait::Signalled;
    case WAIT_TIMEOUT:
        return Wait::TimedOut;
    default:
        return Wait::Failed;
    }
}

} // namespace gripline
