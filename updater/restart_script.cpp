#include "updater/restart_script.h"

#include "common/unicode_text.h"

#include <cwchar>

namespace gripline {

namespace {

std::string quoted(const std::wstring& path) { return "\"" + wideToUtf8(path) + "\""; }

std::wstring scriptPathIn(const std::wstring& tempFolder, uint32_t tickCountMs) {
    return tempFolder + L"Torvix-Commercial-Update-" + std::to_wstring(tickCountMs) + L".cmd";
}

} // namespace

bool isScriptSafePath(const std::wstring& path) {
    return path.find_first_of(L"!%") == std::wstring::npos;
}

// Each try of the app copy waits about a second first (two pings of the
// loopback address) so the program has time to exit and release its file;
// a copy that keeps failing ends the script after ten tries and starts
// nothing, leaving the downloads in the temporary folder.
std::string restartScriptText(const RestartPaths& p) {
    const char* lines[] = {
        "@echo off",
        "setlocal EnableDelayedExpansion",
        "set tries=0",
        ":retry_app",
        "ping 127.0.0.1 -n 2 >nul",
        nullptr, // copy the app
        "if errorlevel 1 (",
        "  set /a tries+=1",
        "  if !tries! GEQ 10 exit /b 1",
        "  goto retry_app",
        ")",
        "set tries=0",
        ":retry_analyzer",
        nullptr, // copy the analyzer
        "if errorlevel 1 (",
        "  set /a tries+=1",
        "  if !tries! GEQ 10 exit /b 1",
        "  ping 127.0.0.1 -n 2 >nul",
        "  goto retry_analyzer",
        ")",
    };
    std::string text;
    auto line = [&text](const std::string& content) { text += content + "\r\n"; };
    int copies = 0;
    for (const char* l : lines) {
        if (l)
            line(l);
        else if (copies++ == 0)
            line("copy /Y " + quoted(p.newApp) + " " + quoted(p.currentApp) + " >nul");
        else
            line("copy /Y " + quoted(p.newAnalyzer) + " " + quoted(p.currentAnalyzer) + " >nul");
    }
    line("del " + quoted(p.newApp) + " >nul 2>nul");
    line("del " + quoted(p.newAnalyzer) + " >nul 2>nul");
    line("start \"\" " + quoted(p.currentApp));
    line("del \"%~f0\"");
    return text;
}

RestartResult writeRestartScript(UpdateSystem& system, const RestartPaths& paths) {
    std::wstring temp;
    if (!system.tempFolder(temp))
        return {false, L"Could not resolve a temporary path for the updater."};
    std::wstring script = scriptPathIn(temp, system.tickCountMs());
    const std::wstring* all[] = {&paths.newApp, &paths.newAnalyzer, &paths.currentApp,
                                 &paths.currentAnalyzer, &script};
    for (const std::wstring* path : all) {
        if (!isScriptSafePath(*path))
            return {false, L"Could not write the updater restart script."};
    }
    std::string text = restartScriptText(paths);
    if (!system.writeFileBytes(script, {reinterpret_cast<const uint8_t*>(text.data()), text.size()}))
        return {false, L"Could not write the updater restart script."};
    if (!system.startHiddenScript(script)) {
        system.deleteFile(script);
        return {false, L"Could not start the updater restart script."};
    }
    return {true, {}};
}

} // namespace gripline
