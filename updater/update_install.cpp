#include "updater/update_install.h"

#include "updater/restart_script.h"
#include "updater/sha256.h"
#include "updater/update_check.h"
#include "updater/update_url.h"

namespace gripline {

namespace {

constexpr const wchar_t* kAnalyzerFileName = L"Torvix Commercial Analyzer.exe";
constexpr const wchar_t* kNewAppFileName = L"Torvix_Commercial.update.exe";
constexpr const wchar_t* kNewAnalyzerFileName = L"Torvix_Commercial_Analyzer.update.exe";

std::wstring folderOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// Downloads one program into `target`. On failure logs `failurePrefix` and
// the reason and returns false; a partly written file is left for the next
// attempt to overwrite, the installed files are never touched here. When the
// manifest names the program's SHA-256, a download that differs is refused
// before it is even written: neither a damaged transfer nor a file swapped on
// the host reaches the script that replaces the programs.
bool download(HttpsClient& server, UpdateUi& ui, UpdateSystem& system,
              const UpdateManifest& manifest, const std::wstring& pathOnHost,
              const std::string& expectedSha256, const std::wstring& target,
              const wchar_t* failurePrefix) {
    std::wstring urlPath = appendVersionQuery(pathOnHost, manifest.versionText);
    ui.log(L"Downloading " + fileNameFromUrlPath(urlPath) + L" v" + manifest.versionText + L"...");
    HttpsResponse response = server.get(urlPath);
    if (response.ok && !expectedSha256.empty() && sha256Hex(response.body) != expectedSha256) {
        ui.log(L"Update failed: the downloaded file does not match the release.");
        return false;
    }
    if (response.ok && system.writeFileBytes(target, response.body))
        return true;
    std::wstring reason = response.error.empty() ? L"Could not write the downloaded file."
                                                 : response.error;
    ui.log(failurePrefix + reason);
    return false;
}

std::wstring confirmationText(const UpdateManifest& manifest) {
    std::wstring text = L"Version " + manifest.versionText + L" is available.\n\n";
    if (!manifest.notes.empty())
        text += manifest.notes + L"\n\n";
    return text + L"Download the new app and analyzer, replace the current files, and restart now?";
}

// The restart script cannot carry "!" or "%" through cmd's expansion, nor a
// character cmd's code page lacks; say so before anything is downloaded
// rather than copy to a mangled path (the analyzer's paths share these
// folders).
bool pathsFitTheScript(UpdateUi& ui, UpdateSystem& system, const RestartPaths& paths) {
    for (const std::wstring* path : {&paths.currentApp, &paths.newApp}) {
        if (!isScriptSafePath(*path)) {
            ui.log(L"Update failed: " + *path +
                   L" contains \"!\" or \"%\", which the restart script cannot copy.");
            return false;
        }
        std::string bytes;
        if (!system.encodeScriptText(*path, bytes)) {
            ui.log(L"Update failed: " + *path +
                   L" contains characters that cmd cannot read in the restart script.");
            return false;
        }
    }
    return true;
}

} // namespace

void installUpdate(HttpsClient& server, UpdateUi& ui, UpdateSystem& system,
                   const std::wstring& currentVersion) {
    ui.log(L"Checking for Commercial updates...");
    UpdateCheck check = checkForUpdate(server, currentVersion);
    if (!check.ok) {
        ui.log(L"Update check failed: " + check.error);
        return;
    }
    const UpdateManifest& manifest = check.manifest;
    if (!check.updateAvailable) {
        ui.log(L"No update available. Current version: " + currentVersion + L".");
        if (!manifest.notes.empty())
            ui.log(L"Feed note: " + manifest.notes);
        return;
    }

    RestartPaths paths;
    paths.currentApp = system.programPath();
    paths.currentAnalyzer = folderOf(paths.currentApp) + L"\\" + kAnalyzerFileName;
    std::wstring temp;
    if (!system.tempFolder(temp)) {
        ui.log(L"Update failed: could not resolve a temporary path.");
        return;
    }
    paths.newApp = temp + kNewAppFileName;
    paths.newAnalyzer = temp + kNewAnalyzerFileName;
    if (!pathsFitTheScript(ui, system, paths))
        return;

    if (!ui.confirmUpdate(confirmationText(manifest)))
        return;
    if (!download(server, ui, system, manifest, manifest.appPath, manifest.appSha256, paths.newApp,
                  L"Update failed while downloading the app: "))
        return;
    if (!download(server, ui, system, manifest, manifest.analyzerPath, manifest.analyzerSha256,
                  paths.newAnalyzer, L"Update failed while downloading the analyzer: "))
        return;

    RestartResult restart = writeRestartScript(system, paths);
    if (!restart.ok) {
        ui.log(L"Update downloaded but restart failed: " + restart.error);
        return;
    }
    ui.log(L"Update downloaded. Restarting into version " + manifest.versionText + L"...");
    ui.requestClose();
}

} // namespace gripline
