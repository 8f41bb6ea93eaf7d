#include "updater/update_check.h"

#include "updater/update_url.h"

namespace gripline {

UpdateCheck checkForUpdate(HttpsClient& server, const std::wstring& currentVersion) {
    UpdateCheck check;
    HttpsResponse response = server.get(appendVersionQuery(kManifestPath, currentVersion));
    if (!response.ok) {
        check.error = response.error;
        return check;
    }
    check.manifest = parseManifest(response.body);
    if (!check.manifest.valid) {
        check.error = L"the update manifest is invalid.";
        return check;
    }
    ProgramVersion current;
    if (!parseVersion(currentVersion, current)) {
        check.error = L"the current app version is invalid.";
        return check;
    }
    check.ok = true;
    check.updateAvailable = isNewerVersion(check.manifest.version, current);
    return check;
}

void notifyUpdateAtStartup(HttpsClient& server, UpdateUi& ui) {
    UpdateCheck check = checkForUpdate(server);
    if (!check.ok || !check.updateAvailable)
        return;
    const UpdateManifest& m = check.manifest;
    ui.log(L"Update available: version " + m.versionText + L". Click Update to install.");
    if (!m.notes.empty())
        ui.log(L"Update note: " + m.notes);
    if (!ui.isWindowShown())
        return; // a minimised or hidden start only logs
    std::wstring text = L"A new version of Gripline is available: " + m.versionText + L".\n\n";
    if (!m.notes.empty())
        text += m.notes + L"\n\n";
    text += L"Click the Update button to download and install it.";
    ui.showUpdateNotice(text);
}

} // namespace gripline
