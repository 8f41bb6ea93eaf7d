#pragma once
// Owns one GDI object (font, brush) and deletes it once.
#include <windows.h>

#include <utility>

namespace gripline {

template <typename T> class GdiObject {
  public:
    GdiObject() = default;
    explicit GdiObject(T object) : object_(object) {}
    ~GdiObject() { reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject(GdiObject&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other)
            reset(std::exchange(other.object_, nullptr));
        return *this;
    }

    T get() const { return object_; }
    void reset(T object = nullptr) {
        if (object_)
            DeleteObject(object_);
        object_ = object;
    }

  private:
    T object_ = nullptr;
};

} // namespace gripline
