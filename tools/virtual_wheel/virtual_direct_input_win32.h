#pragma once
// The virtual wheel's IDirectInput8W: it enumerates one force-feedback
// wheel and creates it. What it does not need answers DIERR_UNSUPPORTED.
#include "tools/virtual_wheel/com_object_win32.h"
#include "tools/virtual_wheel/wheel_session_win32.h"

#include <dinput.h>

#include <memory>

namespace gripline::wheel {

class VirtualDirectInput final : public ComObject<IDirectInput8W> {
  public:
    explicit VirtualDirectInput(std::shared_ptr<WheelSession> session);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    HRESULT STDMETHODCALLTYPE CreateDevice(REFGUID guid, LPDIRECTINPUTDEVICE8W* out,
                                           LPUNKNOWN outer) override;
    HRESULT STDMETHODCALLTYPE EnumDevices(DWORD devType, LPDIENUMDEVICESCALLBACKW callback,
                                          LPVOID ref, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetDeviceStatus(REFGUID guid) override;
    HRESULT STDMETHODCALLTYPE RunControlPanel(HWND, DWORD) override;
    HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE instance, DWORD version) override;
    HRESULT STDMETHODCALLTYPE FindDevice(REFGUID, LPCWSTR, LPGUID) override;
    HRESULT STDMETHODCALLTYPE EnumDevicesBySemantics(LPCWSTR, LPDIACTIONFORMATW,
                                                     LPDIENUMDEVICESBYSEMANTICSCBW, LPVOID,
                                                     DWORD) override;
    HRESULT STDMETHODCALLTYPE ConfigureDevices(LPDICONFIGUREDEVICESCALLBACK,
                                               LPDICONFIGUREDEVICESPARAMSW, DWORD, LPVOID) override;

  private:
    ~VirtualDirectInput() override;

    std::shared_ptr<WheelSession> session_;
};

// DirectInput8Create's checks: the version this DLL stands in for and an
// instance handle, as DirectInput requires.
HRESULT checkCreateArguments(HINSTANCE instance, DWORD version);

} // namespace gripline::wheel
