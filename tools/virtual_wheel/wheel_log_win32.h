#pragma once
// The virtual wheel's event log: "<qpc_us> <event> [value]" lines appended
// to one file (format in virtual_wheel_ids.h). Any thread may write.
#include "common/scoped_handle_win32.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace gripline::wheel {

class WheelLog {
  public:
    // An empty path logs nothing.
    explicit WheelLog(const std::wstring& path);

    void write(std::string_view event);
    void write(std::string_view event, int64_t value);
    void write(std::string_view event, std::string_view value);

  private:
    std::mutex mutex_; // keeps each line's time in file order
    ScopedHandle file_;
};

} // namespace gripline::wheel
