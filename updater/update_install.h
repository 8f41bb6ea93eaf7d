#pragma once
// The Update command: check again, ask, download both programs into the
// temporary folder, start the replace-and-restart script and close.
#include "updater/https_client.h"
#include "updater/program_version.h"
#include "updater/update_system.h"
#include "updater/update_ui.h"

#include <string>

namespace gripline {

// Runs on the window thread and blocks it for the check and both downloads.
// Everything is reported through `ui.log`; the program leaves only through
// `ui.requestClose()` after the script has started, and otherwise keeps
// running with its installed files untouched.
// `currentVersion` is this release's number except where a test stands in for
// an older installed release.
void installUpdate(HttpsClient& server, UpdateUi& ui, UpdateSystem& system,
                   const std::wstring& currentVersion = kProgramVersionText);

} // namespace gripline
