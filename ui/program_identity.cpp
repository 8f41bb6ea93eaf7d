#include "ui/program_identity.h"

namespace gripline {

std::wstring windowTitle() {
    std::wstring title = std::wstring(kDisplayName) + L" v";
    for (int i = 0; i < 4; ++i)
        title += (i ? L"." : L"") + std::to_wstring(kReleaseVersion[i]);
    return title;
}

} // namespace gripline
