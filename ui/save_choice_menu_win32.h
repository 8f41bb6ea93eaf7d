#pragma once
// Save's menu: a right click on Save (or the menu key on it) offers to save
// the settings in use for this car, this car at this track or this car in
// the wet instead of the entry they came from. Window thread only.
#include "ui/control_binding.h"

#include <windows.h>

namespace gripline {

// Drops the menu below `saveButton`; a choice arrives at `owner` as
// WM_COMMAND with one of the kSaveFor... ids.
void showSaveChoiceMenu(HWND owner, HWND saveButton);

// The choice a kSaveFor... id stands for.
SaveChoice saveChoiceOf(int commandId);

} // namespace gripline
