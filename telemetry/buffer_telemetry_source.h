#pragma once
// A TelemetrySource over bytes held in memory: a shared-memory image read
// from a file (the gripline tool), or a block a test writes lines into.
#include "telemetry/telemetry_source.h"

#include <cstdint>
#include <vector>

namespace gripline {

class BufferTelemetrySource : public TelemetrySource {
  public:
    BufferTelemetrySource() = default;
    explicit BufferTelemetrySource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

    std::vector<uint8_t>& bytes() { return bytes_; }

    // Whether attach() finds a simulator; tests switch it to model one that
    // starts or goes away.
    bool present = true;
    int attachCount = 0;

    bool attach() override {
        if (!present)
            return false;
        ++attachCount;
        attached_ = true;
        return true;
    }
    void detach() override { attached_ = false; }
    const uint8_t* view() const override { return attached_ ? bytes_.data() : nullptr; }
    size_t viewSize() const override { return attached_ ? bytes_.size() : 0; }
    Wait waitForData(int) override { return attached_ ? nextWait : Wait::Failed; }

    Wait nextWait = Wait::Signalled;

  private:
    std::vector<uint8_t> bytes_;
    bool attached_ = false;
};

} // namespace gripline
