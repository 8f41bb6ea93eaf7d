// The one export of the virtual wheel's dinput8.dll.
#include "tools/virtual_wheel/virtual_direct_input_win32.h"

using namespace gripline::wheel;

// Only the wide interface is offered: asked for IDirectInput8A the call
// fails cleanly with DIERR_NOINTERFACE.
extern "C" HRESULT WINAPI DirectInput8Create(HINSTANCE instance, DWORD version, REFIID riid,
                                             LPVOID* out, LPUNKNOWN outer) {
    if (out)
        *out = nullptr;
    const std::shared_ptr<WheelSession> session = currentWheelSession();
    if (const auto failure = session->scriptedFailure(ScriptedCall::DirectInput8Create))
        return *failure;
    if (!out)
        return DIERR_INVALIDPARAM;
    if (outer)
        return DIERR_NOAGGREGATION;
    if (const HRESULT hr = checkCreateArguments(instance, version); FAILED(hr))
        return hr;
    if (!IsEqualIID(riid, IID_IDirectInput8W) && !IsEqualIID(riid, IID_IUnknown))
        return DIERR_NOINTERFACE;
    *out = static_cast<IDirectInput8W*>(new VirtualDirectInput(session));
    session->log().write("create");
    return DI_OK;
}
