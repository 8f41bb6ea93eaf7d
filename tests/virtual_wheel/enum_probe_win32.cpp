// Enumerates force-feedback game controllers through whatever dinput8.dll
// Wine gives a normally linked program, and prints them:
//   force-feedback devices: N
//     <product name>            (one line each)
#include <windows.h>

#include <dinput.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

struct ComRelease {
    void operator()(IUnknown* object) const { object->Release(); }
};

BOOL CALLBACK collect(LPCDIDEVICEINSTANCEW device, LPVOID ref) {
    static_cast<std::vector<std::wstring>*>(ref)->push_back(device->tszProductName);
    return DIENUM_CONTINUE;
}

} // namespace

int main() {
    IDirectInput8W* created = nullptr;
    const HRESULT hr =
        DirectInput8Create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8W,
                           reinterpret_cast<void**>(&created), nullptr);
    if (FAILED(hr)) {
        std::printf("DirectInput8Create failed 0x%08lX\n", static_cast<unsigned long>(hr));
        return 1;
    }
    const std::unique_ptr<IDirectInput8W, ComRelease> input(created);
    std::vector<std::wstring> names;
    input->EnumDevices(DI8DEVCLASS_GAMECTRL, collect, &names,
                       DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK);
    std::printf("force-feedback devices: %zu\n", names.size());
    for (const std::wstring& name : names)
        std::printf("  %ls\n", name.c_str());
    return 0;
}
