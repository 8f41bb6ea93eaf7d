#pragma once
// The simulator's named file mapping and data-valid event, opened read-only.
#include "common/scoped_handle_win32.h"
#include "telemetry/telemetry_source.h"

namespace gripline {

class Win32TelemetrySource final : public TelemetrySource {
  public:
    ~Win32TelemetrySource() override { detach(); }

    bool attach() override;
    void detach() override;
    const uint8_t* view() const override { return static_cast<const uint8_t*>(view_.get()); }
    size_t viewSize() const override { return viewSize_; }
    Wait waitForData(int timeoutMs) override;

  private:
    // Release order: view, then mapping, then event.
    ScopedHandle event_;
    ScopedHandle mapping_;
    ScopedView view_;
    size_t viewSize_ = 0;
};

} // namespace gripline
