#pragma once
// COM reference counting for the virtual wheel's objects: created with one
// reference (the caller's), freed when the last Release drops it to zero.
#include <windows.h>

#include <atomic>
#include <initializer_list>

namespace gripline::wheel {

template <class Interface> class ComObject : public Interface {
  public:
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

  protected:
    ComObject() = default;
    // Virtual and declared after the interface's methods, so it lands after
    // them in the vtable and the COM layout stays intact.
    virtual ~ComObject() = default;

    // QueryInterface for an object that answers to the interfaces listed.
    HRESULT answer(REFIID riid, void** out, std::initializer_list<const IID*> interfaces) {
        if (!out)
            return E_POINTER;
        for (const IID* iid : interfaces) {
            if (IsEqualIID(riid, *iid)) {
                AddRef();
                *out = static_cast<Interface*>(this);
                return S_OK;
            }
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }

  private:
    std::atomic<ULONG> references_{1};
};

} // namespace gripline::wheel
