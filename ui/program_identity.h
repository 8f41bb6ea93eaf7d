#pragma once
// The program's name as the user sees it and its four-part version, the same
// in both programs of a release.
#include "common/release_version.h"

#include <string>

namespace gripline {

inline constexpr const wchar_t* kDisplayName = L"Gripline";

// "Gripline v0.1.0.134"
std::wstring windowTitle();

} // namespace gripline
