#pragma once
// The check box of the main window: a rounded box with a tick and a
// caption, toggled by a click, space or Enter, reporting each toggle to its
// parent with kCheckboxToggledMessage.
#include <windows.h>

#include <cstdint>
#include <string>

namespace gripline {

inline constexpr const wchar_t* kCheckboxClass = L"TorvixCheckbox";

// One per check box, owned by the Application in a list that never
// reallocates while the window lives: the window keeps the record's address.
struct CheckboxRecord {
    HWND window = nullptr;
    int32_t id = 0;
    uint8_t checked = 0;
    uint8_t hover = 0;
    std::wstring caption;
};

bool registerCheckboxClass(HINSTANCE instance, HBRUSH background);

// At `place`, in the parent's client pixels at its DPI.
HWND createCheckboxWindow(HINSTANCE instance, HWND parent, const RECT& place, HFONT font,
                          CheckboxRecord& record);

} // namespace gripline
