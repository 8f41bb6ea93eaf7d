#include "ui/save_choice_menu_win32.h"

#include "ui/control_ids.h"

namespace gripline {

namespace {

// The menu is built each time it opens and destroyed when it closes.
struct MenuOwner {
    HMENU menu = CreatePopupMenu();
    ~MenuOwner() {
        if (menu)
            DestroyMenu(menu);
    }
};

} // namespace

void showSaveChoiceMenu(HWND owner, HWND saveButton) {
    MenuOwner popup;
    if (!popup.menu)
        return;
    AppendMenuW(popup.menu, MF_STRING, kSaveForCarCommand, L"this car");
    AppendMenuW(popup.menu, MF_STRING, kSaveForCarAtTrackCommand, L"this car at this track");
    AppendMenuW(popup.menu, MF_STRING, kSaveForCarInWetCommand, L"this car in the wet");
    RECT button{};
    GetWindowRect(saveButton, &button);
    // The menu owner must be the foreground window, or the menu does not
    // close when the user clicks elsewhere.
    SetForegroundWindow(owner);
    TrackPopupMenu(popup.menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, button.left,
                   button.bottom, 0, owner, nullptr);
    PostMessageW(owner, WM_NULL, 0, 0);
}

SaveChoice saveChoiceOf(int commandId) {
    switch (commandId) {
    case kSaveForCarCommand:
        return SaveChoice::ThisCar;
    case kSaveForCarAtTrackCommand:
        return SaveChoice::ThisCarAtThisTrack;
    case kSaveForCarInWetCommand:
        return SaveChoice::ThisCarInTheWet;
    default:
        return SaveChoice::WhereInUse;
    }
}

} // namespace gripline
