#pragma once
// The command script that replaces both installed programs once the running
// program has exited, then starts the new one. cmd runs it hidden; nobody
// waits for it.
#include "updater/update_system.h"

#include <string>

namespace gripline {

struct RestartPaths {
    std::wstring newApp;
    std::wstring currentApp;
    std::wstring newAnalyzer;
    std::wstring currentAnalyzer;
};

// The script runs with delayed expansion, so cmd would expand "!" and "%"
// inside any path. Such paths are refused rather than copied astray.
bool isScriptSafePath(const std::wstring& path);

// The script's 24 lines, CRLF-terminated; written in the bytes cmd reads
// (UpdateSystem::encodeScriptText).
std::wstring restartScriptText(const RestartPaths& paths);

struct RestartResult {
    bool ok = false;
    std::wstring error;
};

// Writes the script into the temporary folder and starts it hidden.
RestartResult writeRestartScript(UpdateSystem& system, const RestartPaths& paths);

} // namespace gripline
