#include "settings/run_on_startup.h"

namespace gripline {

std::wstring runOnStartupCommand(std::wstring_view executablePath) {
    return L"\"" + std::wstring(executablePath) + L"\"";
}

bool setRunOnStartup(StartupEntry& entry, bool on, std::wstring_view executablePath) {
    if (on)
        return entry.set(kRunValueName, runOnStartupCommand(executablePath));
    return entry.remove(kRunValueName);
}

} // namespace gripline
