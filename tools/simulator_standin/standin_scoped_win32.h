#pragma once
// Owners for what the stand-in holds besides kernel handles and views
// (common/scoped_handle_win32.h): C files and the raised timer resolution.
#include <windows.h>
// After windows.h: WIN32_LEAN_AND_MEAN leaves the timer functions out.
#include <mmsystem.h>

#include <cstdio>
#include <filesystem>
#include <memory>

namespace gripline::standin {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using ScopedFile = std::unique_ptr<FILE, FileCloser>;

// Opens `path` for appending in binary mode (the logs are appended to, so
// several runs can share one); null when that fails.
inline ScopedFile openForAppend(const std::filesystem::path& path) {
    return ScopedFile(_wfopen(path.c_str(), L"ab"));
}

// 1 ms timer resolution while alive, so that Sleep wakes within about a
// millisecond on Windows (15.6 ms by default; Wine is always fine-grained).
class ScopedTimerResolution {
  public:
    ScopedTimerResolution() : raised_(timeBeginPeriod(1) == TIMERR_NOERROR) {}
    ~ScopedTimerResolution() {
        if (raised_)
            timeEndPeriod(1);
    }
    ScopedTimerResolution(const ScopedTimerResolution&) = delete;
    ScopedTimerResolution& operator=(const ScopedTimerResolution&) = delete;

  private:
    bool raised_;
};

} // namespace gripline::standin
