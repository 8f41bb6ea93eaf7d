#pragma once
// The Update command: check again, ask, download both programs into the
// temporary folder, start the replace-and-restart script and close.
#include "updater/https_client.h"
#include "updater/update_system.h"
#include "updater/update_ui.h"

namespace gripline {

// Runs on the window thread and blocks it for the check and both downloads.
// Everything is reported through `ui.log`; the program leaves only through
// `ui.requestClose()` after the script has started, and otherwise keeps
// running with its installed files untouched.
void installUpdate(HttpsClient& server, UpdateUi& ui, UpdateSystem& system);

} // namespace gripline
