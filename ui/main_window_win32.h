#pragma once
// The main window's class and its static procedure, which hands every
// message after WM_NCCREATE to the Application it was created for.
#include <windows.h>

namespace gripline {

inline constexpr const wchar_t* kMainWindowClass = L"TorvixCommercialWindow";
inline constexpr int kMainWindowWidth = 1620;
inline constexpr int kMainWindowHeight = 875;

bool registerMainWindowClass(HINSTANCE instance, HBRUSH background, HICON icon);
LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace gripline
