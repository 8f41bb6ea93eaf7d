#pragma once
// The update check against the manifest, and the notice shown at start-up.
#include "updater/https_client.h"
#include "updater/update_manifest.h"
#include "updater/update_ui.h"

#include <string>

namespace gripline {

struct UpdateCheck {
    bool ok = false;
    UpdateManifest manifest;
    bool updateAvailable = false; // the manifest's version is newer than ours
    std::wstring error;           // lower-case texts are meant to follow a prefix
};

// Fetches and reads the manifest (blocking) and compares it with
// `currentVersion`: this release's number, except where a test stands in for
// an older installed release.
UpdateCheck checkForUpdate(HttpsClient& server,
                           const std::wstring& currentVersion = kProgramVersionText);

// Called once by start-up after the main window exists and before the
// message loop runs. A failed check shows and logs nothing; an available
// update is logged, and announced in a message box when the window is shown.
void notifyUpdateAtStartup(HttpsClient& server, UpdateUi& ui);

} // namespace gripline
