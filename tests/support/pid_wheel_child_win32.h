#pragma once
// The PID wheel from a test or the main job under Wine: installed into the
// current prefix by its tool, unplugged and plugged back, its buttons
// pressed through its input script, and what it received read back as
// wheel events (the virtual wheel's log shape) through the report decoder.
#include "tests/support/wheel_log.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace gripline::test {

class PidWheelChild {
  public:
    // The tool's own path; the raw report log and the input script are files
    // of this process in the temporary folder unless named.
    explicit PidWheelChild(std::wstring tool, std::wstring log = {}, std::wstring script = {});

    // Installs (or reconfigures and restarts) the wheel with this descriptor
    // file and product name; false with the tool's output in `error`.
    bool install(const std::wstring& descriptor, const std::wstring& product, std::string& error);
    bool unplug(std::string& error) { return run(L"unplug", error); }
    bool plug(std::string& error) { return run(L"plug", error); }
    bool remove(std::string& error) { return run(L"remove", error); }

    // Button 1..32 pressed `inMs` from now for `holdMs`; the time it goes
    // down, on the log's clock (µs).
    int64_t press(int button, int64_t inMs = 200, int64_t holdMs = 250) const;

    const std::wstring& logPath() const { return log_; }
    std::string rawLog() const;
    // Everything the device received, decoded with its descriptor.
    std::vector<WheelEvent> events() const;
    // The decoded events as the virtual wheel writes them, for the checks
    // and `gripline plot --wheel-log`.
    bool writeWheelLog(const std::wstring& path) const;

  private:
    bool run(const std::wstring& arguments, std::string& error);

    std::wstring tool_, log_, script_, descriptor_;
};

} // namespace gripline::test
