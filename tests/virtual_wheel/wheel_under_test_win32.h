#pragma once
// The virtual wheel's DLL as the tests drive it: its DirectInput8Create,
// the environment it reads (a fresh log file, a failure script), its log
// read back, and owners for what the tests create.
#include <windows.h>

#include <dinput.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace gripline::test {

using DirectInput8CreateFn = HRESULT(WINAPI*)(HINSTANCE, DWORD, REFIID, LPVOID*, LPUNKNOWN);

// Loaded once per process from a copy of the dinput8.dll beside this
// program, under another name: Wine answers a LoadLibraryW of a file named
// dinput8.dll with its builtin unless the run overrides it.
DirectInput8CreateFn wheelDirectInput8Create();

struct WheelLogLine {
    int64_t qpcUs = 0;
    std::string event;
    std::string value; // empty when the event has none
};

// Points GRIPLINE_WHEEL_LOG at a new file and sets GRIPLINE_WHEEL_FAIL for
// the DirectInput8Create calls made while it lives; clears both after.
class WheelEnvironment {
  public:
    explicit WheelEnvironment(const std::wstring& failures = L"");
    ~WheelEnvironment();
    WheelEnvironment(const WheelEnvironment&) = delete;
    WheelEnvironment& operator=(const WheelEnvironment&) = delete;

    std::vector<WheelLogLine> log() const;
    std::vector<std::string> events() const; // "event value" per line

  private:
    std::wstring logPath_;
};

// Owns one COM reference.
template <class T> class ComRef {
  public:
    ComRef() = default;
    ~ComRef() { reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For the out-parameter of a Create call.
    T** put() {
        reset();
        return &p_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }
    void reset() {
        if (p_)
            std::exchange(p_, nullptr)->Release();
    }

  private:
    T* p_ = nullptr;
};

// A message-only window of this process for SetCooperativeLevel: it needs
// no display, unlike a top-level window under Wine.
class MessageWindow {
  public:
    MessageWindow();
    ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;
    HWND get() const { return window_; }

  private:
    HWND window_;
};

int64_t qpcNowUs();

} // namespace gripline::test
