#pragma once
// One program per user session: a named mutex marks the running instance,
// and a second one hands its advice path over and leaves.
#include "common/scoped_handle_win32.h"

#include <string>

namespace gripline {

inline constexpr const wchar_t* kSingleInstanceMutex = L"Local\\Torvix.Commercial.SingleInstance";

class SingleInstance {
  public:
    enum class Claim { First, AlreadyRunning, Failed };
    Claim claim();
    // Releases the mutex the first instance owns.
    void release();

  private:
    ScopedHandle mutex_;
    bool owned_ = false;
};

// The running instance's window gets `advicePath` (when not empty) with
// WM_COPYDATA, then is restored and brought forward. A first instance still
// starting is given up to 10 s to show its window; false when none came.
bool forwardToRunningInstance(const std::wstring& advicePath);

// The advice path of the process's own command line, or empty.
std::wstring advicePathOfCommandLine();

} // namespace gripline
