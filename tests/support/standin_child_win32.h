#pragma once
// The stand-in started from a test under Wine: its stdout and stderr go to
// files the test reads while it runs, and a reader's view of the block it
// publishes, opened the way the program's reader opens it.
#include "common/scoped_handle_win32.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace gripline::test {

// "/work/build/x.exe" -> L"Z:\\work\\build\\x.exe" (Wine maps Z: to /).
std::wstring windowsPath(const std::string& unixPath);

// Polls `condition` every 10 ms until it holds or `limit` passes. The
// machine is shared: limits are generous, and no test judges the time taken.
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit);

class StandinChild {
  public:
    StandinChild() = default;
    ~StandinChild() { kill(); } // ends a stand-in the test left running
    StandinChild(const StandinChild&) = delete;
    StandinChild& operator=(const StandinChild&) = delete;

    bool start(const std::vector<std::wstring>& args);
    bool running() const;
    // Ends it at once, as a crash or a task kill would: nothing of its own
    // shutdown runs, so the status bit stays as it was.
    void kill();
    // Waits for the exit; its code, or -1 when it did not end in time.
    int waitExit(std::chrono::milliseconds limit);
    std::string out() const { return readAll(outPath_); }
    std::string err() const { return readAll(errPath_); }
    // Waits until stdout holds `text` (the stand-in's announcements).
    bool waitForOut(const std::string& text, std::chrono::milliseconds limit) const;

  private:
    static std::string readAll(const std::wstring& path);

    ScopedHandle process_;
    std::wstring outPath_, errPath_;
};

// The simulator's block as a reader sees it: mapping and event opened by
// name, the view read-only.
class BlockReader {
  public:
    bool open(); // false while the stand-in has not made them
    std::span<const uint8_t> view() const {
        return {static_cast<const uint8_t*>(view_.get()), size_};
    }
    int32_t field(size_t offset) const;
    bool waitForData(int timeoutMs) const;
    // The newest line and its tick count, copied consistently; false when
    // the stand-in rewrote it during two copies in a row.
    bool readNewest(int32_t& tick, std::vector<uint8_t>& line) const;
    std::string sessionText() const;

  private:
    ScopedHandle event_;
    ScopedHandle mapping_;
    ScopedView view_;
    size_t size_ = 0;
};

// A file in the Windows temporary folder, unique to this test process.
std::wstring tempFile(const std::wstring& stem);
std::string readFile(const std::wstring& path);

} // namespace gripline::test
