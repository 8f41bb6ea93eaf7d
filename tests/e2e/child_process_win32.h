#pragma once
// Starting the simulator stand-in (or any of our programs) from a test under
// Wine, and converting the build's Unix paths to the Z: drive Wine maps to /.
#include "common/scoped_handle_win32.h"

#include <string>
#include <vector>

namespace gripline::test {

// "/work/build/x.exe" -> L"Z:\\work\\build\\x.exe"
std::wstring windowsPath(const std::string& unixPath);

class ChildProcess {
  public:
    ChildProcess() = default;
    ~ChildProcess() { kill(); }

    // Starts `exe` with `args` (each quoted). False when it could not start.
    bool start(const std::wstring& exe, const std::vector<std::wstring>& args);
    bool running() const;
    // Waits up to `ms` for the process to end; true when it has.
    bool waitExit(int ms) const;
    int exitCode() const;
    // Ends it at once, as a crash or a task kill would (no clean-up runs).
    void kill();

  private:
    ScopedHandle process_;
};

} // namespace gripline::test
