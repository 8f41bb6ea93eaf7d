#pragma once
// Scoped owners for kernel handles and mapped views: each closes what it
// holds exactly once, when it goes out of scope or is reset.
#include <windows.h>

#include <utility>

namespace gripline {

class ScopedHandle {
  public:
    ScopedHandle() = default;
    explicit ScopedHandle(HANDLE h) : h_(valid(h) ? h : nullptr) {}
    ~ScopedHandle() { reset(); }
    ScopedHandle(ScopedHandle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    ScopedHandle& operator=(ScopedHandle&& o) noexcept {
        if (this != &o) {
            reset();
            h_ = std::exchange(o.h_, nullptr);
        }
        return *this;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    void reset(HANDLE h = nullptr) {
        if (h_)
            CloseHandle(h_);
        h_ = valid(h) ? h : nullptr;
    }

  private:
    static bool valid(HANDLE h) { return h && h != INVALID_HANDLE_VALUE; }
    HANDLE h_ = nullptr;
};

class ScopedView {
  public:
    ScopedView() = default;
    explicit ScopedView(void* view) : view_(view) {}
    ~ScopedView() { reset(); }
    ScopedView(const ScopedView&) = delete;
    ScopedView& operator=(const ScopedView&) = delete;

    void* get() const { return view_; }
    void reset(void* view = nullptr) {
        if (view_)
            UnmapViewOfFile(view_);
        view_ = view;
    }

  private:
    void* view_ = nullptr;
};

} // namespace gripline
