#include "updater/restart_script.h"

#include <cwchar>

namespace gripline {

namespace {

std::wstring quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

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
std::wstring restartScriptText(const RestartPaths& p) {
    const wchar_t* lines[] = {
        L"@echo off",
        L"setlocal EnableDelayedExpansion",
        L"set tries=0",
        L":retry_app",
        L"ping 127.0.0.1 -n 2 >nul",
        nullptr, // copy the app
        L"if errorlevel 1 (",
        L"  set /a tries+=1",
        L"  if !tries! GEQ 10 exit /b 1",
        L"  goto retry_app",
        L")",
        L"set tries=0",
        L":retry_analyzer",
        nullptr, // copy the analyzer
        L"if errorlevel 1 (",
        L"  set /a tries+=1",
        L"  if !tries! GEQ 10 exit /b 1",
        L"  ping 127.0.0.1 -n 2 >nul",
        L"  goto retry_analyzer",
        L")",
    };
    std::wstring text;
    auto line = [&text](const std::wstring& content) { text += content + L"\r\n"; };
    int copies = 0;
    for (const wchar_t* l : lines) {
        if (l)
            line(l);
        else if (copies++ == 0)
            line(L"copy /Y " + quoted(p.newApp) + L" " + quoted(p.currentApp) + L" >nul");
        else
            line(L"copy /Y " + quoted(p.newAnalyzer) + L" " + quoted(p.currentAnalyzer) + L" >nul");
    }
    line(L"del " + quoted(p.newApp) + L" >nul 2>nul");
    line(L"del " + quoted(p.newAnalyzer) + L" >nul 2>nul");
    line(L"start \"\" " + quoted(p.currentApp));
    line(L"del \"%~f0\"");
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
    std::string text;
    if (!system.encodeScriptText(restartScriptText(paths), text) ||
        !system.writeFileBytes(script, {reinterpret_cast<const uint8_t*>(text.data()), text.size()}))
        return {false, L"Could not write the updater restart script."};
    if (!system.startHiddenScript(script)) {
        system.deleteFile(script);
        return {false, L"Could not start the updater restart script."};
    }
    return {true, {}};
}

} // namespace gripline
